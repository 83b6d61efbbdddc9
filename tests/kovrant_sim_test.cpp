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

#include "dumper_messages.h"
#include "frame_builder.h"
#include "pass_through.h"
#include "test_support.h"

namespace {

using testing_support::readFile;
using testing_support::runIn;
using testing_support::RunOptions;
using testing_support::TempDir;

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
  std::string expectedStart = std::string(msg::kKovrantBanner) + pt::kSupportedDrive + "\n" +
                              msg::kSwitchingToAudio + msg::kSucceededLine + msg::kInsertCassette +
                              msg::kLoadingRewinding + msg::kReading;
  EXPECT_EQ(r.out.substr(0, expectedStart.size()), expectedStart);
  std::string expectedEnd = std::string(msg::kEndOfTape) + msg::kRewinding + msg::kUnloading +
                            msg::kSwitchingToData + msg::kSucceeded;
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

TEST(Kovrant, NoTapeDrive) {
  TempDir dir;
  testing_support::RunResult r = runIn(dir.path(), kKovrant);
  std::string expected = std::string(msg::kKovrantBanner) + msg::kTapeOpenFailed;
  ASSERT_GE(r.out.size(), expected.size());
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);
  EXPECT_GT(r.out.size(), expected.size() + 1);  // the system's text follows
  EXPECT_EQ(r.out.back(), '\n');
  EXPECT_NE(r.exitCode, 0);
  EXPECT_FALSE(testing_support::fileExists(dir.file("KOVRANT.IMG")));
}

}  // namespace
