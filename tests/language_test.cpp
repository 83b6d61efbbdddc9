// The two languages: every text of the table in both, the choice of the
// language from the locale, and the programs as an English-speaking user
// runs them (to a pipe and on a terminal), next to the Japanese runs that
// must stay as they were.
#include "language.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "converter_messages.h"
#include "dumper_messages.h"
#include "frame_builder.h"
#include "log_messages.h"
#include "merge_messages.h"
#include "pass_through.h"
#include "test_support.h"
#include "usage_messages.h"

namespace {

using testing_support::readFile;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::TempDir;

bool validUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80             ? 0
               : (b & 0xE0) == 0xC0 ? 1
               : (b & 0xF0) == 0xE0 ? 2
               : (b & 0xF8) == 0xF0 ? 3
                                    : 9;
    if (n == 9 || i + n >= s.size() + (n == 0 ? 1 : 0)) return false;
    for (size_t k = 1; k <= n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n + 1;
  }
  return true;
}

// Every Japanese console text with a character outside ASCII, as the console
// prints it to a pipe.
std::vector<std::string> japaneseConsoleTexts() {
  std::vector<std::string> out;
  for (const texts::Entry& e : texts::all()) {
    if (!e.console) continue;
    std::string bytes = testing_support::toCp932(e.japanese);
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) >= 0x80) {
        out.push_back(bytes);
        break;
      }
    }
  }
  return out;
}

TEST(Texts, EveryTextInBothLanguages) {
  const std::vector<texts::Entry>& all = texts::all();
  EXPECT_GE(all.size(), 140u);  // a table that failed to list itself would be short
  std::set<std::string> names;
  for (const texts::Entry& e : all) {
    SCOPED_TRACE(e.name);
    EXPECT_TRUE(names.insert(e.name).second) << "listed twice";
    EXPECT_NE(std::string(e.english), "");
    EXPECT_TRUE(validUtf8(e.english));
    for (char c : std::string(e.english)) {
      // English texts are ASCII but for a unit's sign (±, µ) in the logs.
      if (static_cast<unsigned char>(c) >= 0x80) {
        EXPECT_FALSE(e.console);
      }
    }
  }
  useLanguage(Language::English);
  EXPECT_TRUE(englishTexts());
  for (const texts::Entry& e : all) EXPECT_EQ(*e.text, e.english) << e.name;
  EXPECT_EQ(std::string(msg::kReading), msg::kReadingEnglish);
  useLanguage(Language::Japanese);
  for (const texts::Entry& e : all) EXPECT_EQ(*e.text, e.japanese) << e.name;
}

TEST(Texts, TheShapeCheckCatchesWhatDiffers) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"%d 個\n", "%d files\n", true},
      {"%s: %lld", "%s - %lld", true},
      {"100%% %s", "%s", true},
      {"%02X %s", "%02X %s", true},
      {"%s %d", "%d %s", false},   // another order
      {"%lld", "%d", false},       // another length
      {"%s", "%s %s", false},      // one more
      {"a\n", "a", false},         // the line end
      {"a\nb\n", "a b\n", false},  // the line count
      {"\na", "a\n", false},
  };
  for (const Case& c : cases) EXPECT_EQ(texts::sameShape(c.a, c.b), c.same) << c.a << " | " << c.b;
}

TEST(Language, OfTheLocale) {
  struct Case {
    const char* name;
    Language language;
  } cases[] = {
      {nullptr, Language::Japanese},       {"", Language::Japanese},
      {"C", Language::Japanese},           {"POSIX", Language::Japanese},
      {"C.UTF-8", Language::Japanese},     {"ja", Language::Japanese},
      {"ja_JP.UTF-8", Language::Japanese}, {"ja_JP.eucJP@x", Language::Japanese},
      {"en_US.UTF-8", Language::English},  {"de_DE", Language::English},
      {"jv_ID", Language::English},        {"Cy", Language::English},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(languageOfLocale(c.name), c.language) << (c.name ? c.name : "null");
  }
  // The first variable set and not empty decides, as setlocale reads them.
  struct Environment {
    const char* all;
    const char* messages;
    const char* lang;
    Language language;
  } environments[] = {
      {nullptr, nullptr, nullptr, Language::Japanese},
      {"", "", "en_GB.UTF-8", Language::English},
      {"C", nullptr, "en_GB.UTF-8", Language::Japanese},
      {nullptr, "ja_JP.UTF-8", "en_GB.UTF-8", Language::Japanese},
      {"fr_FR", "ja_JP.UTF-8", nullptr, Language::English},
  };
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::string saved[3];
  bool had[3];
  for (int k = 0; k < 3; ++k) {
    const char* v = getenv(names[k]);
    had[k] = v != nullptr;
    saved[k] = v ? v : "";
  }
  for (const Environment& e : environments) {
    const char* values[] = {e.all, e.messages, e.lang};
    for (int k = 0; k < 3; ++k) {
      if (values[k] == nullptr) {
        unsetenv(names[k]);
      } else {
        setenv(names[k], values[k], 1);
      }
    }
    EXPECT_EQ(systemLanguage(), e.language)
        << (e.all ? e.all : "-") << " " << (e.messages ? e.messages : "-");
  }
  for (int k = 0; k < 3; ++k) {
    if (had[k]) {
      setenv(names[k], saved[k].c_str(), 1);
    } else {
      unsetenv(names[k]);
    }
  }
}

