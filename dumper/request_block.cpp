#include "request_block.h"

#include <cstring>

#include "little_endian.h"

PassThroughSizes encodeRequest(const ScsiCommand& command, PassThroughRequest* block) {
  uint32_t n = command.length > pt::kMaxTransfer ? pt::kMaxTransfer : command.length;
  uint8_t* b = block->bytes;
  std::memset(b, 0, sizeof block->bytes);
  b[pt::kLengthAt] = pt::kHeaderSize;
  b[pt::kPathIdAt] = 0;
  b[pt::kTargetIdAt] = 1;
  b[pt::kLunAt] = 0;
  b[pt::kCdbLengthAt] = 6;
  b[pt::kSenseInfoLengthAt] = pt::kSenseLength;
  b[pt::kDataInAt] = static_cast<uint8_t>(command.direction);
  writeLe32(b + pt::kDataTransferLengthAt, n);
  writeLe32(b + pt::kTimeOutValueAt, command.timeoutSeconds);
  writeLe32(b + pt::kDataBufferOffsetAt, pt::kDataOffset);
  writeLe32(b + pt::kSenseInfoOffsetAt, pt::kSenseOffset);
  std::memcpy(b + pt::kCdbAt, command.cdb, 6);
  switch (command.direction) {
    case DataDirection::In:
      return {pt::kHeaderSize, pt::kDataOffset + n};
    case DataDirection::Out:
      if (n > 0) std::memcpy(block->data(), command.data, n);
      return {pt::kDataOffset + n, pt::kDataOffset + n};
    default:
      return {pt::kDataOffset, pt::kDataOffset};
  }
}

ScsiResult resultFromBlock(const PassThroughRequest& block, const ScsiCommand& command) {
  ScsiResult result;
  result.status = block.bytes[pt::kScsiStatusAt];
  result.senseByte = block.bytes[pt::kSenseOffset + 2];
  if (command.direction == DataDirection::In) {
    uint32_t got = block.dataTransferLength();
    if (got > command.length) got = command.length;
    if (got > pt::kMaxTransfer) got = pt::kMaxTransfer;
    result.transferred = got;
    if (got > 0) std::memcpy(command.data, block.data(), got);
  }
  return result;
}

uint32_t platformBufferSize(uint32_t size, uint32_t headerSize, uint32_t dataOffset) {
  if (size <= pt::kHeaderSize) return headerSize;
  if (size < pt::kDataOffset) return headerSize + (size - pt::kHeaderSize);
  return dataOffset + (size - pt::kDataOffset);
}

bool identificationFromAdapterReply(const uint8_t* reply, uint32_t size, uint8_t id[28]) {
  // SCSI_ADAPTER_BUS_INFO: NumberOfBuses at 0; BusData[0] at 4 with
  // NumberOfLogicalUnits, InitiatorBusId, InquiryDataOffset (at 8).
  // SCSI_INQUIRY_DATA: the INQUIRY data starts at 12 of the record, and the
  // identification at 8 of the INQUIRY data.
  if (size < 12 || reply[0] == 0 || reply[4] == 0) return false;
  uint64_t at = uint64_t{readLe32(reply + 8)} + 20;
  if (at + pt::kIdentificationLength > size) return false;
  std::memcpy(id, reply + at, pt::kIdentificationLength);
  return true;
}
