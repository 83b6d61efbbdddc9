// The Windows pass-through's encodings, as the carrier uses them: the header
// fields of each kind of command, the buffer sizes in either layout of the
// header, the answer read back, and the identification in the adapter's
// inquiry reply.
#include "pass_through_encoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "little_endian.h"
#include "pass_through.h"

namespace {

TEST(PassThroughEncoding, HeaderOfEachCommand) {
  static uint8_t buffer[12288];
  struct Case {
    const char* what;
    ScsiCommand command;
    uint8_t dataIn;  // SCSI_IOCTL_DATA_OUT 0, _IN 1, _UNSPECIFIED 2
    uint32_t transferLength;
  };
  const Case cases[] = {
      {"read a frame", {{0x08, 0, 0, 0x16, 0xBE, 0}, DataDirection::In, buffer, 5822, 10}, 1, 5822},
      {"read 8192", {{0x08, 0, 0, 0x20, 0, 0}, DataDirection::In, buffer, 8192, 10}, 1, 8192},
      {"read longer than a transfer",
       {{0x08, 0, 0, 0x30, 0, 0}, DataDirection::In, buffer, 12288, 10},
       1,
       8192},
      {"mode sense 12", {{0x1A, 0, 0, 0, 12, 0}, DataDirection::In, buffer, 12, 2}, 1, 12},
      {"mode select 12", {{0x15, 0x10, 0, 0, 12, 0}, DataDirection::Out, buffer, 12, 2}, 0, 12},
      {"mode select 0", {{0x15, 0x10, 0, 0, 0, 0}, DataDirection::Out, buffer, 0, 2}, 0, 0},
      {"test unit ready", {{0x00, 0, 0, 0, 0, 0}, DataDirection::None, nullptr, 0, 5}, 2, 0},
      {"rewind", {{0x01, 0, 0, 0, 0, 0}, DataDirection::None, nullptr, 0, 80}, 2, 0},
      {"unload", {{0x1B, 0, 0, 0, 0, 0}, DataDirection::None, nullptr, 0, 20}, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PassThroughHeader h = passThroughHeader(c.command);
    EXPECT_EQ(h.pathId, 0);
    EXPECT_EQ(h.targetId, 1);
    EXPECT_EQ(h.lun, 0);
    EXPECT_EQ(h.cdbLength, 6);
    EXPECT_EQ(h.senseInfoLength, 24);
    EXPECT_EQ(h.dataIn, c.dataIn);
    EXPECT_EQ(h.dataTransferLength, c.transferLength);
    EXPECT_EQ(h.timeOutValue, c.command.timeoutSeconds);
  }
}

TEST(PassThroughEncoding, BufferSizesInEitherLayout) {
  // A 64-bit SCSI_PASS_THROUGH is 56 bytes; say the data area follows at 96.
  // The 32-bit layout is (44, 80).
  uint8_t buffer[pt::kMaxTransfer];
  struct Case {
    DataDirection direction;
    uint32_t length, header, data;
    PassThroughSizes sizes;
  };
  const Case cases[] = {
      {DataDirection::None, 0, 56, 96, {96, 96}},
      {DataDirection::In, 12, 56, 96, {56, 108}},
      {DataDirection::In, 9000, 56, 96, {56, 96 + 8192}},  // at most one transfer
      {DataDirection::Out, 12, 56, 96, {108, 108}},
      {DataDirection::None, 0, 44, 80, {80, 80}},
      {DataDirection::In, 5822, 44, 80, {44, 5902}},
      {DataDirection::In, 12288, 44, 80, {44, 8272}},
      {DataDirection::Out, 12, 44, 80, {92, 92}},
      {DataDirection::Out, 0, 44, 80, {80, 80}},
  };
  for (const Case& c : cases) {
    ScsiCommand command{{0}, c.direction, buffer, c.length, 2};
    PassThroughSizes s = passThroughSizes(command, c.header, c.data);
    EXPECT_EQ(s.input, c.sizes.input) << c.length << " " << c.header;
    EXPECT_EQ(s.output, c.sizes.output) << c.length << " " << c.header;
  }
}

TEST(PassThroughEncoding, ResultsReadBack) {
  struct Case {
    DataDirection direction;
    uint32_t asked, reported;
    uint8_t status, sense;
    uint32_t transferred;
  };
  const Case cases[] = {
      {DataDirection::In, 5822, 5822, 0, 0, 5822},
      {DataDirection::In, 5822, 100, 2, 0x20, 100},
      {DataDirection::In, 12, 8000, 0, 0, 12},
      {DataDirection::In, 8192, 0xFFFFFFFF, 0, 0, 8192},
      {DataDirection::In, 12288, 0xFFFFFFFF, 0, 0, 8192},  // never beyond the data area
      {DataDirection::In, 5822, 0, 2, 0x48, 0},
      {DataDirection::Out, 12, 12, 2, 6, 0},
      {DataDirection::None, 0, 0, 0x18, 0, 0},
  };
  // The control's data area and sense, each byte telling where it lies.
  static uint8_t area[pt::kMaxTransfer];
  for (uint32_t k = 0; k < pt::kMaxTransfer; ++k) area[k] = static_cast<uint8_t>(k * 7 + 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    uint8_t sense[pt::kSenseLength] = {0x70, 0x55, c.sense, 0x66};
    sense[pt::kSenseLength - 1] = 0x77;  // the whole area comes back, to its last byte
    std::vector<uint8_t> buffer(c.asked + 16, 0xAA);
    ScsiCommand command{{0x08}, c.direction, buffer.data(), c.asked, 10};
    uint8_t senseLength = static_cast<uint8_t>(c.sense != 0 ? 18 : 0);
    ScsiResult r = passThroughResult(command, c.status, sense, senseLength, c.reported, area);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.senseByte, c.sense);
    EXPECT_EQ(0, std::memcmp(r.sense, sense, pt::kSenseLength));
    EXPECT_EQ(r.senseLength, senseLength);
    EXPECT_EQ(r.transferred, c.transferred);
    for (uint32_t k = 0; k < buffer.size(); ++k) {
      ASSERT_EQ(buffer[k], k < c.transferred ? area[k] : 0xAA) << k;
    }
  }
}

std::vector<uint8_t> adapterReply(uint32_t inquiryOffset, const char* id, uint32_t size = 2048) {
  std::vector<uint8_t> reply(size, 0xCC);
  reply[0] = 1;  // buses
  reply[4] = 1;  // logical units on bus 0
  writeLe32(reply.data() + 8, inquiryOffset);
  if (id != nullptr && inquiryOffset + 48 <= size) {
    std::memcpy(reply.data() + inquiryOffset + 20, id, 28);
  }
  return reply;
}

TEST(PassThroughEncoding, IdentificationFromAdapterReply) {
  uint8_t id[28];
  std::vector<uint8_t> reply = adapterReply(16, pt::kSupportedDrive);
  ASSERT_TRUE(identificationFromAdapterReply(reply.data(), 2048, id));
  EXPECT_EQ(0, std::memcmp(id, pt::kSupportedDrive, 28));
  // The 28 bytes must lie inside the buffer.
  EXPECT_TRUE(identificationFromAdapterReply(reply.data(), 64, id));
  EXPECT_FALSE(identificationFromAdapterReply(reply.data(), 63, id));
  reply = adapterReply(0xFFFFFFF0u, nullptr);
  EXPECT_FALSE(identificationFromAdapterReply(reply.data(), 2048, id));
  reply = adapterReply(16, pt::kSupportedDrive);
  reply[4] = 0;  // no logical unit on bus 0
  EXPECT_FALSE(identificationFromAdapterReply(reply.data(), 2048, id));
  reply[4] = 1;
  reply[0] = 0;  // no bus
  EXPECT_FALSE(identificationFromAdapterReply(reply.data(), 2048, id));
  EXPECT_FALSE(identificationFromAdapterReply(reply.data(), 11, id));
}

}  // namespace
