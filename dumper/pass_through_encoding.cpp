#include "pass_through_encoding.h"

#include <cstring>

#include "little_endian.h"

PassThroughHeader passThroughHeader(const ScsiCommand& command) {
  uint8_t dataIn = 2;  // SCSI_IOCTL_DATA_UNSPECIFIED
  if (command.direction == DataDirection::Out) dataIn = 0;
  if (command.direction == DataDirection::In) dataIn = 1;
  uint32_t n = command.length > pt::kMaxTransfer ? pt::kMaxTransfer : command.length;
  return {0, 1, 0, 6, static_cast<uint8_t>(pt::kSenseLength), dataIn, n, command.timeoutSeconds};
}

PassThroughSizes passThroughSizes(const ScsiCommand& command, uint32_t headerSize,
                                  uint32_t dataOffset) {
  uint32_t n = passThroughHeader(command).dataTransferLength;
  switch (command.direction) {
    case DataDirection::In:
      return {headerSize, dataOffset + n};
    case DataDirection::Out:
      return {dataOffset + n, dataOffset + n};
    default:
      return {dataOffset, dataOffset};
  }
}

ScsiResult passThroughResult(const ScsiCommand& command, uint8_t status, const uint8_t* sense,
                             uint8_t senseLength, uint32_t transferred, const uint8_t* data) {
  ScsiResult result;
  result.status = status;
  result.senseByte = sense[2];
  std::memcpy(result.sense, sense, pt::kSenseLength);
  result.senseLength = senseLength;
  if (command.direction == DataDirection::In) {
    uint32_t got = transferred;
    if (got > command.length) got = command.length;
    if (got > pt::kMaxTransfer) got = pt::kMaxTransfer;
    result.transferred = got;
    if (got > 0) std::memcpy(command.data, data, got);
  }
  return result;
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
