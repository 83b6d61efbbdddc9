// The capture log against the drive model: a clean capture word for word,
// damaged stretches at the start, in the middle and at the end, the filter,
// every way a capture ends, and a log name that is taken.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "capture.h"
#include "capture_harness.h"
#include "drive_model.h"
#include "dumper_messages.h"
#include "language.h"
#include "pass_through.h"
#include "test_support.h"

namespace {

using capture_harness::Capture;
using capture_harness::run;
using capture_harness::scriptWith;
using capture_harness::tapeOf;
using sim::Command;
using sim::Fault;
using testing_support::toCp932;

std::vector<std::string> logLines(const testing_support::TempDir& dir) {
  std::istringstream in(
      testing_support::textOf(testing_support::readFile(dir.file("KOVRANT.LOG"))));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> logLines(const Capture& c) {
  return logLines(c.dir);
}

// The lines of the log that begin with `key`.
std::vector<std::string> withKey(const std::vector<std::string>& lines, const std::string& key) {
  std::vector<std::string> out;
  for (const std::string& l : lines) {
    if (l.compare(0, key.size(), key) == 0) out.push_back(l);
  }
  return out;
}

std::string valueOf(const std::vector<std::string>& lines, const std::string& key) {
  std::vector<std::string> found = withKey(lines, key + ": ");
  return found.size() == 1 ? found[0].substr(key.size() + 2) : "<" + key + " missing or repeated>";
}

TEST(CaptureLog, ACleanCaptureWordForWord) {
  Capture c;
  run(c, scriptWith(tapeOf(40)));
  ASSERT_EQ(c.exitStatus, 0);
  std::vector<std::string> expected = {
      std::string("プログラム: KOVRANT ") + DAT_VERSION,
      "開始: 2026-01-01 00:00:00 +00:00 (UTC 2026-01-01 00:00:00)",
      std::string("ドライブ: ") + pt::kSupportedDrive,
      "カセット到着: 2026-01-01 00:00:03 +00:00 (UTC 2026-01-01 00:00:03)",  // three polls
      "最初のATIME: 01:02:00:00",
      "最後のATIME: 01:02:01:05",  // frame 39: second 1, frame 5
      "正常に読んだフレーム: 40",
      "書き込んだフレーム: 40",
      "フィルターで除いたフレーム: 0",
      "読み取りエラー区間の数: 0",
      "読み取りエラーの回数: 0",
      "終了理由: テープの終端",
      "データモード: 戻した",
      // 40 frames of tape, 1.2 s, after the arrival
      "終了: 2026-01-01 00:00:04 +00:00 (UTC 2026-01-01 00:00:04)",
      "終了ステータス: 0",
      "まとめ: テープの終端。読み取りエラーなし",
  };
  EXPECT_EQ(logLines(c), expected);
}

TEST(CaptureLog, DamagedStretchesAtTheStartInTheMiddleAndAtTheEnd) {
  // Reads 1-2 fail, then frames 0-6; reads 10-12 fail with two answers;
  // frames 7-19; reads 26-27 fail; then blank tape.
  Capture c;
  run(c, scriptWith(tapeOf(20), {{Command::Read, 1, Fault::Answer, 2, 0x03, 0, 2},
                                 {Command::Read, 10, Fault::Answer, 2, 0x04, 0, 2},
                                 {Command::Read, 12, Fault::Answer, 3, 0x11},
                                 {Command::Read, 26, Fault::Answer, 2, 0x03, 0, 2}}));
  std::vector<std::string> lines = logLines(c);
  std::vector<std::string> expected = {
      "読み取りエラー区間: 位置=0 回数=2 直前のATIME=なし 直後のATIME=01:02:00:00 内訳=02/03:2 "
      "センス=02/03/03/00/00:2",
      "読み取りエラー区間: 位置=7 回数=3 直前のATIME=01:02:00:06 直後のATIME=01:02:00:07 "
      "内訳=02/04:2,03/11:1 センス=02/04/04/00/00:2,03/11/01/00/00:1",
      "読み取りエラー区間: 位置=20 回数=2 直前のATIME=01:02:00:13 直後のATIME=なし "
      "内訳=02/03:2 センス=02/03/03/00/00:2",  // frame 19: its frame byte 19 shown in hex
  };
  EXPECT_EQ(withKey(lines, "読み取りエラー区間:"), expected);
  EXPECT_EQ(valueOf(lines, "読み取りエラー区間の数"), "3");
  EXPECT_EQ(valueOf(lines, "読み取りエラーの回数"), "7");
  EXPECT_EQ(valueOf(lines, "正常に読んだフレーム"), "20");
  EXPECT_EQ(lines.back(), "まとめ: テープの終端。読み取りエラー 3 か所、計 7 回");
  // Each stretch is found in the image where the log says: 7 frames before the second.
  EXPECT_EQ(c.image(), tapeOf(20));
}

TEST(CaptureLog, TwoStretchesWithNoTimeBetweenWaitForTheSameTime) {
  // Frames 0-2, reads 4-5 fail, frame 3 (no ATIME), read 7 fails, frames 4-5.
  std::vector<uint8_t> tape = tapeOf(6);
  tape[3 * dat::kFrameSize + dat::kPacksAt + 3 * dat::kPackSize] = 0;  // frame 3's ATIME pack
  Capture c;
  run(c, scriptWith(tape, {{Command::Read, 4, Fault::Answer, 2, 0x03, 0, 2},
                           {Command::Read, 7, Fault::Answer, 3, 0x11}}));
  std::vector<std::string> expected = {
      "読み取りエラー区間: 位置=3 回数=2 直前のATIME=01:02:00:02 直後のATIME=01:02:00:04 "
      "内訳=02/03:2 センス=02/03/03/00/00:2",
      "読み取りエラー区間: 位置=4 回数=1 直前のATIME=01:02:00:02 直後のATIME=01:02:00:04 "
      "内訳=03/11:1 センス=03/11/01/00/00:1",
  };
  EXPECT_EQ(withKey(logLines(c), "読み取りエラー区間:"), expected);
  EXPECT_EQ(c.image(), tape);
}

// Each answer of a stretch with its sense key, ASC and ASCQ, and each code
// named once, after the first stretch that holds it: from the table in the
// log's language, the English where the table has no Japanese, the vendor's
// own and the codes it does not name said so; an answer without sense data
// marked "--".
TEST(CaptureLog, TheDrivesWordsForEachStretch) {
  auto answer = [](int read, int repeat, uint8_t status, uint8_t sense, uint8_t asc, uint8_t ascq) {
    Fault f{Command::Read, read, Fault::Answer, status, sense};
    f.repeat = repeat;
    f.asc = asc;
    f.ascq = ascq;
    return f;
  };
  const std::vector<Fault> faults = {
      answer(1, 2, 2, 0x03, 0x11, 0x00),  answer(6, 1, 2, 0x03, 0x11, 0x00),
      answer(7, 1, 2, 0x03, 0x3B, 0x08),  answer(8, 1, 0x08, 0, 0, 0),
      answer(12, 1, 2, 0x03, 0x82, 0x82), answer(13, 1, 2, 0x04, 0x7F, 0x01)};
  struct Case {
    Language language;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {Language::Japanese,
       {"読み取りエラー区間: 位置=0 回数=2 直前のATIME=なし 直後のATIME=01:02:00:00 内訳=02/03:2 "
        "センス=02/03/03/11/00:2",
        "センスコード: 11/00 回復できない読み取りエラー",
        "読み取りエラー区間: 位置=3 回数=3 直前のATIME=01:02:00:02 直後のATIME=01:02:00:03 "
        "内訳=02/03:2,08/00:1 センス=02/03/03/11/00:1,02/03/03/3B/08:1,08/00/--/--/--:1",
        "センスコード: 3B/08 REPOSITION ERROR",
        "読み取りエラー区間: 位置=6 回数=2 直前のATIME=01:02:00:05 直後のATIME=01:02:00:06 "
        "内訳=02/03:1,02/04:1 センス=02/03/03/82/82:1,02/04/04/7F/01:1",
        "センスコード: 82/82 ベンダー固有のコード", "センスコード: 7F/01 表にないコード"}},
      {Language::English,
       {"Read error stretch: position=0 reads=2 ATIME_before=none ATIME_after=01:02:00:00 "
        "answers=02/03:2 sense=02/03/03/11/00:2",
        "Sense code: 11/00 UNRECOVERED READ ERROR",
        "Read error stretch: position=3 reads=3 ATIME_before=01:02:00:02 "
        "ATIME_after=01:02:00:03 answers=02/03:2,08/00:1 "
        "sense=02/03/03/11/00:1,02/03/03/3B/08:1,08/00/--/--/--:1",
        "Sense code: 3B/08 REPOSITION ERROR",
        "Read error stretch: position=6 reads=2 ATIME_before=01:02:00:05 "
        "ATIME_after=01:02:00:06 answers=02/03:1,02/04:1 sense=02/03/03/82/82:1,02/04/04/7F/01:1",
        "Sense code: 82/82 a code of the vendor's own",
        "Sense code: 7F/01 a code the table does not name"}},
  };
  for (const Case& k : cases) {
    useLanguage(k.language);
    Capture c;
    run(c, scriptWith(tapeOf(10), faults));
    std::vector<std::string> lines;
    for (const std::string& l : logLines(c)) {
      if (l.find("=") != std::string::npos || l.find("Sense code") == 0 ||
          l.find("センスコード") == 0) {
        lines.push_back(l);
      }
    }
    EXPECT_EQ(lines, k.lines);
    EXPECT_EQ(c.image(), tapeOf(10));
  }
  useLanguage(Language::Japanese);
}

TEST(CaptureLog, TheFilterIsCounted) {
  const bool bits[] = {false, false, true, true, true, false, false};
  std::vector<uint8_t> tape;
  for (int k = 0; k < 7; ++k) {
    synth::Frame f = capture_harness::tapeFrame(k, bits[k]);
    tape.insert(tape.end(), f.begin(), f.end());
  }
  Capture c;
  run(c, scriptWith(tape));
  std::vector<std::string> lines = logLines(c);
  EXPECT_EQ(valueOf(lines, "正常に読んだフレーム"), "7");
  EXPECT_EQ(valueOf(lines, "書き込んだフレーム"), "4");
  EXPECT_EQ(valueOf(lines, "フィルターで除いたフレーム"), "3");
  EXPECT_EQ(c.image().size(), 4u * dat::kFrameSize);
}

TEST(CaptureLog, EveryWayACaptureEnds) {
  struct Case {
    const char* reason;
    std::vector<Fault> faults;
    int exitStatus;
    const char* dataMode;
    const char* last;
  };
  const Case cases[] = {
      {"中断",
       {{Command::Read, 5, Fault::Interrupt}},
       1,
       "戻した",
       "まとめ: 中断。読み取りエラーなし"},
      {"読み取り要求の失敗",
       {{Command::Read, 3, Fault::FailControl}},
       1,
       "戻した",
       "まとめ: 読み取り要求の失敗。読み取りエラーなし"},
      {"読み取りエラーの連続",
       {{Command::Read, 2, Fault::Answer, 2, 3, 0, kMaxConsecutiveBadReads}},
       1,
       "戻した",
       "まとめ: 読み取りエラーの連続。読み取りエラー 1 か所、計 20000 回"},
      {"テープの終端",
       {{Command::ModeSelect, 2, Fault::FailControl}},
       1,
       "戻せなかった",
       "まとめ: テープの終端。読み取りエラーなし"},
      {"テープの終端",
       {{Command::ModeSelect, 2, Fault::Answer, 2, 5}},
       1,
       "戻せなかった",
       "まとめ: テープの終端。読み取りエラーなし"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.last);
    Capture c;
    run(c, scriptWith(tapeOf(8), k.faults));
    std::vector<std::string> lines = logLines(c);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(valueOf(lines, "終了理由"), k.reason);
    EXPECT_EQ(valueOf(lines, "データモード"), k.dataMode);
    EXPECT_EQ(valueOf(lines, "終了ステータス"), std::to_string(k.exitStatus));
    EXPECT_EQ(c.exitStatus, k.exitStatus);
    EXPECT_EQ(lines.back(), k.last);
  }
}

// A full disk during the capture, the one test of it: the disk fills at a
// frame's end, inside the next frame, or with the next frame's start still
// in the stream's buffer. The capture says so and ends the usual way (the
// cassette unloaded, data mode back); the image keeps whole frames, the
// tape's first ones; the log counts what the image keeps and every GOOD read.
TEST(CaptureLog, AFullDiskIsTheEnd) {
  std::vector<uint8_t> tape = tapeOf(50);
  for (int64_t beyond : {0, 1000, 4000}) {
    SCOPED_TRACE(beyond);
    testing_support::TempDir dir;
    ASSERT_TRUE(synth::writeFile(dir.file("tape.bin"), tape));
    testing_support::RunOptions options;
    options.env = {"KOVRANT_SIM_TAPE=tape.bin", "KOVRANT_SIM_LOG=sim.log"};
    options.fileSizeLimit = 20 * dat::kFrameSize + beyond;
    testing_support::RunResult r = testing_support::runIn(dir.path(), KOVRANT_SIM_PATH, options);
    EXPECT_EQ(r.exitCode, 1);
    char line[200];
    std::snprintf(line, sizeof line, msg::kImageWriteFailed, "File too large");
    EXPECT_NE(r.out.find(toCp932(line)), std::string::npos);
    std::string ending = toCp932(std::string(msg::kRewinding) + msg::kUnloading +
                                 msg::kSwitchingToData + msg::kSucceeded);
    ASSERT_GE(r.out.size(), ending.size());
    EXPECT_EQ(r.out.substr(r.out.size() - ending.size()), ending);
    std::vector<uint8_t> image = testing_support::readFile(dir.file("KOVRANT.IMG"));
    EXPECT_EQ(image.size(), 20u * dat::kFrameSize);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), tape.begin()));
    std::string log = testing_support::textOf(testing_support::readFile(dir.file("KOVRANT.LOG")));
    EXPECT_NE(log.find("終了理由: イメージの書き込みに失敗\n"), std::string::npos) << log;
    EXPECT_NE(log.find("まとめ: イメージの書き込みに失敗。読み取りエラーなし\n"),
              std::string::npos);
    // The GOOD reads as the drive counts them, and the drive back in data mode.
    std::string driveLog = testing_support::textOf(testing_support::readFile(dir.file("sim.log")));
    std::istringstream drive(driveLog);
    int good = 0;
    for (std::string l; std::getline(drive, l);) {
      if (l.rfind("read ", 0) == 0 && l.find("-> status=00") != std::string::npos) ++good;
    }
    EXPECT_GE(good, 21);
    EXPECT_EQ(valueOf(logLines(dir), "正常に読んだフレーム"), std::to_string(good));
    EXPECT_EQ(valueOf(logLines(dir), "書き込んだフレーム"), "20");
    EXPECT_NE(driveLog.find("end: open=0 opens=1 closes=1 density=13 loaded=0"), std::string::npos);
  }
}

