// Code page 932 (Shift_JIS), the encoding of the Japanese console texts in
// files and pipes. Every text is written and formatted as UTF-8; the console
// turns it into code page 932 where it goes out (console.h), from the table
// of the whole code page (cp932_table.h, made by tools/cp932_table.py). A
// console text with a character outside the code page does not compile
// (texts.h). The tests check every row and every text against the C
// library's own CP932 converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cp932_table.h"

namespace cp932 {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// The character of the UTF-8 sequence at utf8[*i] (of `length` bytes), *i
// moved past it; kInvalid, *i moved past one byte, where no well-formed
// sequence starts.
constexpr char32_t decodeUtf8(const char* utf8, size_t length, size_t* i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(utf8[k]); };
  unsigned char b = byte(*i);
  int extra = b < 0x80                 ? 0
              : b >= 0xC2 && b <= 0xDF ? 1
              : b >= 0xE0 && b <= 0xEF ? 2
              : b >= 0xF0 && b <= 0xF4 ? 3
                                       : -1;
  if (extra <= 0) {
    ++*i;
    return extra == 0 ? b : kInvalid;
  }
  char32_t c = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if (*i + k >= length || (byte(*i + k) & 0xC0) != 0x80) {
      ++*i;
      return kInvalid;
    }
    c = c << 6 | (byte(*i + k) & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (c < kLeast[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    ++*i;
    return kInvalid;
  }
  *i += static_cast<size_t>(extra) + 1;
  return c;
}

// The code of character `c` beyond ASCII (a code below 0x100 is one byte),
// or 0 where the code page has none.
constexpr uint16_t codeOf(char32_t c) {
  size_t low = 0, high = sizeof kTable / sizeof kTable[0];
  while (low < high) {
    size_t middle = (low + high) / 2;
    if (kTable[middle].unicode < c) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  bool found = low < sizeof kTable / sizeof kTable[0] && kTable[low].unicode == c;
  return found ? kTable[low].code : 0;
}

// True when every character of the UTF-8 text `utf8` has a code page 932
// form.
constexpr bool encodable(const char* utf8) {
  size_t length = 0;
  while (utf8[length] != '\0') ++length;
  for (size_t i = 0; i < length;) {
    char32_t c = decodeUtf8(utf8, length, &i);
    if (c >= 0x80 && codeOf(c) == 0) return false;
  }
  return true;
}

// `length` bytes of UTF-8 as code page 932: ASCII as it is, a character
// without a code page 932 form and a byte that is not UTF-8 as "?".
std::string fromUtf8(const char* utf8, size_t length);

}  // namespace cp932
