// Every text the programs say, in Japanese and in English side by side: one
// table, written with DAT_MESSAGE (console texts, printed as code page 932
// bytes in Japanese) and DAT_FILE_TEXT (texts only written to files, as
// UTF-8). A text without its English, or whose English has other
// placeholders (in another order) or another number of line ends, does not
// compile. The program chooses the language once, at its start
// (language.h); each text's name then stands for it in that language.
#pragma once

#include <cstddef>
#include <vector>

#include "cp932.h"

namespace texts {

// A printf conversion's end: the position past its conversion character.
constexpr size_t conversionEnd(const char* s, size_t i) {
  ++i;  // past '%'
  while (s[i] != '\0') {
    char c = s[i];
    bool part = c == '-' || c == '+' || c == ' ' || c == '#' || c == '.' || c == '*' ||
                (c >= '0' && c <= '9') || c == 'h' || c == 'l' || c == 'L' || c == 'j' ||
                c == 'z' || c == 't' || c == 'q';
    ++i;
    if (!part) break;
  }
  return i;
}

// The position of the next conversion ("%%" is none) at or after i, or the
// end of the text.
constexpr size_t nextConversion(const char* s, size_t i) {
  while (s[i] != '\0') {
    if (s[i] == '%' && s[i + 1] == '%') {
      i += 2;
    } else if (s[i] == '%') {
      return i;
    } else {
      ++i;
    }
  }
  return i;
}

constexpr size_t lineEnds(const char* s) {
  size_t n = 0;
  for (size_t i = 0; s[i] != '\0'; ++i) n += s[i] == '\n' ? 1 : 0;
  return n;
}

constexpr size_t length(const char* s) {
  size_t n = 0;
  while (s[n] != '\0') ++n;
  return n;
}

// The same conversions in the same order, the same number of line ends,
// and a line end last in both or in neither.
constexpr bool sameShape(const char* a, const char* b) {
  if (lineEnds(a) != lineEnds(b)) return false;
  size_t la = length(a), lb = length(b);
  if ((la > 0 && a[la - 1] == '\n') != (lb > 0 && b[lb - 1] == '\n')) return false;
  size_t i = nextConversion(a, 0), j = nextConversion(b, 0);
  while (a[i] != '\0' && b[j] != '\0') {
    size_t ei = conversionEnd(a, i), ej = conversionEnd(b, j);
    if (ei - i != ej - j) return false;
    for (size_t k = 0; k < ei - i; ++k) {
      if (a[i + k] != b[j + k]) return false;
    }
    i = nextConversion(a, ei);
    j = nextConversion(b, ej);
  }
  return a[i] == '\0' && b[j] == '\0';
}

// One text of the table: where the program reads it, and its two languages.
struct Entry {
  const char* name;
  const char** console;         // the console's form; null for a text of files only
  const char** file;            // the form for files: UTF-8
  const char* consoleJapanese;  // code page 932 bytes
  const char* japanese;         // UTF-8
  const char* english;
};

std::vector<Entry>& all();

struct Registration {
  explicit Registration(const Entry& entry) { all().push_back(entry); }
};

}  // namespace texts

#ifdef DAT_LIST_MESSAGES
#define DAT_MESSAGE_LISTED(name)                \
  inline const ::cp932::Listing name##Listing { \
#name, name##Encoded.bytes, name##Japanese  \
  }
#else
#define DAT_MESSAGE_LISTED(name) static_assert(true, "")
#endif

#define DAT_TEXT_CHECKED(name, japanese, english)                                                  \
  static_assert(::texts::sameShape(japanese, english),                                             \
                "the English of " #name " has other placeholders or line ends than its Japanese"); \
  inline constexpr char name##Japanese[] = japanese;                                               \
  inline constexpr char name##English[] = english

// Defines the console text `name`: what the program prints (code page 932
// bytes of the Japanese, or the English), and `name`Utf8, the same text
// for a file (UTF-8).
#define DAT_MESSAGE(name, japanese, english)                                                     \
  DAT_TEXT_CHECKED(name, japanese, english);                                                     \
  inline constexpr ::cp932::Encoded<sizeof(japanese)> name##Encoded = ::cp932::encode(japanese); \
  static_assert(name##Encoded.ok, "a character of " #name " is missing from cp932::kTable");     \
  inline const char* name = name##Encoded.bytes;                                                 \
  inline const char* name##Utf8 = name##Japanese;                                                \
  inline const ::texts::Registration name##Registration{::texts::Entry{                          \
      #name, &name, &name##Utf8, name##Encoded.bytes, name##Japanese, name##English}};           \
  DAT_MESSAGE_LISTED(name)

// Defines `name`, a text written only to files (UTF-8).
#define DAT_FILE_TEXT(name, japanese, english)                      \
  DAT_TEXT_CHECKED(name, japanese, english);                        \
  inline const char* name = name##Japanese;                         \
  inline const ::texts::Registration name##Registration {           \
    ::texts::Entry {                                                \
#name, nullptr, &name, nullptr, name##Japanese, name##English \
    }                                                               \
  }
