// Every text the programs say, in Japanese and in English side by side: one
// table, written with DAT_MESSAGE (console texts) and DAT_FILE_TEXT (texts
// only written to files). Every text is UTF-8; the console writes it in its
// own encoding (console.h). A text without its English, or whose English
// has other placeholders (in another order) or another number of line ends,
// does not compile. The program chooses the language once, at its start
// (language.h); each text's name then stands for it in that language.
#pragma once

#include <cstddef>
#include <string>
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

// A text of the table: the text in the language in use (`text`), of a type
// of its own that carries its Japanese, so that every call that formats it
// is checked against that literal when it is compiled (checkFormat).
template <const char* Japanese>
struct Text {
  const char* text;
  operator const char*() const { return text; }
  const char* c_str() const { return text; }
};
// Joined with other text as a string.
template <const char* J>
std::string operator+(const std::string& a, const Text<J>& b) {
  return a + b.text;
}
template <const char* J>
std::string operator+(const Text<J>& a, const std::string& b) {
  return a.text + b;
}

// Never called: the compiler checks the arguments of a text's every use
// against the text's Japanese literal, as it checks printf's (the English
// has the same conversions: sameShape). The programs compile with format
// warnings as errors, so that a wrong argument does not build.
#if defined(__GNUC__)
inline void checkFormat(const char*, ...) __attribute__((format(printf, 1, 2)));
#endif
inline void checkFormat(const char*, ...) {}

}  // namespace texts

#define DAT_TEXT_CHECKED(name, japanese, english)                                                  \
  static_assert(::texts::sameShape(japanese, english),                                             \
                "the English of " #name " has other placeholders or line ends than its Japanese"); \
  inline constexpr char name##Japanese[] = japanese;                                               \
  inline constexpr char name##English[] = english

// `name`: the text in the language in use (useLanguage), entered in the table.
#define DAT_TEXT_REGISTERED(name, console)                      \
  inline ::texts::Text<name##Japanese> name{name##Japanese};    \
  inline const ::texts::Registration name##Registration {       \
    ::texts::Entry {                                            \
#name, &name.text, name##Japanese, name##English, console \
    }                                                           \
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
