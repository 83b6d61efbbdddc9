// The logs of SELTHIX and kovrant-merge (and KOVRANT's) where they cannot be
// written as usual: another user's log under the name in a shared
// directory, and no room for a single line; SELTHIX's CORE document, written
// under their rules, with another user's or a directory under its name.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "converter_messages.h"
#include "dumper_messages.h"
#include "frame_builder.h"
#include "merge_messages.h"
#include "page_messages.h"
#include "sha256.h"
#include "test_support.h"

namespace {

using testing_support::readFile;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::textOf;

// How often `part` occurs in `text`.
int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A recording with ATIME and programs, as a capture gives it.
const std::vector<uint8_t>& tape() {
  static const std::vector<uint8_t> bytes = testing_support::recording(3, 2, 300);
  return bytes;
}

// A shared directory with the sticky bit under `top`, and `program` copied
// where another user can run it (the build tree may not be reachable).
struct SharedDirectory {
  std::string dir, program;
  SharedDirectory(const testing_support::TempDir& top, const char* original)
      : dir(top.file("shared")), program(top.file("program")) {
    EXPECT_EQ(chmod(top.path().c_str(), 0755), 0);
    EXPECT_EQ(mkdir(dir.c_str(), 0777), 0);
    EXPECT_EQ(chmod(dir.c_str(), 01777), 0);
    EXPECT_TRUE(synth::writeFile(program, readFile(original)));
    EXPECT_EQ(chmod(program.c_str(), 0755), 0);
  }
};

// A shared directory with the sticky bit and another user's log in it: the
// run writes its log under the first free name, says so on the console, and
// leaves the other log as it was; its own log lists its own files.
TEST(Logs, AnotherUsersLogInASharedDirectory) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  struct Case {
    const char* program;
    std::vector<std::string> args;  // the inputs too
    const char* log;
    const char* elsewhere;  // the console's line
    const char* unused;     // the name this run's log takes
    const char* summary;
  };
  const Case cases[] = {
      {SELTHIX_PATH,
       {"KOVRANT.IMG"},
       "SELTHIX.LOG",
       msg::kConversionLogElsewhere,
       "SELTHIX-1.LOG",
       "まとめ: すべて書き込み。"},
      {KOVRANT_MERGE_PATH,
       {"a.img", "b.img"},
       "KOVRANT-MERGE.LOG",
       msg::kMergeLogElsewhere,
       "KOVRANT-MERGE-1.LOG",
       "まとめ: KOVRANT.IMG に書きました。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    testing_support::TempDir top;
    SharedDirectory place(top, c.program);
    const std::string& shared = place.dir;
    for (const std::string& input : c.args) {
      ASSERT_TRUE(synth::writeFile(shared + "/" + input, tape()));
    }
    const std::vector<uint8_t> theirs = {'t', 'h', 'e', 'i', 'r', 's'};
    std::string stale = shared + "/" + c.log;
    ASSERT_TRUE(synth::writeFile(stale, theirs));
    ASSERT_EQ(chown(stale.c_str(), 4242, 4242), 0);
    RunOptions options;
    if (c.program != std::string(SELTHIX_PATH)) options.args = c.args;
    options.uid = 4343;
    RunResult r = testing_support::runIn(shared, place.program, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(stale), theirs);
    char line[300];
    std::snprintf(line, sizeof line, c.elsewhere, "Operation not permitted", c.unused);
    EXPECT_EQ(count(r.err, testing_support::toCp932(line)), 1) << r.err;
    std::string log = textOf(readFile(shared + "/" + c.unused));
    EXPECT_EQ(log.rfind("プログラム: ", 0), 0u) << log;
    EXPECT_NE(log.find(c.summary), std::string::npos) << log;
    // Its checksums are those of the files beside it.
    std::istringstream lines(log);
    size_t sums = 0;
    for (std::string l; std::getline(lines, l);) {
      if (l.rfind("SHA-256: ", 0) != 0) continue;
      std::string hex;
      ASSERT_TRUE(sha256File((shared + "/" + l.substr(9 + 66)).c_str(), &hex)) << l;
      EXPECT_EQ(l.substr(9, 64), hex) << l;
      ++sums;
    }
    size_t wavs = 0;
    for (const std::string& name : testing_support::listDir(shared)) {
      wavs += name.size() > 4 && name.compare(name.size() - 4, 4, ".wav") == 0 ? 1 : 0;
    }
    EXPECT_EQ(sums, wavs);
  }
}

// Another user's SELTHIX.json and SELTHIX.html in a shared directory: this
// conversion's record and page, written at its start and at its end, go
// under the first free names, the console says so once each, and the
// others stay as they were.
TEST(Logs, AnotherUsersRecordInASharedDirectory) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  testing_support::TempDir top;
  SharedDirectory place(top, SELTHIX_PATH);
  const std::string& shared = place.dir;
  ASSERT_TRUE(synth::writeFile(shared + "/KOVRANT.IMG", tape()));
  const std::vector<uint8_t> theirs = {'{', '}'};
  for (const char* name : {"/SELTHIX.json", "/SELTHIX.html"}) {
    ASSERT_TRUE(synth::writeFile(shared + name, theirs));
    ASSERT_EQ(chown((shared + name).c_str(), 4242, 4242), 0);
  }
  RunOptions options;
  options.uid = 4343;
  RunResult r = testing_support::runIn(shared, place.program, options);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readFile(shared + "/SELTHIX.json"), theirs);
  EXPECT_EQ(readFile(shared + "/SELTHIX.html"), theirs);
  char recordLine[300], page[300];
  std::snprintf(recordLine, sizeof recordLine, msg::kConversionRecordElsewhere,
                "Operation not permitted", "SELTHIX-1.json");
  std::snprintf(page, sizeof page, msg::kPageElsewhere, "SELTHIX.html", "Operation not permitted",
                "SELTHIX-1.html");
  EXPECT_EQ(r.err, testing_support::toCp932(recordLine) + testing_support::toCp932(page));
  EXPECT_FALSE(textOf(readFile(shared + "/SELTHIX-1.html")).empty());
  std::vector<std::string> names = testing_support::listDir(shared);
  EXPECT_EQ(std::count(names.begin(), names.end(), "SELTHIX-2.html"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "SELTHIX-2.json"), 0);
  std::string record = textOf(readFile(shared + "/SELTHIX-1.json"));
  EXPECT_EQ(record.rfind("{\n  \"schema\": \"selthix/1\",", 0), 0u) << record;
  EXPECT_NE(record.find("\"ending\": \"done\""), std::string::npos) << record;
}

