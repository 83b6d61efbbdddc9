// The dumper programs as a user runs them: kovrant-sim from a synthesized
// tape to the image and on through SELTHIX to WAV files, and the real
// KOVRANT on a machine without a tape drive. (A full disk during the
// capture: capture_log_test.)
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "drive_model.h"
#include "dumper_messages.h"
#include "frame_builder.h"
#include "pass_through.h"
#include "test_support.h"
#include "usage_messages.h"

namespace {

using testing_support::readFile;
using testing_support::runIn;
using testing_support::RunOptions;
using testing_support::TempDir;
using testing_support::toCp932;

const std::string kKovrantSim = KOVRANT_SIM_PATH;
const std::string kKovrant = KOVRANT_PATH;
const std::string kSelthix = SELTHIX_PATH;

std::vector<uint8_t> sampleTape() {
  return testing_support::recording(11, 3, 1500);
}

// The simulated drive's request log of a run in `dir`.
std::string simLog(const TempDir& dir) {
  return testing_support::textOf(readFile(dir.file("sim.log")));
}

TEST(KovrantSim, TapeToImageToWav) {
  TempDir dir;
  std::vector<uint8_t> tape = sampleTape();
  ASSERT_TRUE(synth::writeFile(dir.file("tape.bin"), tape));
  RunOptions options;
  options.env = {"KOVRANT_SIM_TAPE=tape.bin", "KOVRANT_SIM_LOG=sim.log"};
  options.mergeOutput = true;
  testing_support::RunResult r = runIn(dir.path(), kKovrantSim, options);
  EXPECT_EQ(r.exitCode, 0);
  // The prompt on standard error comes between the audio-mode line and the arrival.
  std::string expectedStart = toCp932(
      std::string(msg::kKovrantBanner) + pt::kSupportedDrive + "\n" + msg::kSwitchingToAudio +
      msg::kSucceededLine + msg::kInsertCassette + msg::kLoadingRewinding + msg::kReading);
  EXPECT_EQ(r.out.substr(0, expectedStart.size()), expectedStart);
  std::string expectedEnd = toCp932(std::string(msg::kEndOfTape) + msg::kRewinding +
                                    msg::kUnloading + msg::kSwitchingToData + msg::kSucceeded);
  ASSERT_GE(r.out.size(), expectedEnd.size());
  EXPECT_EQ(r.out.substr(r.out.size() - expectedEnd.size()), expectedEnd);
  EXPECT_EQ(readFile(dir.file("KOVRANT.IMG")), tape);
  EXPECT_NE(simLog(dir).find("end: open=0 opens=1 closes=1 density=13 loaded=0"),
            std::string::npos);
  EXPECT_EQ(simLog(dir).find("MALFORMED"), std::string::npos);

  // On through the converter: the same files as from the tape itself.
  testing_support::RunResult s = runIn(dir.path(), kSelthix);
  EXPECT_EQ(s.exitCode, 0);
  TempDir direct;
  ASSERT_TRUE(synth::writeFile(direct.file("KOVRANT.IMG"), tape));
  testing_support::RunResult d = runIn(direct.path(), kSelthix);
  EXPECT_EQ(s.out, d.out);
  int wavs = 0;
  for (const std::string& name : testing_support::listDir(direct.path())) {
    if (name.find(".wav") == std::string::npos) continue;
    ++wavs;
    std::vector<uint8_t> bytes = readFile(dir.file(name));
    EXPECT_TRUE(testing_support::wellFormedWav(bytes)) << name;
    EXPECT_EQ(bytes, readFile(direct.file(name))) << name;
  }
  EXPECT_GE(wavs, 3);
}

TEST(KovrantSim, SettingsItCannotUnderstand) {
  TempDir dir;
  RunOptions options;
  options.env = {"KOVRANT_SIM_FAULTS=read#x=fail"};
  testing_support::RunResult r = runIn(dir.path(), kKovrantSim, options);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("KOVRANT_SIM_FAULTS"), std::string::npos);
}

// kovrant-sim in `dir` with the sample tape among the drives `drives`, with
// further settings `env` and arguments `args`; its request log in sim.log.
testing_support::RunResult runAmongDrives(const TempDir& dir, const std::string& drives,
                                          const std::vector<std::string>& env,
                                          const std::vector<std::string>& args = {}) {
  EXPECT_TRUE(synth::writeFile(dir.file("tape.bin"), sampleTape()));
  RunOptions options;
  options.env = {"KOVRANT_SIM_TAPE=tape.bin", "KOVRANT_SIM_DRIVES=" + drives,
                 "KOVRANT_SIM_LOG=sim.log"};
  options.env.insert(options.env.end(), env.begin(), env.end());
  options.args = args;
  return runIn(dir.path(), kKovrantSim, options);
}

