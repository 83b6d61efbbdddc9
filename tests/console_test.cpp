// Console text and command line: the code page 932 table, every text and
// what has no code page 932 form against the C library's own converter; both programs on a
// pseudo-terminal in a UTF-8 and in the C locale against their redirected bytes; --help,
// --version and arguments they do not know; names from outside shown with
// their controls escaped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "converter_messages.h"
#include "cp932.h"
#include "dumper_messages.h"
#include "frame_builder.h"
#include "merge_messages.h"
#include "test_support.h"
#include "texts.h"
#include "usage_messages.h"

namespace {

using testing_support::fromCp932;
using testing_support::listDir;
using testing_support::runIn;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::TempDir;
using testing_support::toCp932;

const std::string kKovrant = KOVRANT_PATH;
const std::string kKovrantSim = KOVRANT_SIM_PATH;
const std::string kSelthix = SELTHIX_PATH;
const std::string kMerge = KOVRANT_MERGE_PATH;

// A character as UTF-8.
std::string utf8Of(char32_t c) {
  if (c < 0x800) return {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  return {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
          static_cast<char>(0x80 | (c & 0x3F))};
}

TEST(Cp932, EveryRowAgreesWithTheCLibrary) {
  for (const cp932::Row& row : cp932::kTable) {
    std::string utf8 = utf8Of(row.unicode);
    std::string bytes;
    if (row.code >= 0x100) bytes += static_cast<char>(row.code >> 8);
    bytes += static_cast<char>(row.code & 0xFF);
    EXPECT_EQ(toCp932(utf8), bytes) << utf8;
    EXPECT_EQ(cp932::fromUtf8(utf8.data(), utf8.size()), bytes) << utf8;
  }
  // And the table is whole: every code that the C library reads as one
  // character beyond ASCII gives a character of the table.
  std::vector<std::string> codes;
  for (int b = 0xA1; b <= 0xDF; ++b) codes.push_back({static_cast<char>(b)});
  for (int lead = 0x81; lead <= 0xFC; lead = lead == 0x9F ? 0xE0 : lead + 1) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  size_t read = 0;
  for (const std::string& code : codes) {
    std::string utf8 = fromCp932(code);
    size_t at = 0;
    char32_t c = cp932::decodeUtf8(utf8.data(), utf8.size(), &at);
    if (utf8[0] == '<' || at != utf8.size()) continue;  // none, or not one character
    ++read;
    EXPECT_NE(cp932::codeOf(c), 0) << std::hex << (code[0] & 0xFF) << " " << utf8;
  }
  EXPECT_GE(read, sizeof cp932::kTable / sizeof cp932::kTable[0]);
}

TEST(Cp932, EveryConsoleTextAsTheCLibraryWritesIt) {
  size_t count = 0;
  for (const texts::Entry& e : texts::all()) {
    if (!e.console) continue;
    ++count;
    EXPECT_EQ(cp932::fromUtf8(e.japanese, std::strlen(e.japanese)), toCp932(e.japanese)) << e.name;
  }
  EXPECT_GE(count, 70u);  // the message headers are all included here
}

// A character without a code page 932 form, and a byte that is not UTF-8,
// become "?" where they stand; the rest is as the C library writes it.
TEST(Cp932, WhatHasNoFormIsAQuestionMark) {
  struct Case {
    std::string utf8, shown;  // shown: the text with its "?", as UTF-8
  } cases[] = {
      {"caf\xc3\xa9", "caf?"},                  // é
      {"\xf0\x9f\x8e\xb5 テープ", "? テープ"},  // an emoji
      {"a\xff-\x80", "a?-?"},                   // bytes that start nothing
      {"\xe6\x97x日", "??x日"},                 // a sequence cut short
      {"\xc0\xaf\xed\xa0\x80.", "?????."},      // overlong, a surrogate
      {"~\\\x7f ｱ", "~\\\x7f ｱ"},               // ASCII as it is; a single byte
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cp932::fromUtf8(c.utf8.data(), c.utf8.size()), toCp932(c.shown)) << c.shown;
  }
}

// A run in a directory prepared by `prepare`, on a terminal or redirected.
template <typename Prepare>
RunResult runPrepared(const std::string& program, Prepare prepare, RunOptions options) {
  TempDir dir;
  prepare(dir, options);
  return runIn(dir.path(), program, options);
}

TEST(Terminal, UtfEightOnAUtfEightTerminalAndTheSameBytesElsewhere) {
  std::vector<uint8_t> tape = testing_support::recording(3, 2, 400);
  auto withTape = [&](const TempDir& dir, RunOptions& options) {
    ASSERT_TRUE(synth::writeFile(dir.file("tape.bin"), tape));
    options.env.push_back("KOVRANT_SIM_TAPE=tape.bin");
  };
  auto withImage = [&](const TempDir& dir, RunOptions&) {
    ASSERT_TRUE(synth::writeFile(dir.file("KOVRANT.IMG"), tape));
  };
  struct Case {
    const std::string& program;
    std::function<void(const TempDir&, RunOptions&)> prepare;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {kKovrantSim, withTape, {}},
      {kSelthix, withImage, {}},
      {kKovrant, withTape, {"--help"}},
      {kSelthix, withImage, {"--nonsense"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program + (c.args.empty() ? "" : " " + c.args[0]));
    RunOptions redirected;
    redirected.mergeOutput = true;
    redirected.args = c.args;
    redirected.env = {"LC_ALL=C.UTF-8"};
    RunResult bytes = runPrepared(c.program, c.prepare, redirected);
    ASSERT_FALSE(bytes.out.empty());
    EXPECT_NE(fromCp932(bytes.out), bytes.out) << "the output holds Japanese text";
    RunOptions utf8 = redirected;
    utf8.terminal = true;
    RunResult shown = runPrepared(c.program, c.prepare, utf8);
    // The capture's time display is a terminal's own (capture_display.py).
    bool capture = &c.program == &kKovrantSim;
    auto apart = [&](const std::string& out, bool terminal) {
      return capture ? testing_support::withoutTimeDisplay(out, terminal) : out;
    };
    EXPECT_EQ(apart(shown.out, true), apart(fromCp932(bytes.out), false));
    EXPECT_EQ(shown.exitCode, bytes.exitCode);
    RunOptions plain = utf8;
    plain.env = {"LC_ALL=C"};
    RunResult shownPlain = runPrepared(c.program, c.prepare, plain);
    EXPECT_EQ(apart(shownPlain.out, true), apart(bytes.out, false));
    if (capture) {
      EXPECT_NE(apart(bytes.out, false), bytes.out) << "a time display taken out";
    }
  }
}

// A refused argument is shown with its control characters escaped: an
// escape sequence never reaches the terminal; the line is in the console's
// form, the argument in it too.
TEST(Arguments, ARefusedArgumentIsShownAsItIsWithoutItsControls) {
  const std::string arg = "\x1b[2J\xe6\x97\xa5\xe6\x9c\xac\x07\xc2\x9b";  // ESC [2J 日本 BEL CSI
  const std::string shown = "\\x1b[2J\xe6\x97\xa5\xe6\x9c\xac\\x07\\xc2\\x9b";
  char around[256];
  std::snprintf(around, sizeof around, msg::kUnknownArgument, "SELTHIX", "\x01", "SELTHIX");
  std::string text = around;
  size_t at = text.find('\x01');
  std::string expected = text.substr(0, at) + shown + text.substr(at + 1);
  TempDir dir;
  RunOptions terminal;
  terminal.args = {arg};
  terminal.terminal = true;
  terminal.env = {"LC_ALL=C.UTF-8"};
  RunResult r = runIn(dir.path(), kSelthix, terminal);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, expected);
  RunOptions pipe;
  pipe.args = {arg};
  RunResult p = runIn(dir.path(), kSelthix, pipe);
  EXPECT_EQ(p.exitCode, 2);
  EXPECT_EQ(p.err, toCp932(expected));
}

// A name that comes from outside (a device, an input's path, a file found in
// the directory) is shown on the terminal and in the logs with its control
// characters escaped: no escape sequence reaches the terminal, no log line
// is split or overwritten.
TEST(Names, ANameFromOutsideIsShownWithItsControlsEscaped) {
  // Each name ends in CR "FAKE": a terminal given it raw would overwrite its line.
  const std::string device = "x\x1b]0;owned\x07\rFAKE",
                    deviceShown = "./x\\x1b]0;owned\\x07\\x0dFAKE";
  const std::string folder = "d\x1b[2J\rFAKE", folderShown = "d\\x1b[2J\\x0dFAKE";
  pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  const std::string part = ".wav.part-" + std::to_string(child) + "-0";
  const std::string stale = "#\x1b]0;x\x07\rFAKE" + part,
                    staleShown = "#\\x1b]0;x\\x07\\x0dFAKE" + part;
  std::vector<uint8_t> tape = testing_support::recording(7, 1, 200);
  auto line = [](const char* format, const std::string& name) {
    char text[512];
    std::snprintf(text, sizeof text, format, name.c_str());
    return std::string(text);
  };
  auto twoImages = [&](const TempDir& dir) {
    ASSERT_EQ(mkdir(dir.file(folder).c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.file("plain").c_str(), 0755), 0);
    ASSERT_TRUE(synth::writeFile(dir.file(folder + "/KOVRANT.IMG"), tape));
    ASSERT_TRUE(synth::writeFile(dir.file("plain/KOVRANT.IMG"), tape));
  };
  // The merge's line of its first input, up to the end of the name.
  std::string input = folderShown + "/KOVRANT.IMG";
  char text[512];
  std::snprintf(text, sizeof text, msg::kMergeInput, 1, input.c_str(), 0LL, "", "");
  input = std::string(text).substr(0, std::string(text).find(input) + input.size());
  struct Case {
    const char* what;
    const std::string& program;
    std::vector<std::string> args, env;
    std::function<void(const TempDir&)> prepare;
    std::string console;       // a line the terminal shows; empty: none to look for
    std::string log, logLine;  // the log file (none: empty), and a line of it
  };
  const Case cases[] = {
      {"the device KOVRANT opened",
       kKovrant,
       {"--device", "./" + device},
       {},
       [&](const TempDir& dir) { ASSERT_TRUE(synth::writeFile(dir.file(device), {0})); },
       line(msg::kTapeDevice, deviceShown),
       "",
       ""},
      {"the device of a capture, a link to the drive",
       kKovrantSim,
       {"--device", "./" + device},
       {"KOVRANT_SIM_TAPE=tape.bin", "KOVRANT_SIM_DRIVES=HP      Ultrium 5-SCSI  Z6ED,-"},
       [&](const TempDir& dir) {
         ASSERT_TRUE(synth::writeFile(dir.file("tape.bin"), tape));
         ASSERT_EQ(symlink("tape1", dir.file(device).c_str()), 0);
       },
       line(msg::kTapeDevice, deviceShown),
       "KOVRANT.LOG",
       line(msg::kCaptureLogDevice, deviceShown) + "\n"},
      {"a merge's input",
       kMerge,
       {folder + "/KOVRANT.IMG", "plain/KOVRANT.IMG"},
       {},
       twoImages,
       input,
       "KOVRANT-MERGE.LOG",
       input},
      {"a merge's refused input",
       kMerge,
       {folder, "plain/KOVRANT.IMG"},
       {},
       twoImages,
       line(msg::kMergeNotAFile, folderShown) + "\n",
       "KOVRANT-MERGE.LOG",
       line(msg::kMergeNotAFile, folderShown) + "\n"},
      {"a stale file the converter removed",
       kSelthix,
       {},
       {},
       [&](const TempDir& dir) { ASSERT_TRUE(synth::writeFile(dir.file(stale), {1})); },
       "",
       "SELTHIX.LOG",
       line(msg::kConversionLogStaleRemoved, staleShown) + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    c.prepare(dir);
    RunOptions options;
    options.terminal = true;
    options.args = c.args;
    options.env = c.env;
    options.env.push_back("LC_ALL=C.UTF-8");
    RunResult r = runIn(dir.path(), c.program, options);
    EXPECT_EQ(r.out.find_first_of("\x1b\x07"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\rFAKE"), std::string::npos) << r.out;
    if (!c.console.empty()) {
      EXPECT_NE(r.out.find(c.console), std::string::npos) << r.out;
    }
    if (c.log.empty()) continue;
    std::string log = testing_support::textOf(testing_support::readFile(dir.file(c.log)));
    EXPECT_NE(log.find(c.logLine), std::string::npos) << log;
    EXPECT_EQ(log.find_first_of("\x1b\x07\r"), std::string::npos) << log;
  }
}

// A name from outside that is not ASCII is shown in the console's encoding
// like the text around it: UTF-8 on a UTF-8 terminal, code page 932 in a
// pipe under the C locale, where a character without a code page 932 form
// becomes "?"; the log holds the name as it is. A long name is shown whole.
TEST(Names, ANameFromOutsideIsShownInTheConsolesEncoding) {
  std::string deep;
  for (int k = 0; k < 6; ++k) deep += std::string(200, 'd') + "/";
  struct Case {
    const char* what;
    std::string folder;   // of the first pass with "1" after it; the second's with "2"
    std::string inCp932;  // the folder as a code page 932 line shows it, as UTF-8
  };
  const Case cases[] = {
      {"Japanese", "パス", "パス"},
      {"without a code page 932 form", "caf\xc3\xa9", "caf?"},
      {"a line longer than 1024 bytes", deep + "パス", deep + "パス"},
  };
  // The merge's line of its first input, up to the end of the input's name.
  auto inputLine = [](const std::string& folder) {
    std::string name = "../" + folder + "1/KOVRANT.IMG";
    std::vector<char> text(name.size() + 512);
    std::snprintf(text.data(), text.size(), msg::kMergeInput, 1, name.c_str(), 0LL, "", "");
    std::string line = text.data();
    return line.substr(0, line.find(name) + name.size());
  };
  std::vector<uint8_t> tape = testing_support::recording(7, 1, 200);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::vector<std::string> inputs;
    for (const char* n : {"1", "2"}) {
      std::string folder = c.folder + n;
      for (size_t at = folder.find('/'); at != std::string::npos; at = folder.find('/', at + 1)) {
        mkdir(dir.file(folder.substr(0, at)).c_str(), 0755);
      }
      ASSERT_EQ(mkdir(dir.file(folder).c_str(), 0755), 0);
      ASSERT_TRUE(synth::writeFile(dir.file(folder + "/KOVRANT.IMG"), tape));
      inputs.push_back("../" + folder + "/KOVRANT.IMG");
    }
    struct Run {
      const char* where;
      bool terminal;
      std::string locale, line;
    };
    const Run runs[] = {
        {"terminal", true, "LC_ALL=C.UTF-8", inputLine(c.folder)},
        {"pipe", false, "LANG=C", toCp932(inputLine(c.inCp932))},
    };
    for (const Run& r : runs) {
      SCOPED_TRACE(r.where);
      const std::string work = dir.file(r.where);
      ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
      RunOptions options;
      options.terminal = r.terminal;
      options.args = inputs;
      options.env = {r.locale};
      RunResult result = runIn(work, kMerge, options);
      EXPECT_EQ(result.exitCode, 0);
      EXPECT_NE(result.out.find(r.line), std::string::npos) << result.out;
      std::string log =
          testing_support::textOf(testing_support::readFile(work + "/KOVRANT-MERGE.LOG"));
      EXPECT_NE(log.find(inputLine(c.folder)), std::string::npos) << log;
    }
  }
}

TEST(Arguments, HelpVersionAndWhatIsNotKnown) {
  struct Program {
    const std::string& path;
    const char* name;
    const char* help;
  };
  const Program programs[] = {
      {kKovrant, "KOVRANT", msg::kKovrantHelp},
      {kKovrantSim, "KOVRANT", msg::kKovrantHelp},
      {kSelthix, "SELTHIX", msg::kSelthixHelp},
  };
  char version[64];
  char unknown[256];
  for (const Program& p : programs) {
    SCOPED_TRACE(p.path);
    std::snprintf(version, sizeof version, msg::kVersionLine, p.name, DAT_VERSION);
    struct Case {
      std::vector<std::string> args;
      int exitCode;
      std::string out, err;
    };
    auto refusal = [&](const char* arg) {
      std::snprintf(unknown, sizeof unknown, msg::kUnknownArgument, p.name, arg, p.name);
      return toCp932(unknown);
    };
    const Case cases[] = {
        {{"--help"}, 0, toCp932(p.help), ""},
        {{"-h"}, 0, toCp932(p.help), ""},
        {{"--help", "more"}, 0, toCp932(p.help), ""},
        {{"--version"}, 0, toCp932(version), ""},
        {{"--frobnicate"}, 2, "", refusal("--frobnicate")},
        {{"/?"}, 2, "", refusal("/?")},  // Windows' way to ask, not Linux'
        {{"KOVRANT.IMG", "--help"}, 2, "", refusal("KOVRANT.IMG")},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.args[0]);
      TempDir dir;
      std::vector<uint8_t> tape = testing_support::recording(5, 2, 100);
      ASSERT_TRUE(synth::writeFile(dir.file("KOVRANT.IMG"), tape));
      ASSERT_TRUE(synth::writeFile(dir.file("tape.bin"), tape));
      RunOptions options;
      options.args = c.args;
      options.env = {"KOVRANT_SIM_TAPE=tape.bin", "KOVRANT_SIM_LOG=sim.log"};
      RunResult r = runIn(dir.path(), p.path, options);
      EXPECT_EQ(r.exitCode, c.exitCode);
      EXPECT_EQ(r.out, c.out);
      EXPECT_EQ(r.err, c.err);
      // Nothing read, written or sent to a drive: no log of the drive, no
      // new file, the image as it was.
      EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"KOVRANT.IMG", "tape.bin"}));
      EXPECT_TRUE(testing_support::readFile(dir.file("KOVRANT.IMG")) == tape);
    }
  }
}

}  // namespace
