// Every text the programs say, in Japanese and in English side by side: one
// table, written with DAT_MESSAGE (console texts) and DAT_FILE_TEXT (texts
// only written to files). Every text is UTF-8; the console writes it in its
// own encoding (console.h). A text without its English, or whose English
// has other placeholders (in another order) or another number of line ends,
// does not compile. The program chooses the language once, at its start
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

// One text of the table: where the program reads it, its two languages
// (UTF-8), and whether the console prints it.
struct Entry {
  const char* name;
  const char** text;
  const char* japanese;
  const char* english;
  bool console;
};

std::vector<Entry>& all();

struct Registration {
  explicit Registration(const Entry& entry) { all().push_back(entry); }
};

}  // namespace texts

#define DAT_TEXT_CHECKED(name, japanese, english)                                                  \
  static_assert(::texts::sameShape(japanese, english),                                             \
                "the English of " #name " has other placeholders or line ends than its Japanese"); \
  inline constexpr char name##Japanese[] = japanese;                                               \
  inline constexpr char name##English[] = english

// `name`: the text in the language in use (useLanguage), entered in the table.
#define DAT_TEXT_REGISTERED(name, console)                 \
  inline const char* name = name##Japanese;                \
  inline const ::texts::Registration name##Registration {  \
    ::texts::Entry {                                       \
#name, &name, name##Japanese, name##English, console \
    }                                                      \
  }

// Defines the console text `name`: UTF-8, Japanese or English. Its Japanese
// must have a code page 932 form, the console's in files and pipes.
#define DAT_MESSAGE(name, japanese, english)                           \
  DAT_TEXT_CHECKED(name, japanese, english);                           \
  static_assert(::cp932::encodable(japanese),                          \
                "a character of " #name " has no code page 932 form"); \
  DAT_TEXT_REGISTERED(name, true)

// Defines `name`, a text written only to files (UTF-8).
#define DAT_FILE_TEXT(name, japanese, english) \
  DAT_TEXT_CHECKED(name, japanese, english);   \
  DAT_TEXT_REGISTERED(name, false)
