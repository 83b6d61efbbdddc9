// The language the programs speak: Japanese, as they always have, or
// English for a user whose locale is neither Japanese nor the bare C/POSIX
// one. Chosen once, first thing, for every text of the table (texts.h).
#pragma once

enum class Language { Japanese, English };

// The user's language. POSIX: the first of LC_ALL, LC_MESSAGES and LANG
// that is set and not empty, read as setlocale reads them (whether or not
// that locale is installed); Windows: the user's UI language.
Language systemLanguage();
// The language a POSIX locale name stands for: Japanese for none, "C",
// "POSIX", "C.<codeset>" and any "ja" locale; English for the others.
Language languageOfLocale(const char* name);
// Puts every text into `language`.
void useLanguage(Language language);
// True when the texts are English.
bool englishTexts();
