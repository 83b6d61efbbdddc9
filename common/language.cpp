#include "language.h"

#include <cstring>

#include "texts.h"

namespace {
Language current = Language::Japanese;
}  // namespace

namespace texts {

std::vector<Entry>& all() {
  static std::vector<Entry> entries;
  return entries;
}

}  // namespace texts

Language languageOfLocale(const char* name) {
  if (name == nullptr || name[0] == '\0') return Language::Japanese;
  size_t language = std::strcspn(name, "_.@");
  auto is = [&](const char* what) {
    return language == std::strlen(what) && std::strncmp(name, what, language) == 0;
  };
  return is("C") || is("POSIX") || is("ja") ? Language::Japanese : Language::English;
}

void useLanguage(Language language) {
  current = language;
  bool english = language == Language::English;
  for (const texts::Entry& e : texts::all()) *e.text = english ? e.english : e.japanese;
}

bool englishTexts() {
  return current == Language::English;
}
