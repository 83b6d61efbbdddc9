#include "sg_io_linux.h"

#include <cstring>

sg_io_hdr_t sgIoFromRequest(PassThroughRequest& block) {
  sg_io_hdr_t hdr;
  std::memset(&hdr, 0, sizeof hdr);
  hdr.interface_id = 'S';
  uint32_t length = block.dataTransferLength();
  switch (block.dataIn()) {
    case pt::kDataIn:
      hdr.dxfer_direction = length > 0 ? SG_DXFER_FROM_DEV : SG_DXFER_NONE;
      break;
    case pt::kDataOut:
      hdr.dxfer_direction = length > 0 ? SG_DXFER_TO_DEV : SG_DXFER_NONE;
      break;
    default:
      hdr.dxfer_direction = SG_DXFER_NONE;
      break;
  }
  if (hdr.dxfer_direction == SG_DXFER_NONE) length = 0;
  hdr.cmd_len = block.bytes[pt::kCdbLengthAt];
  hdr.cmdp = block.bytes + pt::kCdbAt;
  hdr.mx_sb_len = pt::kSenseLength;
  hdr.sbp = block.sense();
  hdr.dxfer_len = length;
  hdr.dxferp = length > 0 ? block.data() : nullptr;
  hdr.timeout = block.timeOutValue() * 1000;
  return hdr;
}

bool sgIoCarriedOut(const sg_io_hdr_t& hdr) {
  constexpr unsigned kDriverSense = 0x08;
  unsigned driver = hdr.driver_status & 0x0F;
  return hdr.host_status == 0 && (driver == 0 || driver == kDriverSense);
}

void requestFromSgIo(const sg_io_hdr_t& hdr, PassThroughRequest& block) {
  block.bytes[pt::kScsiStatusAt] = hdr.status;
  if (block.dataIn() == pt::kDataIn) {
    uint32_t asked = hdr.dxfer_len;
    int resid = hdr.resid;
    uint32_t got = resid <= 0 ? asked
                   : static_cast<uint32_t>(resid) >= asked ? 0
                                                           : asked - static_cast<uint32_t>(resid);
    pt::put32(block.bytes + pt::kDataTransferLengthAt, got);
  }
}
