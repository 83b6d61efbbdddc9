// The Windows pass-through's request block as a pure encoding: the block of
// a command, byte for byte, and the results read back from a block.
#include "request_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "little_endian.h"
#include "pass_through.h"

namespace {

struct EncodeCase {
  const char* what;
  ScsiCommand command;
  uint32_t input, output;
  uint8_t dataIn;  // SCSI_IOCTL_DATA_OUT 0, _IN 1, _UNSPECIFIED 2
};

TEST(RequestBlock, EveryByteOfTheBlock) {
  static uint8_t list[pt::kMaxTransfer];
  for (uint32_t k = 0; k < sizeof list; ++k) list[k] = static_cast<uint8_t>(k * 7 + 1);
  const EncodeCase cases[] = {
      {"read a frame",
       {{0x08, 0, 0, 0x16, 0xBE, 0}, DataDirection::In, list, 5822, 10},
       44,
       5902,
       1},
      {"read 8192", {{0x08, 0, 0, 0x20, 0, 0}, DataDirection::In, list, 8192, 10}, 44, 8272, 1},
      {"longer than a block",
       {{0x08, 0, 0, 0x30, 0, 0}, DataDirection::In, list, 12288, 10},
       44,
       8272,
       1},
      {"mode select", {{0x15, 0x10, 0, 0, 12, 0}, DataDirection::Out, list, 12, 2}, 92, 92, 0},
      {"mode select 0", {{0x15, 0x10, 0, 0, 0, 0}, DataDirection::Out, list, 0, 2}, 80, 80, 0},
      {"rewind", {{0x01, 0, 0, 0, 0, 0}, DataDirection::None, nullptr, 0, 80}, 80, 80, 2},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.what);
    static PassThroughRequest block;
    std::memset(block.bytes, 0xEE, sizeof block.bytes);  // every byte is written
    PassThroughSizes sizes = encodeRequest(c.command, &block);
    EXPECT_EQ(sizes.input, c.input);
    EXPECT_EQ(sizes.output, c.output);
    std::vector<uint8_t> expected(pt::kBlockSize, 0);
    uint32_t n = c.command.length < 8192 ? c.command.length : 8192;
    expected[0] = 44;
    expected[4] = 1;  // TargetId
    expected[6] = 6;
    expected[7] = 24;
    expected[8] = c.dataIn;
    writeLe32(&expected[12], n);
    writeLe32(&expected[16], c.command.timeoutSeconds);
    writeLe32(&expected[20], 80);
    writeLe32(&expected[24], 48);
    std::memcpy(&expected[28], c.command.cdb, 6);
    if (c.command.direction == DataDirection::Out) std::memcpy(&expected[80], list, n);
    EXPECT_EQ(std::vector<uint8_t>(block.bytes, block.bytes + pt::kBlockSize), expected);
  }
}

TEST(RequestBlock, ResultsReadBack) {
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
      {DataDirection::In, 5822, 0, 2, 0x48, 0},
      {DataDirection::Out, 12, 12, 2, 6, 0},
      {DataDirection::None, 0, 0, 0x18, 0, 0},
  };
  for (const Case& c : cases) {
    static PassThroughRequest block;
    std::vector<uint8_t> buffer(pt::kMaxTransfer, 0xAA);
    ScsiCommand command{{0x08}, c.direction, buffer.data(), c.asked, 10};
    encodeRequest(command, &block);
    for (uint32_t k = 0; k < pt::kMaxTransfer; ++k) block.data()[k] = static_cast<uint8_t>(k);
    block.bytes[pt::kScsiStatusAt] = c.status;
    block.sense()[2] = c.sense;
    writeLe32(block.bytes + pt::kDataTransferLengthAt, c.reported);
    ScsiResult r = resultFromBlock(block, command);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.senseByte, c.sense);
    EXPECT_EQ(r.transferred, c.transferred);
    for (uint32_t k = 0; k < pt::kMaxTransfer; ++k) {
      ASSERT_EQ(buffer[k], k < c.transferred ? static_cast<uint8_t>(k) : 0xAA) << k;
    }
  }
}

TEST(RequestBlock, BufferSizesInEitherLayout) {
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
      {DataDirection::Out, 12, 44, 80, {92, 92}},
  };
  for (const Case& c : cases) {
    ScsiCommand command{{0}, c.direction, buffer, c.length, 2};
    PassThroughSizes s = passThroughSizes(command, c.header, c.data);
    EXPECT_EQ(s.input, c.sizes.input) << c.length << " " << c.header;
    EXPECT_EQ(s.output, c.sizes.output) << c.length << " " << c.header;
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

TEST(RequestBlock, IdentificationFromAdapterReply) {
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
