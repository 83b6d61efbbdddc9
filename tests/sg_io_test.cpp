// The Linux SG_IO form of a request, both ways.
#include "sg_io_linux.h"

#include <gtest/gtest.h>

namespace {

PassThroughRequest blockFor(const uint8_t cdb[6], uint8_t dataIn, uint32_t length,
                            uint32_t timeout) {
  PassThroughRequest block;
  buildRequest(block, cdb, dataIn, length, timeout);
  return block;
}

TEST(SgIo, RequestToHeader) {
  struct Case {
    uint8_t cdb[6];
    uint8_t dataIn;
    uint32_t length, timeout;
    int direction;
  };
  const Case cases[] = {
      {{0x08, 0, 0, 0x16, 0xBE, 0}, pt::kDataIn, 5822, 10, SG_DXFER_FROM_DEV},
      {{0x15, 0x10, 0, 0, 12, 0}, pt::kDataOut, 12, 2, SG_DXFER_TO_DEV},
      {{0x01, 0, 0, 0, 0, 0}, pt::kDataUnspecified, 0, 80, SG_DXFER_NONE},
      {{0x1A, 0, 0, 0, 0, 0}, pt::kDataIn, 0, 2, SG_DXFER_NONE},
  };
  for (const Case& c : cases) {
    PassThroughRequest block = blockFor(c.cdb, c.dataIn, c.length, c.timeout);
    sg_io_hdr_t hdr = sgIoFromRequest(block);
    EXPECT_EQ(hdr.interface_id, 'S');
    EXPECT_EQ(hdr.dxfer_direction, c.direction);
    EXPECT_EQ(hdr.cmd_len, 6);
    EXPECT_EQ(hdr.cmdp, block.bytes + 28);
    EXPECT_EQ(0, memcmp(hdr.cmdp, c.cdb, 6));
    EXPECT_EQ(hdr.mx_sb_len, 24);
    EXPECT_EQ(hdr.sbp, block.bytes + 48);
    EXPECT_EQ(hdr.dxfer_len, c.length);
    EXPECT_EQ(hdr.dxferp, c.length > 0 ? static_cast<void*>(block.bytes + 80) : nullptr);
    EXPECT_EQ(hdr.timeout, c.timeout * 1000);
  }
}

TEST(SgIo, CarriedOutOrNot) {
  struct Case {
    unsigned short host, driver;
    bool carriedOut;
  };
  const Case cases[] = {
      {0, 0, true}, {0, 0x08, true}, {0, 0x28, true},  // DRIVER_SENSE, with suggestions
      {1, 0, false}, {0x07, 0x08, false}, {0, 0x06, false}, {0, 0x01, false},
  };
  for (const Case& c : cases) {
    sg_io_hdr_t hdr{};
    hdr.host_status = c.host;
    hdr.driver_status = c.driver;
    hdr.status = 2;  // CHECK CONDITION is carried out all the same
    EXPECT_EQ(sgIoCarriedOut(hdr), c.carriedOut) << c.host << "/" << c.driver;
  }
}

TEST(SgIo, HeaderBackToRequest) {
  struct Case {
    uint8_t dataIn;
    uint32_t asked;
    int resid;
    uint32_t got;
  };
  const Case cases[] = {
      {pt::kDataIn, 5822, 0, 5822},   {pt::kDataIn, 5822, 22, 5800},
      {pt::kDataIn, 5822, 5822, 0},   {pt::kDataIn, 5822, 9000, 0},
      {pt::kDataIn, 12, -4, 12},      {pt::kDataOut, 12, 0, 12},
  };
  const uint8_t cdb[6] = {0x08};
  for (const Case& c : cases) {
    PassThroughRequest block = blockFor(cdb, c.dataIn, c.asked, 10);
    sg_io_hdr_t hdr = sgIoFromRequest(block);
    hdr.status = 2;
    hdr.resid = c.resid;
    requestFromSgIo(hdr, block);
    EXPECT_EQ(block.bytes[2], 2);
    EXPECT_EQ(block.dataTransferLength(), c.got) << c.resid;
  }
}

}  // namespace
