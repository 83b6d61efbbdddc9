// The dumper run against the simulated drive: console bytes, the requests
// the drive saw, the drive's mode at the end and the image, frame for frame.
#include "capture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture_harness.h"
#include "drive_model.h"
#include "dumper_messages.h"
#include "frame_builder.h"
#include "language.h"
#include "pass_through.h"
#include "test_support.h"

namespace {

using capture_harness::Capture;
using capture_harness::framesOf;
using capture_harness::run;
using capture_harness::scriptWith;
using capture_harness::tapeFrame;
using capture_harness::tapeOf;
using sim::Command;
using sim::Fault;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::toCp932;

const std::string kSystemNotFound = std::string(sim::windowsErrorText(sim::kFileNotFound)) + "\n";
const std::string kSystemIoError = std::string(sim::windowsErrorText(sim::kIoDevice)) + "\n";

std::string atime(int h, int m, int s, int f) {
  char buf[64];
  std::snprintf(buf, sizeof buf, msg::kAtime, h >> 4, h & 15, m >> 4, m & 15, s >> 4, s & 15,
                f >> 4, f & 15);
  return buf;
}

std::string atimeOf(int k) {
  return atime(0x01, 0x02, k / 34, k % 34);
}

const std::string kBanner = toCp932(msg::kKovrantBanner);
const std::string kIdLine = std::string(pt::kSupportedDrive) + "\n";
const std::string kToAudio = kBanner + kIdLine + toCp932(msg::kSwitchingToAudio);
const std::string kAudioOk = kToAudio + toCp932(msg::kSucceededLine);
const std::string kToData = toCp932(msg::kSwitchingToData);
const std::string kDataOk = kToData + toCp932(msg::kSucceeded);
const std::string kArrival = toCp932(std::string(msg::kLoadingRewinding) + msg::kReading);
const std::string kClosing = toCp932(std::string(msg::kRewinding) + msg::kUnloading);

std::string displays(int first, int last) {
  std::string s;
  for (int k = first; k <= last; ++k) s += atimeOf(k);
  return s;
}

void expectDataModeAndClosed() {
  EXPECT_EQ(sim::state().density, 0x13);
  EXPECT_FALSE(sim::state().open);
  EXPECT_EQ(sim::state().closes, 1);
  for (const sim::Request& r : sim::requests()) EXPECT_TRUE(r.wellFormed);
}

int countOf(Command c) {
  int n = 0;
  for (const sim::Request& r : sim::requests()) n += r.command == c;
  return n;
}

TEST(Capture, WholeTape) {
  std::vector<uint8_t> tape = tapeOf(40);
  Capture c;
  run(c, scriptWith(tape));
  EXPECT_EQ(c.out,
            kAudioOk + kArrival + displays(0, 39) + toCp932(msg::kEndOfTape) + kClosing + kDataOk);
  EXPECT_EQ(c.err, toCp932(msg::kInsertCassette));
  EXPECT_EQ(c.exitStatus, 0);
  EXPECT_EQ(c.image(), tape);
  expectDataModeAndClosed();
  EXPECT_FALSE(sim::state().loaded);                 // unloaded
  EXPECT_EQ(sim::state().sleptMilliseconds, 3000u);  // three polls before the cassette
  // The order of the requests.
  std::vector<Command> expected = {Command::ModeSense, Command::ModeSelect, Command::ModeSense};
  for (int k = 0; k < 4; ++k) expected.push_back(Command::TestUnitReady);
  expected.push_back(Command::Rewind);
  expected.push_back(Command::TestUnitReady);
  for (int k = 0; k < 41; ++k) expected.push_back(Command::Read);
  for (Command x : {Command::Rewind, Command::Unload, Command::ModeSelect}) expected.push_back(x);
  std::vector<Command> seen;
  for (const sim::Request& r : sim::requests()) seen.push_back(r.command);
  EXPECT_EQ(seen, expected);
}

TEST(Capture, BlankTapeAtOnceLeavesAnEmptyImage) {
  Capture c;
  run(c, scriptWith({}));
  EXPECT_EQ(c.out, kAudioOk + kArrival + toCp932(msg::kEndOfTape) + kClosing + kDataOk);
  EXPECT_EQ(c.exitStatus, 0);
  ASSERT_TRUE(c.hasImage());
  EXPECT_TRUE(c.image().empty());
  expectDataModeAndClosed();
}

TEST(Capture, TapeDeviceCannotBeOpened) {
  Capture c;
  run(c, scriptWith(tapeOf(2), {{Command::Open, 1, Fault::FailControl}}));
  EXPECT_EQ(c.out, kBanner + toCp932(msg::kTapeOpenFailed) + kSystemNotFound);
  EXPECT_EQ(c.err, "");
  EXPECT_NE(c.exitStatus, 0);
  EXPECT_EQ(sim::state().closes, 0);  // nothing to close
  EXPECT_TRUE(sim::requests().empty());
}

TEST(Capture, InquiryFails) {
  Capture c;
  run(c, scriptWith(tapeOf(2), {{Command::Inquiry, 1, Fault::FailControl}}));
  EXPECT_EQ(c.out, kBanner + toCp932(msg::kInquiryFailed) + kSystemIoError);
  EXPECT_NE(c.exitStatus, 0);
  EXPECT_EQ(sim::state().closes, 1);
  EXPECT_FALSE(sim::state().open);
  EXPECT_TRUE(sim::requests().empty());
}

TEST(Capture, OtherDrivesAreRefused) {
  struct Case {
    std::string id, shown;
  };
  const Case cases[] = {
      {"SONY    SDT-9000        12.1", "SONY    SDT-9000        12.1"},
      {"SONY    SDT-7000        12.2", "SONY    SDT-7000        12.2"},
      {std::string("SONY\0   SDT-9000        12.2", 28), "SONY"},
      {"HP      C1537A          L708", "HP      C1537A          L708"},
  };
  for (const Case& k : cases) {
    Capture c;
    sim::Script s = scriptWith(tapeOf(2));
    s.identification = k.id;
    run(c, s);
    EXPECT_EQ(c.out, kBanner + k.shown + "\n" + toCp932(msg::kDriveNotSupported));
    EXPECT_NE(c.exitStatus, 0);
    EXPECT_EQ(sim::state().closes, 1);
    EXPECT_TRUE(sim::requests().empty());
  }
}

TEST(Capture, FailedProbeEndsTheRun) {
  Capture c;
  run(c, scriptWith(tapeOf(2), {{Command::ModeSense, 1, Fault::FailControl}}));
  EXPECT_EQ(c.out, kBanner + kIdLine + kSystemIoError);
  EXPECT_EQ(c.err, "");
  EXPECT_NE(c.exitStatus, 0);
  EXPECT_EQ(sim::state().closes, 1);
  EXPECT_EQ(sim::requests().size(), 1u);
  EXPECT_FALSE(c.hasImage());
}

TEST(Capture, FailedAudioModeRequestsStillRestoreDataMode) {
  struct Case {
    const char* what;
    Fault fault;
  };
  const Case cases[] = {
      {"audio mode", {Command::ModeSelect, 1, Fault::FailControl}},
      {"check", {Command::ModeSense, 2, Fault::FailControl}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Capture c;
    run(c, scriptWith(tapeOf(2), {k.fault}));
    EXPECT_EQ(c.out, kToAudio + kSystemIoError + kDataOk);
    EXPECT_EQ(c.err, "");
    EXPECT_NE(c.exitStatus, 0);
    EXPECT_EQ(countOf(Command::TestUnitReady), 0);
    EXPECT_FALSE(c.hasImage());
    expectDataModeAndClosed();
    EXPECT_EQ(sim::requests().back().command, Command::ModeSelect);
  }
}

TEST(Capture, DriveThatDoesNotTakeAudioMode) {
  Capture c;
  sim::Script s = scriptWith(tapeOf(2));
  s.takesAudioMode = false;
  run(c, s);
  EXPECT_EQ(c.out, kToAudio + toCp932(msg::kAudioModeFailed) + kDataOk);
  EXPECT_EQ(c.err, "");  // no prompt
  EXPECT_NE(c.exitStatus, 0);
  EXPECT_FALSE(c.hasImage());
  expectDataModeAndClosed();
  EXPECT_EQ(countOf(Command::ModeSelect), 2);
}

TEST(Capture, ShortModeSenseFailsTheCheck) {
  Capture c;
  run(c, scriptWith(tapeOf(2), {{Command::ModeSense, 2, Fault::Answer, 0, 0}}));
  EXPECT_EQ(c.out, kToAudio + toCp932(msg::kAudioModeFailed) + kDataOk);
  expectDataModeAndClosed();
}

TEST(Capture, WaitRunsOutAfter180Polls) {
  const int insertAfter[] = {179, 180};
  for (int after : insertAfter) {
    SCOPED_TRACE(after);
    Capture c;
    ASSERT_TRUE(synth::writeFile(c.imagePath(), {1, 2, 3}));
    sim::Script s = scriptWith(tapeOf(3));
    s.insertAfter = after;
    run(c, s);
    if (after == 179) {  // the 180th poll still finds the cassette
      EXPECT_EQ(c.out, kAudioOk + kArrival + displays(0, 2) + toCp932(msg::kEndOfTape) + kClosing +
                           kDataOk);
      EXPECT_EQ(c.exitStatus, 0);
      EXPECT_EQ(sim::state().sleptMilliseconds, 179000u);
    } else {
      EXPECT_EQ(c.out, kAudioOk + kDataOk);
      EXPECT_NE(c.exitStatus, 0);
      EXPECT_EQ(countOf(Command::TestUnitReady), 180);
      EXPECT_EQ(sim::state().sleptMilliseconds, 180000u);
      EXPECT_EQ(c.image(), (std::vector<uint8_t>{1, 2, 3}));  // left as it was
    }
    EXPECT_EQ(c.err, toCp932(msg::kInsertCassette));
    expectDataModeAndClosed();
  }
}

TEST(Capture, FailedPollsCountAsPolls) {
  Capture c;
  sim::Script s =
      scriptWith(tapeOf(2), {{Command::TestUnitReady, 1, Fault::FailControl, 0, 0, 0, 2}});
  s.insertAfter = 0;
  run(c, s);
  EXPECT_EQ(c.out,
            kAudioOk + kArrival + displays(0, 1) + toCp932(msg::kEndOfTape) + kClosing + kDataOk);
  EXPECT_EQ(sim::state().sleptMilliseconds, 2000u);
  EXPECT_EQ(c.exitStatus, 0);
}

TEST(Capture, FailedRewindAndTestAtArrivalDoNotStopTheCapture) {
  Capture c;
  run(c, scriptWith(tapeOf(3), {{Command::Rewind, 1, Fault::FailControl},
                                {Command::TestUnitReady, 5, Fault::FailControl}}));
  EXPECT_EQ(c.out,
            kAudioOk + kArrival + displays(0, 2) + toCp932(msg::kEndOfTape) + kClosing + kDataOk);
  EXPECT_EQ(c.exitStatus, 0);
  EXPECT_EQ(c.image(), tapeOf(3));
}

TEST(Capture, ImageThatCannotBeCreated) {
  Capture c;
  ASSERT_EQ(mkdir(c.imagePath().c_str(), 0755), 0);  // a directory in the way
  run(c, scriptWith(tapeOf(3)));
  char line[200];
  std::snprintf(line, sizeof line, msg::kImageCreateFailed, "Is a directory");
  EXPECT_EQ(c.out, kAudioOk + toCp932(msg::kLoadingRewinding) + toCp932(line) + kDataOk);
  EXPECT_NE(c.exitStatus, 0);
  // The wait went on to 180 polls in all, counting those before the cassette.
  EXPECT_EQ(countOf(Command::TestUnitReady), 180 + 1);
  EXPECT_EQ(sim::state().sleptMilliseconds, 180000u);
  EXPECT_EQ(countOf(Command::Read), 0);
  expectDataModeAndClosed();
}

TEST(Capture, ReadRequestFails) {
  std::vector<uint8_t> tape = tapeOf(5);
  Capture c;
  run(c, scriptWith(tape, {{Command::Read, 3, Fault::FailControl}}));
  EXPECT_EQ(c.out,
            kAudioOk + kArrival + displays(0, 1) + toCp932(msg::kReadFailed) + kClosing + kDataOk);
  EXPECT_NE(c.exitStatus, 0);
  EXPECT_EQ(c.image(), framesOf(tape, {0, 1}));
  expectDataModeAndClosed();
  EXPECT_FALSE(sim::state().loaded);
}

TEST(Capture, NonGoodReadsArePassedOver) {
  std::vector<uint8_t> tape = tapeOf(4);
  Capture c;
  run(c, scriptWith(tape, {{Command::Read, 2, Fault::Answer, 2, 3},
                           {Command::Read, 3, Fault::Answer, 2, 6},     // not the end
                           {Command::Read, 4, Fault::Answer, 2, 0x48},  // BLANK CHECK + EOM
                           {Command::Read, 5, Fault::Answer, 8, 0}}));
  EXPECT_EQ(c.out,
            kAudioOk + kArrival + displays(0, 3) + toCp932(msg::kEndOfTape) + kClosing + kDataOk);
  EXPECT_EQ(c.exitStatus, 0);
  EXPECT_EQ(c.image(), tape);
}

TEST(Capture, GoodStatusCountsWhateverTheSense) {
  // Status GOOD with a sense byte and no data: the unchanged buffer is a
  // good frame again.
  std::vector<uint8_t> tape = tapeOf(3);
  Capture c;
  run(c, scriptWith(tape, {{Command::Read, 2, Fault::Answer, 0, 0x0B}}));
  EXPECT_EQ(c.out, kAudioOk + kArrival + atimeOf(0) + atimeOf(0) + displays(1, 2) +
                       toCp932(msg::kEndOfTape) + kClosing + kDataOk);
  EXPECT_EQ(c.image(), framesOf(tape, {0, 0, 1, 2}));
}

TEST(Capture, DataModeRequestFails) {
  Capture c;
  run(c, scriptWith(tapeOf(1), {{Command::ModeSelect, 2, Fault::FailControl}}));
  EXPECT_EQ(c.out, kAudioOk + kArrival + displays(0, 0) + toCp932(msg::kEndOfTape) + kClosing +
                       kToData + kSystemIoError);
  EXPECT_NE(c.exitStatus, 0);
  EXPECT_EQ(sim::state().closes, 1);
  EXPECT_EQ(sim::state().density, 0x80);
}

TEST(Capture, DataModeAnsweredWithAnErrorIsReported) {
  // The data-mode request is carried out, but the drive refuses it.
  struct Case {
    uint8_t status, sense;
  };
  const Case cases[] = {{2, 0x05}, {2, 0x45}, {0x08, 0}};
  for (const Case& k : cases) {
    Capture c;
    run(c, scriptWith(tapeOf(2), {{Command::ModeSelect, 2, Fault::Answer, k.status, k.sense}}));
    char refused[300];
    std::snprintf(refused, sizeof refused, msg::kDataModeRefused, k.status, k.sense);
    EXPECT_EQ(c.out, kAudioOk + kArrival + displays(0, 1) + toCp932(msg::kEndOfTape) + kClosing +
                         kDataOk + toCp932(refused));
    EXPECT_EQ(c.exitStatus, 1);
    EXPECT_EQ(sim::state().density, 0x80);  // still in audio mode
    EXPECT_EQ(c.image(), tapeOf(2));
  }
}

TEST(Capture, CassetteInBeforeTheRunIsNamed) {
  // Something took the cassette's arrival before the run: every poll is GOOD.
  Capture c;
  sim::Script s = scriptWith(tapeOf(2), {{Command::TestUnitReady, 1, Fault::Answer, 0, 0, 0, 180}});
  s.insertAfter = 0;
  run(c, s);
  EXPECT_EQ(c.out, kAudioOk + toCp932(msg::kCassetteAlreadyIn) + kDataOk);
  EXPECT_EQ(c.err, toCp932(msg::kInsertCassette));
  EXPECT_EQ(c.exitStatus, 1);
  EXPECT_EQ(countOf(Command::TestUnitReady), 180);
  EXPECT_FALSE(c.hasImage());
  expectDataModeAndClosed();
}

TEST(Capture, PollsThatAllFailedSayNothingOfACassette) {
  // Every poll fails: the status left is the GOOD of the audio-mode check.
  Capture c;
  sim::Script s =
      scriptWith(tapeOf(2), {{Command::TestUnitReady, 1, Fault::FailControl, 0, 0, 0, 180}});
  run(c, s);
  EXPECT_EQ(c.out, kAudioOk + kDataOk);
  EXPECT_EQ(c.exitStatus, 1);
  EXPECT_EQ(countOf(Command::TestUnitReady), 180);
  expectDataModeAndClosed();
}

TEST(Capture, FilterThroughTheRun) {
  // Filter bits 0,0,1,1,1,0,0 with a non-GOOD read between the fourth and
  // fifth frames: frames 0, 1, 2 and 6 are written.
  const bool bits[] = {false, false, true, true, true, false, false};
  std::vector<uint8_t> tape;
  for (int k = 0; k < 7; ++k) {
    synth::Frame f = tapeFrame(k, bits[k]);
    tape.insert(tape.end(), f.begin(), f.end());
  }
  Capture c;
  run(c, scriptWith(tape, {{Command::Read, 5, Fault::Answer, 2, 3}}));
  EXPECT_EQ(c.image(), framesOf(tape, {0, 1, 2, 6}));
  // Frames not written still show their time.
  EXPECT_EQ(c.out,
            kAudioOk + kArrival + displays(0, 6) + toCp932(msg::kEndOfTape) + kClosing + kDataOk);
}

TEST(Capture, Interrupts) {
  struct Case {
    const char* what;
    Fault fault;
    std::string out;
    std::vector<int> written;
  };
  const Case cases[] = {
      {"during the wait",
       {Command::TestUnitReady, 2, Fault::Interrupt},
       kAudioOk + toCp932(msg::kInterrupted) + kDataOk,
       {}},
      {"during the capture",
       {Command::Read, 3, Fault::Interrupt},
       kAudioOk + kArrival + displays(0, 2) + toCp932(msg::kInterrupted) + kClosing + kDataOk,
       {0, 1, 2}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::vector<uint8_t> tape = tapeOf(6);
    Capture c;
    run(c, scriptWith(tape, {k.fault}));
    EXPECT_EQ(c.out, k.out);
    EXPECT_NE(c.exitStatus, 0);
    expectDataModeAndClosed();
    if (k.written.empty()) {
      EXPECT_FALSE(c.hasImage());
    } else {
      EXPECT_EQ(c.image(), framesOf(tape, k.written));
      EXPECT_FALSE(sim::state().loaded);
    }
  }
}

TEST(Capture, EndlessReadErrorsEndTheCapture) {
  std::vector<uint8_t> tape = tapeOf(3);
  Capture c;
  run(c, scriptWith(tape, {{Command::Read, 2, Fault::Answer, 2, 3, 0, kMaxConsecutiveBadReads}}));
  char line[200];
  std::snprintf(line, sizeof line, msg::kTooManyReadErrors, kMaxConsecutiveBadReads);
  EXPECT_EQ(c.out, kAudioOk + kArrival + displays(0, 0) + toCp932(line) + kClosing + kDataOk);
  EXPECT_NE(c.exitStatus, 0);
  EXPECT_EQ(c.image(), framesOf(tape, {0}));
  expectDataModeAndClosed();
}

TEST(Capture, ReadErrorsJustShortOfTheBoundRecover) {
  std::vector<uint8_t> tape = tapeOf(3);
  Capture c;
  run(c,
      scriptWith(tape, {{Command::Read, 2, Fault::Answer, 2, 3, 0, kMaxConsecutiveBadReads - 1}}));
  EXPECT_EQ(c.out,
            kAudioOk + kArrival + displays(0, 2) + toCp932(msg::kEndOfTape) + kClosing + kDataOk);
  EXPECT_EQ(c.exitStatus, 0);
  EXPECT_EQ(c.image(), tape);
}

struct FilterCase {
  std::vector<int> bits;
  std::vector<bool> written;
};

TEST(CaptureFilter, Sequences) {
  const FilterCase cases[] = {
      {{0, 0, 1, 1, 1, 0, 0}, {true, true, true, false, false, false, true}},
      {{0, 1, 0, 0}, {true, true, true, true}},
      {{1, 0, 1}, {true, true, false}},
      {{1, 1}, {true, false}},
      {{1, 0, 0, 1, 0, 1}, {true, true, true, true, true, false}},
  };
  for (const FilterCase& c : cases) {
    CaptureFilter filter;
    std::vector<bool> written;
    for (int bit : c.bits) {
      synth::Frame f = synth::blankFrame();
      f[dat::kMainId1At] = static_cast<uint8_t>(bit ? 0xF7 | 0x08 : 0xF7);  // only bit 3 counts
      written.push_back(filter.pass(dat::frameAt(f.data())));
    }
    EXPECT_EQ(written, c.written);
  }
}

TEST(Atime, Display) {
  synth::Frame f = synth::blankFrame();
  testing::internal::CaptureStdout();
  showAtime(dat::frameAt(f.data()));  // no ATIME pack: nothing
  synth::setAtime(f, 1, 0x01, 0x23, 0x45, 0x12);
  synth::setAtime(f, 4, 0xA1, 0x59, 0xA9, 0x33);
  showAtime(dat::frameAt(f.data()));  // packs 1 and 4, in that order
  synth::setPackCount(f, 3);
  showAtime(dat::frameAt(f.data()));  // only packs 0-2 are looked at
  synth::setPackCount(f, 15);
  f[dat::kSubId0At] = 0x20;           // would look like an ATIME pack in an eighth slot
  showAtime(dat::frameAt(f.data()));  // never beyond pack 6
  f[dat::kPacksAt + 8] = 0x2F;        // item 2 whatever the low nibble
  f[dat::kPacksAt + 32] = 0x30;       // item 3 is no ATIME pack
  showAtime(dat::frameAt(f.data()));
  std::string out = testing::internal::GetCapturedStdout();
  const std::string one = "\rATIME=01:23:45:12 ";
  const std::string four = "\rATIME=a1:59:109:33 ";  // the tens of seconds in decimal
  EXPECT_EQ(out, one + four + one + one + four + one);
}

// The terminal's line: what it shows before any time, at the most it shows
// (never wider than 79 columns), and how far along with the time left at
// the pace so far.
TEST(Atime, TheTerminalsLine) {
  struct Case {
    Progress p;
    const char *japanese, *english;
  };
  const Case cases[] = {
      {{},
       "ATIME=--:--:--:-- 経過0:00:00 フレーム0 エラー区間0",
       "ATIME=--:--:--:-- elapsed 0:00:00 frames 0 unread 0"},
      {{"a1:59:109:33", 99999999, 5000000, 123456, 180, 0, 400000},
       "ATIME=a1:59:109:33 経過9:59:59 フレーム999999 エラー区間99999 100% 残り0:00:00",
       "ATIME=a1:59:109:33 elapsed 9:59:59 frames 999999 unread 99999 100% left 0:00:00"},
      {{"00:30:00:00", 1800000, 60000, 1, 60, 0, 60000},
       "ATIME=00:30:00:00 経過0:30:00 フレーム60000 エラー区間1 50% 残り0:30:00",
       "ATIME=00:30:00:00 elapsed 0:30:00 frames 60000 unread 1 50% left 0:30:00"},
      {{"00:00:00:05", 150, 1, 0, 120, 5, 5},
       "ATIME=00:00:00:05 経過0:00:00 フレーム1 エラー区間0 0%",
       "ATIME=00:00:00:05 elapsed 0:00:00 frames 1 unread 0 0%"},
  };
  for (const Case& c : cases) {
    for (Language l : {Language::Japanese, Language::English}) {
      useLanguage(l);
      std::string line = progressLine(c.p, "  ");
      EXPECT_EQ(line, std::string("\r") + (l == Language::English ? c.english : c.japanese) + "  ");
      EXPECT_LE(columnsOf(line), kWidestLine + 2);
    }
  }
  useLanguage(Language::Japanese);
}

}  // namespace