// Which drive a run uses: the first supported one of several, the one named
// by --device or TAPE (the option first), and the first when none is.
TEST(KovrantSim, ChoosingAmongSeveralDrives) {
  const std::string lto = "HP      Ultrium 5-SCSI  Z6ED";
  const std::string acme = "ACME    TAPE-0000       0.01";
  struct Case {
    const char* what;
    std::string drives;  // KOVRANT_SIM_DRIVES ("-": the drive with the tape)
    std::string id;      // KOVRANT_SIM_ID, the identification of the drive with the tape
    std::vector<std::string> args, env;
    std::string said;   // the device line's name; empty: no line
    std::string shown;  // the identification shown; empty: the open failed
    bool captured;
  };
  const std::string dat = pt::kSupportedDrive;
  const Case cases[] = {
      {"the supported drive second", lto + ",-", dat, {}, {}, "tape1", dat, true},
      {"the supported drive first of two", "-," + lto, dat, {}, {}, "tape0", dat, true},
      {"none supported: the first", lto + "," + acme + ",-", acme, {}, {}, "tape0", lto, false},
      {"--device wins over the search",
       lto + ",-",
       dat,
       {"--device", "tape0"},
       {},
       "tape0",
       lto,
       false},
      {"TAPE wins over the search", lto + ",-", dat, {}, {"TAPE=tape0"}, "tape0", lto, false},
      {"--device wins over TAPE",
       lto + ",-",
       dat,
       {"--device=tape1"},
       {"TAPE=tape0"},
       "tape1",
       dat,
       true},
      {"--device with one drive", "-", dat, {"--device", "tape0"}, {}, "tape0", dat, true},
      {"--device that cannot be opened", "-", dat, {"--device", "tape7"}, {}, "", "", false},
      {"a first drive that cannot be opened",
       lto + ",-",
       dat,
       {},
       {"KOVRANT_SIM_FAULTS=open#1=fail"},
       "tape1",
       dat,
       true},
      {"none supported, the first cannot be opened",
       "-," + lto,
       acme,
       {},
       {"KOVRANT_SIM_FAULTS=open#1=fail,open#3=fail"},
       "",
       "",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::vector<std::string> env = c.env;
    env.push_back("KOVRANT_SIM_ID=" + c.id);
    testing_support::RunResult r = runAmongDrives(dir, c.drives, env, c.args);
    std::string start = toCp932(msg::kKovrantBanner);
    if (c.shown.empty()) {
      start += toCp932(msg::kTapeOpenFailed) + "The system cannot find the file specified.\n";
    } else {
      char line[80];
      std::snprintf(line, sizeof line, msg::kTapeDevice, c.said.c_str());
      start += toCp932(line) + c.shown + "\n";
      if (!c.captured) start += toCp932(msg::kDriveNotSupported);
    }
    EXPECT_EQ(r.out.substr(0, start.size()), start);
    if (!c.captured) {
      EXPECT_EQ(r.out.size(), start.size());
    }
    EXPECT_EQ(r.exitCode, c.captured ? 0 : 1);
    EXPECT_EQ(testing_support::fileExists(dir.file("KOVRANT.IMG")), c.captured);
    if (c.captured) {
      EXPECT_NE(simLog(dir).find("end: open=0 opens=1 closes=1 density=13 loaded=0"),
                std::string::npos);
      std::string log = testing_support::textOf(readFile(dir.file("KOVRANT.LOG")));
      EXPECT_NE(log.find("\nデバイス: " + c.said + "\n"), std::string::npos) << log;
    }
  }
}

// When no drive that opened is the supported one, a drive that could not be
// opened may be it: each is named with the system's reason, after the first
// drive's refusal. Nothing is asked of any drive beyond its identification.
TEST(KovrantSim, ADriveThatCannotBeOpenedIsNamedWithTheReason) {
  const std::string lto = "HP      Ultrium 5-SCSI  Z6ED";
  const std::string busy = std::string(sim::windowsErrorText(sim::kBusy)) + "\n";
  const std::string denied = std::string(sim::windowsErrorText(sim::kAccessDenied)) + "\n";
  auto line = [](const char* format, const char* device) {
    char text[256];
    std::snprintf(text, sizeof text, format, device);
    return toCp932(text);
  };
  const std::string firstRefused =
      line(msg::kTapeDevice, "tape0") + lto + "\n" + toCp932(msg::kDriveNotSupported);
  struct Case {
    const char* what;
    std::string drives, faults;
    std::string console;  // after the banner
  };
  const Case cases[] = {
      {"the supported drive second, in use", lto + ",-", "open#2=busy",
       firstRefused + line(msg::kDriveOpenFailed, "tape1") + busy},
      {"the supported drive second, not permitted", lto + ",-", "open#2=denied",
       firstRefused + line(msg::kDriveOpenFailed, "tape1") + denied},
      {"the first cannot be opened either", lto + ",-," + lto,
       "open#1=denied,open#2=busy,open#4=denied",
       toCp932(msg::kTapeOpenFailed) + denied + line(msg::kDriveOpenFailed, "tape1") + busy},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    testing_support::RunResult r =
        runAmongDrives(dir, c.drives, {"KOVRANT_SIM_FAULTS=" + c.faults});
    EXPECT_EQ(r.out, toCp932(msg::kKovrantBanner) + c.console);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(testing_support::fileExists(dir.file("KOVRANT.IMG")));
    EXPECT_EQ(simLog(dir), "end: open=0 opens=0 closes=0 density=13 loaded=0\n");
  }
}

// --tape and --length refused: a line on standard error, status 2, and
// nothing else, not even the drive opened (no request log); taken: the tape
// named in the log (only then) and in the record.
TEST(KovrantSim, TheTapeAndTheCassettesLengthOnTheCommandLine) {
  auto tape = [](const std::string& value) {
    char line[300];
    std::snprintf(line, sizeof line, msg::kTapeIdRefused, "KOVRANT", value.c_str(), size_t{32});
    return std::string(line);
  };
  auto length = [](const char* value) {
    char line[300];
    std::snprintf(line, sizeof line, msg::kLengthRefused, "KOVRANT", value, 60, 180);
    return std::string(line);
  };
  struct Case {
    std::vector<std::string> args;
    std::string refusal;  // empty: taken
    std::string tape;     // taken: the tape's identity, if any
  };
  const Case cases[] = {
      {{"--tape", std::string(33, 'a')}, tape(std::string(33, 'a')), ""},
      {{"--tape=-x"}, tape("-x"), ""},
      {{"--length", "59"}, length("59"), ""},
      {{"--length=181"}, length("181"), ""},
      {{"--length", "1e2"}, length("1e2"), ""},
      {{"--tape", "A-17", "--length", "0"}, length("0"), ""},
      {{"--tape", "shelf-3.A_12", "--length", "180"}, "", "shelf-3.A_12"},
      {{"--length", "0060"}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    TempDir dir;
    testing_support::RunResult r = runAmongDrives(dir, "-", {}, c.args);
    if (!c.refusal.empty()) {
      EXPECT_EQ(r.exitCode, 2);
      EXPECT_EQ(r.err, toCp932(c.refusal));
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(testing_support::listDir(dir.path()), std::vector<std::string>{"tape.bin"});
      continue;
    }
    EXPECT_EQ(r.exitCode, 0);
    std::string log = testing_support::textOf(readFile(dir.file("KOVRANT.LOG")));
    std::string second = log.substr(log.find('\n') + 1, log.find('\n', log.find('\n') + 1));
    EXPECT_EQ(second.rfind(c.tape.empty() ? "開始: " : "テープ: " + c.tape + "\n", 0), 0u) << log;
    std::string record = testing_support::textOf(readFile(dir.file("KOVRANT.json")));
    EXPECT_NE(record.find(c.tape.empty() ? "\"tape\": null" : "\"tape\": \"" + c.tape + "\""),
              std::string::npos);
  }
}

TEST(KovrantSim, DeviceWithoutAName) {
  TempDir dir;
  RunOptions options;
  options.args = {"--device"};
  testing_support::RunResult r = runIn(dir.path(), kKovrantSim, options);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--device"), std::string::npos);
}

TEST(Kovrant, NoTapeDrive) {
  TempDir dir;
  testing_support::RunResult r = runIn(dir.path(), kKovrant);
  std::string expected = toCp932(std::string(msg::kKovrantBanner) + msg::kTapeOpenFailed);
  ASSERT_GE(r.out.size(), expected.size());
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);
  EXPECT_GT(r.out.size(), expected.size() + 1);  // the system's text follows
  EXPECT_EQ(r.out.back(), '\n');
  EXPECT_NE(r.exitCode, 0);
  EXPECT_FALSE(testing_support::fileExists(dir.file("KOVRANT.IMG")));
}

}  // namespace