// The programs' runs in one language: a capture, its conversion, a merge
// refused, and each --help; standard output and error together.
struct Runs {
  std::string capture, conversion, merge, helps, captureLog, conversionLog;
};

Runs runAll(const std::vector<std::string>& env, bool terminal) {
  Runs r;
  TempDir dir;
  EXPECT_TRUE(synth::writeFile(dir.file("tape.bin"), testing_support::recording(7, 2, 400)));
  RunOptions options;
  options.env = env;
  options.env.push_back("KOVRANT_SIM_TAPE=tape.bin");
  options.terminal = terminal;
  options.mergeOutput = true;
  r.capture = testing_support::runIn(dir.path(), KOVRANT_SIM_PATH, options).out;
  r.conversion = testing_support::runIn(dir.path(), SELTHIX_PATH, options).out;
  options.args = {"missing.img", "KOVRANT.IMG"};
  r.merge = testing_support::runIn(dir.path(), KOVRANT_MERGE_PATH, options).out;
  options.args = {"--help"};
  for (const char* program : {KOVRANT_PATH, SELTHIX_PATH, KOVRANT_MERGE_PATH}) {
    r.helps += testing_support::runIn(dir.path(), program, options).out;
  }
  r.captureLog = testing_support::textOf(readFile(dir.file("KOVRANT.LOG")));
  r.conversionLog = testing_support::textOf(readFile(dir.file("SELTHIX.LOG")));
  return r;
}

TEST(Language, EnglishEverywhereForAnEnglishLocale) {
  Runs piped = runAll({"LANG=en_US.UTF-8"}, false);
  Runs shown = runAll({"LANG=en_US.UTF-8"}, true);
  useLanguage(Language::English);
  std::string start = std::string(msg::kKovrantBanner) + pt::kSupportedDrive + "\n" +
                      msg::kSwitchingToAudio + msg::kSucceededLine + msg::kInsertCassette +
                      msg::kLoadingRewinding + msg::kReading;
  std::string helps = std::string(msg::kKovrantHelp) + msg::kSelthixHelp + msg::kMergeHelp;
  std::string summary = std::string(msg::kCaptureLogSummaryClean).substr(0, 9);  // "Summary: "
  useLanguage(Language::Japanese);
  for (const Runs* r : {&piped, &shown}) {
    EXPECT_EQ(r->capture.substr(0, start.size()), start);
    EXPECT_EQ(r->helps, helps);
    EXPECT_NE(r->conversion.find("SELTHIX.EXE Ver0.1\nFound START ID"), std::string::npos);
    EXPECT_NE(r->merge.find("Cannot read missing.img: "), std::string::npos) << r->merge;
    EXPECT_NE(r->captureLog.find("\n" + summary), std::string::npos);
    EXPECT_NE(r->conversionLog.find("\n" + summary), std::string::npos);
    for (const std::string* out :
         {&r->capture, &r->conversion, &r->merge, &r->helps, &r->captureLog, &r->conversionLog}) {
      EXPECT_TRUE(validUtf8(*out)) << *out;
      for (const std::string& japanese : japaneseConsoleTexts()) {
        EXPECT_EQ(out->find(japanese), std::string::npos) << japanese;
      }
      for (char c : *out) {
        ASSERT_FALSE(c >= '\xE3' && c <= '\xE9') << "Japanese in the English output: " << *out;
      }
    }
  }
  // English is UTF-8 on a terminal and in a pipe alike (the terminal has
  // its own time display).
  EXPECT_EQ(testing_support::withoutTimeDisplay(shown.capture, true),
            testing_support::withoutTimeDisplay(piped.capture, false));
  EXPECT_EQ(shown.conversion, piped.conversion);
}

TEST(Language, JapaneseAsEverWhereTheLocaleIsCOrJapanese) {
  Runs before = runAll({}, false);
  EXPECT_NE(before.helps.find(testing_support::toCp932(msg::kKovrantHelp)), std::string::npos);
  const std::vector<std::string> locales[] = {
      {"LANG=C"},
      {"LANG=ja_JP.UTF-8"},
      {"LC_ALL=ja_JP.eucJP", "LANG=en_US.UTF-8"},
      {"LC_ALL=C", "LANG=en_US.UTF-8"},
      {"LANG=", "LC_ALL=", "LC_MESSAGES="},
  };
  for (const std::vector<std::string>& env : locales) {
    SCOPED_TRACE(env[0]);
    Runs r = runAll(env, false);
    EXPECT_EQ(r.capture, before.capture);
    EXPECT_EQ(r.conversion, before.conversion);
    EXPECT_EQ(r.merge, before.merge);
    EXPECT_EQ(r.helps, before.helps);
    EXPECT_EQ(r.captureLog.substr(r.captureLog.find('\n')),
              before.captureLog.substr(before.captureLog.find('\n')));
    EXPECT_EQ(r.conversionLog, before.conversionLog);
  }
}

}  // namespace
