// Console text and command line: the code page 932 table and every text
// against the C library's own converter; both programs on a pseudo-terminal
// in a UTF-8 and in the C locale against their redirected bytes; --help,
// --version and arguments they do not know.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "converter_messages.h"
#include "cp932.h"
#include "dumper_messages.h"
#include "frame_builder.h"
#include "merge_messages.h"
#include "test_support.h"
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

TEST(Cp932, EveryRowAgreesWithTheCLibrary) {
  for (const cp932::Row& row : cp932::kTable) {
    std::string utf8;
    char32_t c = row.unicode;
    if (c < 0x800) {
      utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
    std::string bytes = {static_cast<char>(row.code >> 8), static_cast<char>(row.code & 0xFF)};
    EXPECT_EQ(toCp932(utf8), bytes) << utf8;
  }
}

TEST(Cp932, EveryTextBothWays) {
  // Every DAT_MESSAGE of the programs' message headers, all included here.
  const std::vector<cp932::Listed>& texts = cp932::listed();
  EXPECT_GE(texts.size(), 70u);  // a listing that failed would be empty
  for (const cp932::Listed& t : texts) {
    EXPECT_EQ(std::string(t.bytes), toCp932(t.utf8)) << t.name;
    std::string back = cp932::toUtf8(t.bytes, std::string(t.bytes).size());
    EXPECT_EQ(back, t.utf8) << t.name;
  }
  // Bytes outside the table come back as "?", ASCII as it is.
  EXPECT_EQ(cp932::toUtf8("a\x88\x9f"
                          "b\x83",
                          5),
            "a?b?");
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
    EXPECT_EQ(shown.out, fromCp932(bytes.out));
    EXPECT_EQ(shown.exitCode, bytes.exitCode);
    RunOptions plain = utf8;
    plain.env = {"LC_ALL=C"};
    RunResult shownPlain = runPrepared(c.program, c.prepare, plain);
    EXPECT_EQ(shownPlain.out, bytes.out);
  }
}

// A refused argument is shown as its own bytes, control characters escaped:
// an escape sequence never reaches the terminal, a UTF-8 argument stays
// UTF-8 (the message around it is in the console's form).
TEST(Arguments, ARefusedArgumentIsShownAsItIsWithoutItsControls) {
  const std::string arg = "\x1b[2J\xe6\x97\xa5\xe6\x9c\xac\x07\xc2\x9b";  // ESC [2J 日本 BEL CSI
  const std::string shown = "\\x1b[2J\xe6\x97\xa5\xe6\x9c\xac\\x07\\xc2\\x9b";
  char around[256];
  std::snprintf(around, sizeof around, msg::kUnknownArgumentUtf8, "SELTHIX", "\x01", "SELTHIX");
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
  EXPECT_EQ(p.err, toCp932(text.substr(0, at)) + shown + toCp932(text.substr(at + 1)));
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
      return std::string(unknown);
    };
    const Case cases[] = {
        {{"--help"}, 0, p.help, ""},
        {{"-h"}, 0, p.help, ""},
        {{"--help", "more"}, 0, p.help, ""},
        {{"--version"}, 0, version, ""},
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