TEST(CaptureLog, ANameThatIsTaken) {
  std::vector<uint8_t> tape = tapeOf(10);
  {  // A directory in the way: said on the console; the capture goes on.
    Capture c;
    ASSERT_EQ(mkdir(c.dir.file("KOVRANT.LOG").c_str(), 0755), 0);
    run(c, scriptWith(tape));
    char line[200];
    std::snprintf(line, sizeof line, msg::kLogCreateFailed, "Is a directory");
    EXPECT_NE(c.out.find(toCp932(std::string(msg::kLoadingRewinding) + line + msg::kReading)),
              std::string::npos);
    EXPECT_EQ(c.exitStatus, 0);
    EXPECT_EQ(c.image(), tape);
  }
  {  // A link to another file: replaced, not written through.
    Capture c;
    ASSERT_TRUE(synth::writeFile(c.dir.file("victim"), {'k', 'e', 'e', 'p'}));
    ASSERT_EQ(symlink(c.dir.file("victim").c_str(), c.dir.file("KOVRANT.LOG").c_str()), 0);
    run(c, scriptWith(tape));
    EXPECT_EQ(testing_support::readFile(c.dir.file("victim")),
              (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(logLines(c).back(), "まとめ: テープの終端。読み取りエラーなし");
  }
}

// A shared directory with the sticky bit and another user's KOVRANT.LOG in
// it: this capture's log goes under a fresh name, and the console says which.
TEST(CaptureLog, AnotherUsersLogInASharedDirectory) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  testing_support::TempDir top;
  std::string shared = top.file("shared");
  ASSERT_EQ(chmod(top.path().c_str(), 0755), 0);
  ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  std::vector<uint8_t> tape = tapeOf(10);
  ASSERT_TRUE(synth::writeFile(shared + "/tape.bin", tape));
  const std::vector<uint8_t> theirs = {'t', 'h', 'e', 'i', 'r', 's'};
  ASSERT_TRUE(synth::writeFile(shared + "/KOVRANT.LOG", theirs));
  ASSERT_EQ(chown((shared + "/KOVRANT.LOG").c_str(), 4242, 4242), 0);
  // The program where the other user can reach it (the build tree may not be).
  std::string program = top.file("kovrant-sim");
  ASSERT_TRUE(synth::writeFile(program, testing_support::readFile(KOVRANT_SIM_PATH)));
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  testing_support::RunOptions options;
  options.env = {"KOVRANT_SIM_TAPE=tape.bin"};
  options.uid = 4343;
  testing_support::RunResult r = testing_support::runIn(shared, program, options);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(testing_support::readFile(shared + "/KOVRANT.LOG"), theirs);
  char line[300];
  std::snprintf(line, sizeof line, msg::kLogElsewhere, "Operation not permitted", "KOVRANT-1.LOG");
  EXPECT_NE(r.out.find(toCp932(std::string(msg::kLoadingRewinding) + line + msg::kReading)),
            std::string::npos);
  std::string log = testing_support::textOf(testing_support::readFile(shared + "/KOVRANT-1.LOG"));
  EXPECT_EQ(log.rfind("プログラム: KOVRANT", 0), 0u) << log;
  EXPECT_NE(log.find("まとめ: テープの終端。読み取りエラーなし\n"), std::string::npos) << log;
  EXPECT_EQ(testing_support::readFile(shared + "/KOVRANT.IMG"), tape);
}

TEST(CaptureLog, NoCassetteNoLog) {
  Capture c;
  sim::Script s = scriptWith(tapeOf(3));
  s.insertAfter = 180;
  run(c, s);
  EXPECT_FALSE(testing_support::fileExists(c.dir.file("KOVRANT.LOG")));
}

}  // namespace
