#include <cstdlib>
#include <initializer_list>

#include "language.h"

Language systemLanguage() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') return languageOfLocale(value);
  }
  return Language::Japanese;
}