// The CORE document of --bwf where its name is taken: a directory in the
// way is said and the conversion stands; another user's file in a shared
// directory is left alone and the CSV goes under the first free name.
TEST(Logs, TheCoreDocumentWhereItsNameIsTaken) {
  RunOptions options;
  options.args = {"--bwf"};
  testing_support::TempDir dir;
  ASSERT_TRUE(synth::writeFile(dir.file("KOVRANT.IMG"), tape()));
  ASSERT_EQ(mkdir(dir.file("SELTHIX-CORE.csv").c_str(), 0755), 0);
  RunResult r = testing_support::runIn(dir.path(), SELTHIX_PATH, options);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  char line[300];
  std::snprintf(line, sizeof line, msg::kWavWriteFailed, "SELTHIX-CORE.csv", "Is a directory");
  EXPECT_EQ(r.err, testing_support::toCp932(line));
  EXPECT_NE(textOf(readFile(dir.file("SELTHIX.LOG"))).find("まとめ: すべて書き込み。"),
            std::string::npos);

  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  testing_support::TempDir top;
  SharedDirectory place(top, SELTHIX_PATH);
  const std::vector<uint8_t> theirs = {'t', 'h', 'e', 'i', 'r', 's'};
  std::string stale = place.dir + "/SELTHIX-CORE.csv";
  ASSERT_TRUE(synth::writeFile(stale, theirs));
  ASSERT_EQ(chown(stale.c_str(), 4242, 4242), 0);
  ASSERT_TRUE(synth::writeFile(place.dir + "/KOVRANT.IMG", tape()));
  options.uid = 4343;
  r = testing_support::runIn(place.dir, place.program, options);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readFile(stale), theirs);
  std::snprintf(line, sizeof line, msg::kCoreDocumentElsewhere, "Operation not permitted",
                "SELTHIX-CORE-1.csv");
  EXPECT_EQ(r.err, testing_support::toCp932(line));
  EXPECT_EQ(textOf(readFile(place.dir + "/SELTHIX-CORE-1.csv")).rfind("FileName,", 0), 0u);
}

// No room for the log (a file-size limit with SIGXFSZ ignored): the program
// says once that its log could not be written, with the system's reason,
// and ends as its work does. A conversion of header-only files (32 kHz)
// still fits, and ends with status 0.
TEST(Logs, ALogThatCannotBeWrittenIsSaidOnce) {
  std::vector<uint8_t> rate32k;
  for (int k = 0; k < 20; ++k) {
    synth::Frame f = synth::blankFrame();
    synth::setRateCode(f, 2);
    synth::setProgramNumber(f, 1 + k / 10);
    rate32k.insert(rate32k.end(), f.begin(), f.end());
  }
  struct Case {
    const char* what;
    const char* program;
    std::vector<std::string> args;
    const char* input;  // the image under this name
    const std::vector<uint8_t>& image;
    int64_t limit;
    const char* log;
    bool onStdout;  // the dumper says everything on standard output
    int exitCode;
  };
  const Case cases[] = {
      {"SELTHIX, no room at all",
       SELTHIX_PATH,
       {},
       "KOVRANT.IMG",
       tape(),
       0,
       "SELTHIX.LOG",
       false,
       1},
      {"SELTHIX, room for header-only files",
       SELTHIX_PATH,
       {},
       "KOVRANT.IMG",
       rate32k,
       200,
       "SELTHIX.LOG",
       false,
       0},
      {"kovrant-merge",
       KOVRANT_MERGE_PATH,
       {"a.img", "a.img"},
       "a.img",
       tape(),
       0,
       "KOVRANT-MERGE.LOG",
       false,
       1},
      {"KOVRANT", KOVRANT_SIM_PATH, {}, "tape.bin", tape(), 0, "KOVRANT.LOG", true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::TempDir dir;
    ASSERT_TRUE(synth::writeFile(dir.file(c.input), c.image));
    RunOptions options;
    options.args = c.args;
    options.env = {"KOVRANT_SIM_TAPE=tape.bin"};
    options.fileSizeLimit = c.limit;
    RunResult r = testing_support::runIn(dir.path(), c.program, options);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    char line[300];
    std::snprintf(line, sizeof line, msg::kLogWriteFailed, c.log, "File too large");
    std::string said = testing_support::toCp932(line);
    EXPECT_EQ(count(c.onStdout ? r.out : r.err, said), 1) << r.out << r.err;
    EXPECT_EQ(count(c.onStdout ? r.err : r.out, said), 0);
  }
}

}  // namespace
