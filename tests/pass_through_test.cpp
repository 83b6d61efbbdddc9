// The six requests: the commands they send, with the header fields and
// buffer sizes the Windows pass-through gives them, and what they hand back,
// against the drive model.
#include "pass_through.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "capture_harness.h"
#include "drive_model.h"
#include "frame_builder.h"
#include "pass_through_encoding.h"

namespace {

using capture_harness::tapeOf;

// A drive with the cassette in and audio mode selected.
void readyDrive(const std::vector<uint8_t>& tape, std::vector<sim::Fault> faults = {}) {
  sim::Script script;
  script.tape = tape;
  script.insertAfter = 0;
  script.faults = std::move(faults);
  sim::configure(script);
  ASSERT_TRUE(sim::open());
  uint8_t status = 0xFF, sense = 0xFF;
  ASSERT_TRUE(ScsiTestUnitReady(&status, &sense));  // the cassette arrives
  const uint8_t audio[12] = {0, 0, 0x10, 8, 0x80, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(ScsiModeSelect(audio, 12, &status, &sense));
}

struct HeaderCase {
  const char* what;
  uint8_t cdb[6];
  uint8_t dataIn;
  uint32_t transferLength, timeout, input, output;
};

DataDirection directionOf(sim::Flow flow) {
  return flow == sim::Flow::In    ? DataDirection::In
         : flow == sim::Flow::Out ? DataDirection::Out
                                  : DataDirection::None;
}

// The latest command the drive received, as the Windows carrier gives it to
// the control: its CDB, the header fields that depend on the command (the
// drive's address and the lengths are the same for all, see
// pass_through_encoding_test.cpp), and the buffer sizes in the 32-bit layout
// (a 44-byte header, the data area at 80).
void expectHeader(const HeaderCase& c) {
  SCOPED_TRACE(c.what);
  const sim::Request& r = sim::requests().back();
  std::vector<uint8_t> dataOut = r.dataOut;
  dataOut.resize(pt::kMaxTransfer);
  ScsiCommand command{};
  std::memcpy(command.cdb, r.cdb, 6);
  command.direction = directionOf(r.flow);
  command.data = dataOut.data();
  command.length = r.transferLength;
  command.timeoutSeconds = r.timeout;
  EXPECT_EQ(0, std::memcmp(r.cdb, c.cdb, 6));
  PassThroughHeader h = passThroughHeader(command);
  EXPECT_EQ(h.dataIn, c.dataIn);
  EXPECT_EQ(h.dataTransferLength, c.transferLength);
  EXPECT_EQ(h.timeOutValue, c.timeout);
  PassThroughSizes sizes = passThroughSizes(command, 44, 80);
  EXPECT_EQ(sizes.input, c.input);
  EXPECT_EQ(sizes.output, c.output);
  EXPECT_TRUE(r.wellFormed);
}

TEST(PassThrough, CommandsAsTheWindowsCarrierSendsThem) {
  std::vector<uint8_t> tape = tapeOf(3);
  readyDrive(tape);
  uint8_t status, sense;
  std::vector<uint8_t> buffer(10000);
  int32_t length;

  ASSERT_TRUE(ScsiTestUnitReady(&status, &sense));
  expectHeader({"test unit ready", {0, 0, 0, 0, 0, 0}, 2, 0, 5, 80, 80});
  ASSERT_TRUE(ScsiRewind(&status, &sense));
  expectHeader({"rewind", {1, 0, 0, 0, 0, 0}, 2, 0, 80, 80, 80});
  length = 5822;
  ASSERT_TRUE(ScsiRead(buffer.data(), &length, &status, &sense));
  expectHeader({"read a frame", {0x08, 0, 0, 0x16, 0xBE, 0}, 1, 5822, 10, 44, 5902});
  length = 10000;
  ASSERT_TRUE(ScsiRead(buffer.data(), &length, &status, &sense));
  expectHeader({"read reduced to 8192", {0x08, 0, 0, 0x20, 0x00, 0}, 1, 8192, 10, 44, 8272});
  length = 12;
  ASSERT_TRUE(ScsiModeSense(buffer.data(), &length, &status, &sense));
  expectHeader({"mode sense 12", {0x1A, 0, 0, 0, 12, 0}, 1, 12, 2, 44, 92});
  length = 300;
  ASSERT_TRUE(ScsiModeSense(buffer.data(), &length, &status, &sense));
  expectHeader({"mode sense reduced to 192", {0x1A, 0, 0, 0, 0xC0, 0}, 1, 192, 2, 44, 272});
  const uint8_t list[12] = {0, 0, 0x10, 8, 0x13, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(ScsiModeSelect(list, 12, &status, &sense));
  expectHeader({"mode select 12", {0x15, 0x10, 0, 0, 12, 0}, 0, 12, 2, 92, 92});
  EXPECT_EQ(sim::requests().back().dataOut, std::vector<uint8_t>(list, list + 12));
  ASSERT_TRUE(ScsiModeSelect(list, 0, &status, &sense));
  expectHeader({"mode select 0", {0x15, 0x10, 0, 0, 0, 0}, 0, 0, 2, 80, 80});
  EXPECT_TRUE(sim::requests().back().dataOut.empty());
  ASSERT_TRUE(ScsiUnload(&status, &sense));
  expectHeader({"unload", {0x1B, 0, 0, 0, 0, 0}, 2, 0, 20, 80, 80});
}

TEST(PassThrough, ZeroLengthDataInSendsNoTransfer) {
  readyDrive(tapeOf(1));
  uint8_t buffer[4] = {9, 9, 9, 9};
  uint8_t status = 0xFF, sense = 0xFF;
  int32_t length = 0;
  ASSERT_TRUE(ScsiModeSense(buffer, &length, &status, &sense));
  expectHeader({"mode sense 0", {0x1A, 0, 0, 0, 0, 0}, 1, 0, 2, 44, 80});
  EXPECT_EQ(length, 0);
  EXPECT_EQ(buffer[0], 9);
  length = 0;
  ASSERT_TRUE(ScsiRead(buffer, &length, &status, &sense));
  expectHeader({"read 0", {0x08, 0, 0, 0, 0, 0}, 1, 0, 10, 44, 80});
  EXPECT_EQ(length, 0);
  EXPECT_EQ(buffer[0], 9);
}

TEST(PassThrough, ReadHandsBackTheFrame) {
  std::vector<uint8_t> tape = tapeOf(2);
  readyDrive(tape);
  std::vector<uint8_t> buffer(5822, 0xEE);
  uint8_t status = 0xFF, sense = 0xFF;
  int32_t length = 5822;
  ASSERT_TRUE(ScsiRead(buffer.data(), &length, &status, &sense));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(sense, 0);
  EXPECT_EQ(length, 5822);
  EXPECT_EQ(0, std::memcmp(buffer.data(), tape.data(), 5822));
}

TEST(PassThrough, ShortTransferWritesOnlyWhatCame) {
  std::vector<uint8_t> tape = tapeOf(2);
  readyDrive(tape, {{sim::Command::Read, 1, sim::Fault::Short, 0, 0, 100}});
  std::vector<uint8_t> buffer(5822, 0xEE);
  uint8_t status, sense;
  int32_t length = 5822;
  ASSERT_TRUE(ScsiRead(buffer.data(), &length, &status, &sense));
  EXPECT_EQ(length, 100);
  EXPECT_EQ(0, std::memcmp(buffer.data(), tape.data(), 100));
  EXPECT_EQ(buffer[100], 0xEE);
  EXPECT_EQ(buffer[5821], 0xEE);
}

TEST(PassThrough, NeverHandsBackMoreThanAsked) {
  std::vector<uint8_t> tape = tapeOf(2);
  readyDrive(tape, {{sim::Command::Read, 1, sim::Fault::Overreport, 0, 0, 8000}});
  std::vector<uint8_t> buffer(8192, 0xEE);
  uint8_t status, sense;
  int32_t length = 12;
  ASSERT_TRUE(ScsiRead(buffer.data(), &length, &status, &sense));
  EXPECT_EQ(length, 12);
  EXPECT_EQ(0, std::memcmp(buffer.data(), tape.data(), 12));
  EXPECT_EQ(buffer[12], 0xEE);
}

TEST(PassThrough, StatusAndSenseComeBackUnmasked) {
  struct Case {
    uint8_t status, sense;
  };
  const Case cases[] = {{2, 0x48}, {2, 6}, {2, 8}, {0x18, 0}, {0, 0x0B}};
  for (const Case& c : cases) {
    readyDrive(tapeOf(1), {{sim::Command::Read, 1, sim::Fault::Answer, c.status, c.sense, 0}});
    std::vector<uint8_t> buffer(5822, 0xEE);
    uint8_t status = 0xFF, sense = 0xFF;
    int32_t length = 5822;
    ASSERT_TRUE(ScsiRead(buffer.data(), &length, &status, &sense));
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(sense, c.sense);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(buffer[0], 0xEE);
  }
}

TEST(PassThrough, FailedControlLeavesEveryOutputAlone) {
  const sim::Command commands[] = {sim::Command::TestUnitReady, sim::Command::Rewind,
                                   sim::Command::Unload,        sim::Command::ModeSense,
                                   sim::Command::ModeSelect,    sim::Command::Read};
  for (sim::Command c : commands) {
    SCOPED_TRACE(sim::commandName(c));
    sim::Script script;
    script.tape = tapeOf(1);
    script.insertAfter = 0;
    script.faults = {{c, 1, sim::Fault::FailControl, 0, 0, 0}};
    sim::configure(script);
    ASSERT_TRUE(sim::open());
    uint8_t status = 0x5A, sense = 0xA5;
    uint8_t buffer[16] = {7, 7, 7, 7};
    int32_t length = 12;
    const uint8_t list[12] = {0, 0, 0x10, 8, 0x80};
    bool ok = true;
    switch (c) {
      case sim::Command::TestUnitReady:
        ok = ScsiTestUnitReady(&status, &sense);
        break;
      case sim::Command::Rewind:
        ok = ScsiRewind(&status, &sense);
        break;
      case sim::Command::Unload:
        ok = ScsiUnload(&status, &sense);
        break;
      case sim::Command::ModeSense:
        ok = ScsiModeSense(buffer, &length, &status, &sense);
        break;
      case sim::Command::ModeSelect:
        ok = ScsiModeSelect(list, 12, &status, &sense);
        break;
      default:
        length = 300;
        ok = ScsiRead(buffer, &length, &status, &sense);
        break;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(status, 0x5A);
    EXPECT_EQ(sense, 0xA5);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(length, c == sim::Command::Read ? 300 : 12);  // not even reduced
  }
}

TEST(PassThrough, NullArgumentsSendNothing) {
  readyDrive(tapeOf(1));
  size_t before = sim::requests().size();
  uint8_t status, sense, buffer[16];
  int32_t length = 12;
  EXPECT_FALSE(ScsiTestUnitReady(nullptr, &sense));
  EXPECT_FALSE(ScsiTestUnitReady(&status, nullptr));
  EXPECT_FALSE(ScsiRewind(nullptr, &sense));
  EXPECT_FALSE(ScsiUnload(&status, nullptr));
  EXPECT_FALSE(ScsiModeSense(nullptr, &length, &status, &sense));
  EXPECT_FALSE(ScsiModeSense(buffer, nullptr, &status, &sense));
  EXPECT_FALSE(ScsiModeSense(buffer, &length, nullptr, &sense));
  EXPECT_FALSE(ScsiModeSelect(nullptr, 12, &status, &sense));
  EXPECT_FALSE(ScsiModeSelect(buffer, 12, &status, nullptr));
  EXPECT_FALSE(ScsiRead(buffer, &length, &status, nullptr));
  EXPECT_FALSE(ScsiRead(nullptr, &length, &status, &sense));
  // A MODE SELECT length that one CDB byte cannot carry is refused too.
  EXPECT_FALSE(ScsiModeSelect(buffer, 256, &status, &sense));
  EXPECT_FALSE(ScsiModeSelect(buffer, -1, &status, &sense));
  EXPECT_EQ(sim::requests().size(), before);
}

}  // namespace
