// The Linux SG_IO form of a command, both ways.
#include <gtest/gtest.h>

#include <cstring>

#include "sg_io_linux.h"

namespace {

TEST(SgIo, CommandToHeader) {
  static uint8_t buffer[pt::kMaxTransfer];
  struct Case {
    ScsiCommand command;
    int direction;
    uint32_t length;
  };
  const Case cases[] = {
      {{{0x08, 0, 0, 0x16, 0xBE, 0}, DataDirection::In, buffer, 5822, 10}, SG_DXFER_FROM_DEV, 5822},
      {{{0x08, 0, 0, 0x30, 0, 0}, DataDirection::In, buffer, 12288, 10}, SG_DXFER_FROM_DEV, 8192},
      {{{0x15, 0x10, 0, 0, 12, 0}, DataDirection::Out, buffer, 12, 2}, SG_DXFER_TO_DEV, 12},
      {{{0x01, 0, 0, 0, 0, 0}, DataDirection::None, buffer, 0, 80}, SG_DXFER_NONE, 0},
      {{{0x1A, 0, 0, 0, 0, 0}, DataDirection::In, buffer, 0, 2}, SG_DXFER_NONE, 0},
  };
  for (const Case& c : cases) {
    uint8_t sense[pt::kSenseLength] = {};
    sg_io_hdr_t hdr = sgIoFromCommand(c.command, sense);
    EXPECT_EQ(hdr.interface_id, 'S');
    EXPECT_EQ(hdr.dxfer_direction, c.direction);
    EXPECT_EQ(hdr.cmd_len, 6);
    EXPECT_EQ(0, std::memcmp(hdr.cmdp, c.command.cdb, 6));
    EXPECT_EQ(hdr.mx_sb_len, 24);
    EXPECT_EQ(hdr.sbp, sense);
    EXPECT_EQ(hdr.dxfer_len, c.length);
    EXPECT_EQ(hdr.dxferp, c.length > 0 ? static_cast<void*>(buffer) : nullptr);
    EXPECT_EQ(hdr.timeout, c.command.timeoutSeconds * 1000);
  }
}

TEST(SgIo, CarriedOutOrNot) {
  struct Case {
    unsigned short host, driver;
    bool carriedOut;
  };
  const Case cases[] = {
      {0, 0, true},        {0, 0x08, true},  {0, 0x28, true},  // DRIVER_SENSE, with suggestions
      {1, 0, false},       {0x03, 0, false},                   // no connection; DID_TIME_OUT
      {0x07, 0x08, false}, {0, 0x06, false}, {0, 0x01, false},
  };
  for (const Case& c : cases) {
    sg_io_hdr_t hdr{};
    hdr.host_status = c.host;
    hdr.driver_status = c.driver;
    hdr.status = 2;  // CHECK CONDITION is carried out all the same
    EXPECT_EQ(sgIoCarriedOut(hdr), c.carriedOut) << c.host << "/" << c.driver;
  }
}

TEST(SgIo, HeaderBackToResult) {
  struct Case {
    DataDirection direction;
    uint32_t asked;
    int resid;
    unsigned char senseWritten;
    uint32_t got;
    uint8_t senseByte;
  };
  const Case cases[] = {
      {DataDirection::In, 5822, 0, 0, 5822, 0},    {DataDirection::In, 5822, 22, 18, 5800, 0x48},
      {DataDirection::In, 5822, 5822, 3, 0, 0x48}, {DataDirection::In, 5822, 9000, 2, 0, 0},
      {DataDirection::In, 12, -4, 0, 12, 0},       {DataDirection::Out, 12, 0, 18, 0, 0x48},
  };
  static uint8_t buffer[pt::kMaxTransfer];
  for (const Case& c : cases) {
    uint8_t sense[pt::kSenseLength] = {0x70, 0, 0x48};
    ScsiCommand command{{0x08}, c.direction, buffer, c.asked, 10};
    sg_io_hdr_t hdr = sgIoFromCommand(command, sense);
    hdr.status = 2;
    hdr.resid = c.resid;
    hdr.sb_len_wr = c.senseWritten;  // sense byte 2 counts only when it was written
    ScsiResult r = resultFromSgIo(hdr, command, sense);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.transferred, c.got) << c.resid;
    EXPECT_EQ(r.senseByte, c.senseByte) << int(c.senseWritten);
  }
}

}  // namespace
