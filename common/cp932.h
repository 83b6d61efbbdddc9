// Code page 932 (Shift_JIS), the encoding of the Japanese console texts in
// files and pipes, from the table of the whole code page (cp932_table.h,
// made by tools/cp932_table.py). A text is written once, as UTF-8, with
// DAT_MESSAGE; its code page 932 bytes are made when compiling (a character
// without a code page 932 form stops the build). The same table turns the
// bytes back into UTF-8 for a terminal that wants it, and turns any UTF-8
// into code page 932. The tests check every row and every text against the
// C library's own CP932 converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// The bytes of one text, as long as its UTF-8 (never shorter in UTF-8).
template <size_t N>
struct Encoded {
  char bytes[N] = {};
  bool ok = true;  // every character was found in the table
};

template <size_t N>
constexpr Encoded<N> encode(const char (&utf8)[N]) {
  Encoded<N> out;
  size_t o = 0;
  for (size_t i = 0; i + 1 < N;) {
    auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out.bytes[o++] = static_cast<char>(b);
      ++i;
      continue;
    }
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t c = b & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k + 1 < N; ++k) {
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += static_cast<size_t>(extra) + 1;
    uint16_t code = codeOf(c);
    if (code == 0) {
      out.ok = false;
      continue;
    }
    out.bytes[o++] = static_cast<char>(code >> 8);
    out.bytes[o++] = static_cast<char>(code & 0xFF);
  }
  return out;
}

// Code page 932 bytes (those of the texts, and ASCII) to UTF-8. A pair of
// bytes outside the table becomes "?".
std::string toUtf8(const char* bytes, size_t length);

}  // namespace cp932

namespace cp932 {

// Every console text, when DAT_LIST_MESSAGES is defined (the tests): each
// DAT_MESSAGE enters itself here, so that the tests check every text without
// a list of their own.
struct Listed {
  const char* name;
  const char* bytes;
  const char* utf8;
};
std::vector<Listed>& listed();
struct Listing {
  Listing(const char* name, const char* bytes, const char* utf8) {
    listed().push_back({name, bytes, utf8});
  }
};

}  // namespace cp932
