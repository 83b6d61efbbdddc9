#include "sg_io_linux.h"

#include <cstring>

sg_io_hdr_t sgIoFromCommand(const ScsiCommand& command, uint8_t* sense) {
  sg_io_hdr_t hdr;
  std::memset(&hdr, 0, sizeof hdr);
  hdr.interface_id = 'S';
  uint32_t length = command.length > pt::kMaxTransfer ? pt::kMaxTransfer : command.length;
  switch (command.direction) {
    case DataDirection::In:
      hdr.dxfer_direction = length > 0 ? SG_DXFER_FROM_DEV : SG_DXFER_NONE;
      break;
    case DataDirection::Out:
      hdr.dxfer_direction = length > 0 ? SG_DXFER_TO_DEV : SG_DXFER_NONE;
      break;
    default:
      hdr.dxfer_direction = SG_DXFER_NONE;
      break;
  }
  if (hdr.dxfer_direction == SG_DXFER_NONE) length = 0;
  hdr.cmd_len = 6;
  hdr.cmdp = const_cast<uint8_t*>(command.cdb);
  hdr.mx_sb_len = pt::kSenseLength;
  hdr.sbp = sense;
  hdr.dxfer_len = length;
  hdr.dxferp = length > 0 ? command.data : nullptr;
  hdr.timeout = command.timeoutSeconds * 1000;
  return hdr;
}

bool sgIoCarriedOut(const sg_io_hdr_t& hdr) {
  constexpr unsigned kDriverSense = 0x08;
  unsigned driver = hdr.driver_status & 0x0F;
  return hdr.host_status == 0 && (driver == 0 || driver == kDriverSense);
}

ScsiResult resultFromSgIo(const sg_io_hdr_t& hdr, const ScsiCommand& command,
                          const uint8_t* sense) {
  ScsiResult result;
  result.status = hdr.status;
  result.senseByte = hdr.sb_len_wr > 2 ? sense[2] : 0;
  std::memcpy(result.sense, sense, pt::kSenseLength);
  result.senseLength = hdr.sb_len_wr;
  if (command.direction == DataDirection::In) {
    uint32_t asked = hdr.dxfer_len;
    int resid = hdr.resid;
    result.transferred = resid <= 0 ? asked
                         : static_cast<uint32_t>(resid) >= asked
                             ? 0
                             : asked - static_cast<uint32_t>(resid);
  }
  return result;
}
