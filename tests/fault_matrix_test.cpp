// Every request of the dumper's main flow made to fail in turn: what is
// printed last, what is closed, whether data mode is restored, and what the
// image holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture_harness.h"
#include "drive_model.h"
#include "dumper_messages.h"
#include "frame_builder.h"
#include "test_support.h"

namespace {

using sim::Command;
using testing_support::toCp932;

const std::string kIoText = std::string(sim::windowsErrorText(sim::kIoDevice)) + "\n";
const std::string kDataOk = std::string(msg::kSwitchingToData) + msg::kSucceeded;

struct Row {
  Command command;
  int occurrence;
  int exitStatus;
  uint8_t densityAtEnd;
  int frames;        // whole frames in the image; -1: no image
  bool unloaded;     // the cassette is out at the end
  std::string ends;  // the end of standard output, as UTF-8
};

TEST(FaultMatrix, EveryRequestOfTheMainFlowFails) {
  const std::string endOfTape =
      std::string(msg::kEndOfTape) + msg::kRewinding + msg::kUnloading + kDataOk;
  const std::string readFailed =
      std::string(msg::kReadFailed) + msg::kRewinding + msg::kUnloading + kDataOk;
  // The flow: probe, audio mode, check, two polls NOT READY, arrival,
  // rewind, test, five frames, blank tape, rewind, unload, data mode.
  const Row rows[] = {
      {Command::Open, 1, 1, 0x13, -1, false,
       msg::kTapeOpenFailed + std::string(sim::windowsErrorText(sim::kFileNotFound)) + "\n"},
      {Command::Inquiry, 1, 1, 0x13, -1, false, std::string(msg::kInquiryFailed) + kIoText},
      {Command::ModeSense, 1, 1, 0x13, -1, false, std::string("12.2\n") + kIoText},
      {Command::ModeSelect, 1, 1, 0x13, -1, false, msg::kSwitchingToAudio + kIoText + kDataOk},
      {Command::ModeSense, 2, 1, 0x13, -1, false, msg::kSwitchingToAudio + kIoText + kDataOk},
      {Command::TestUnitReady, 1, 0, 0x13, 5, true, endOfTape},
      {Command::TestUnitReady, 3, 0, 0x13, 5, true, endOfTape},
      {Command::Rewind, 1, 0, 0x13, 5, true, endOfTape},
      {Command::TestUnitReady, 4, 0, 0x13, 5, true, endOfTape},
      {Command::Read, 1, 1, 0x13, 0, true, readFailed},
      {Command::Read, 3, 1, 0x13, 2, true, readFailed},
      {Command::Read, 6, 1, 0x13, 5, true, readFailed},
      {Command::Rewind, 2, 0, 0x13, 5, true, endOfTape},
      {Command::Unload, 1, 0, 0x13, 5, false, endOfTape},
      {Command::ModeSelect, 2, 1, 0x80, 5, true,
       std::string(msg::kUnloading) + msg::kSwitchingToData + kIoText},
  };
  std::vector<uint8_t> tape = capture_harness::tapeOf(5);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(sim::commandName(row.command)) + " #" +
                 std::to_string(row.occurrence));
    sim::Script script =
        capture_harness::scriptWith(tape, {{row.command, row.occurrence, sim::Fault::FailControl}});
    script.insertAfter = 2;
    capture_harness::Capture c;
    capture_harness::run(c, script);
    const std::string& out = c.out;
    EXPECT_EQ(c.exitStatus, row.exitStatus);
    ASSERT_GE(out.size(), toCp932(row.ends).size());
    EXPECT_EQ(out.substr(out.size() - toCp932(row.ends).size()), toCp932(row.ends));
    const sim::DriveState& s = sim::state();
    EXPECT_FALSE(s.open);
    EXPECT_EQ(s.closes, row.command == Command::Open ? 0 : 1);
    EXPECT_EQ(s.density, row.densityAtEnd);
    EXPECT_EQ(s.ejected, row.unloaded);
    if (row.frames < 0) {
      EXPECT_FALSE(c.hasImage());
    } else {
      std::vector<uint8_t> bytes = c.image();
      EXPECT_EQ(bytes, std::vector<uint8_t>(tape.begin(), tape.begin() + row.frames * 5822));
    }
  }
}

}  // namespace
