#include "pass_through.h"

#include <cstring>

#include "carrier.h"
#include "console.h"
#include "dumper_messages.h"

namespace pt {

uint32_t get32(const uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

void put32(uint8_t* at, uint32_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
  at[2] = static_cast<uint8_t>(v >> 16);
  at[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace pt

namespace {

// Timeouts in seconds.
constexpr uint32_t kTestUnitReadyTimeout = 5;
constexpr uint32_t kRewindTimeout = 80;
constexpr uint32_t kUnloadTimeout = 20;
constexpr uint32_t kModeTimeout = 2;
constexpr uint32_t kReadTimeout = 10;

// The SCSI status and byte 2 of the sense data, as the carrier wrote them back.
void handBack(const PassThroughRequest& block, uint8_t* status, uint8_t* senseByte) {
  *status = block.bytes[pt::kScsiStatusAt];
  *senseByte = block.bytes[pt::kSenseOffset + 2];
}

// A command without data: TEST UNIT READY, REWIND, LOAD UNLOAD.
bool noDataCommand(uint8_t opcode, uint32_t timeout, uint8_t* status, uint8_t* senseByte) {
  if (status == nullptr || senseByte == nullptr) return false;
  PassThroughRequest block;
  const uint8_t cdb[6] = {opcode, 0, 0, 0, 0, 0};
  buildRequest(block, cdb, pt::kDataUnspecified, 0, timeout);
  if (!carrierSend(block, {pt::kDataOffset, pt::kDataOffset})) return false;
  handBack(block, status, senseByte);
  return true;
}

// A data-in command: MODE SENSE(6), READ(6). `cdb` gets its length field
// from the caller's request reduced to `limit`.
bool dataInCommand(uint8_t cdb[6], bool threeByteLength, int32_t limit, uint32_t timeout,
                   uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte) {
  if (buffer == nullptr || length == nullptr || status == nullptr || senseByte == nullptr) {
    return false;
  }
  int32_t n = *length;
  if (n > limit) n = limit;
  uint32_t wanted = n < 0 ? 0 : static_cast<uint32_t>(n);
  if (threeByteLength) {
    cdb[2] = static_cast<uint8_t>(wanted >> 16);
    cdb[3] = static_cast<uint8_t>(wanted >> 8);
  }
  cdb[4] = static_cast<uint8_t>(wanted);
  PassThroughRequest block;
  buildRequest(block, cdb, pt::kDataIn, wanted, timeout);
  if (!carrierSend(block, {pt::kHeaderSize, pt::kDataOffset + wanted})) return false;
  handBack(block, status, senseByte);
  uint32_t got = block.dataTransferLength();
  if (got > wanted) got = wanted;
  *length = static_cast<int32_t>(got);
  if (got > 0) std::memcpy(buffer, block.data(), got);
  return true;
}

}  // namespace

void buildRequest(PassThroughRequest& block, const uint8_t cdb[6], uint8_t dataIn,
                  uint32_t transferLength, uint32_t timeoutSeconds) {
  std::memset(block.bytes, 0, sizeof block.bytes);
  uint8_t* b = block.bytes;
  b[pt::kLengthAt] = pt::kHeaderSize;
  b[pt::kPathIdAt] = 0;
  b[pt::kTargetIdAt] = 1;
  b[pt::kLunAt] = 0;
  b[pt::kCdbLengthAt] = 6;
  b[pt::kSenseInfoLengthAt] = pt::kSenseLength;
  b[pt::kDataInAt] = dataIn;
  pt::put32(b + pt::kDataTransferLengthAt, transferLength);
  pt::put32(b + pt::kTimeOutValueAt, timeoutSeconds);
  pt::put32(b + pt::kDataBufferOffsetAt, pt::kDataOffset);
  pt::put32(b + pt::kSenseInfoOffsetAt, pt::kSenseOffset);
  std::memcpy(b + pt::kCdbAt, cdb, 6);
}

bool ScsiTestUnitReady(uint8_t* status, uint8_t* senseByte) {
  return noDataCommand(0x00, kTestUnitReadyTimeout, status, senseByte);
}

bool ScsiRewind(uint8_t* status, uint8_t* senseByte) {
  return noDataCommand(0x01, kRewindTimeout, status, senseByte);
}

bool ScsiUnload(uint8_t* status, uint8_t* senseByte) {
  return noDataCommand(0x1B, kUnloadTimeout, status, senseByte);
}

bool ScsiModeSense(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte) {
  uint8_t cdb[6] = {0x1A, 0, 0, 0, 0, 0};
  return dataInCommand(cdb, false, pt::kModeSenseLimit, kModeTimeout, buffer, length, status,
                       senseByte);
}

bool ScsiRead(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte) {
  uint8_t cdb[6] = {0x08, 0, 0, 0, 0, 0};
  return dataInCommand(cdb, true, static_cast<int32_t>(pt::kMaxTransfer), kReadTimeout, buffer,
                       length, status, senseByte);
}

bool ScsiModeSelect(const uint8_t* parameterList, int32_t length, uint8_t* status,
                    uint8_t* senseByte) {
  if (parameterList == nullptr || status == nullptr || senseByte == nullptr) return false;
  // MODE SELECT(6) carries the length in one byte, and the block holds no
  // more: a length outside 0..255 is refused without sending anything.
  if (length < 0 || length > 255) return false;
  uint32_t n = static_cast<uint32_t>(length);
  const uint8_t cdb[6] = {0x15, 0x10, 0, 0, static_cast<uint8_t>(n), 0};
  PassThroughRequest block;
  buildRequest(block, cdb, pt::kDataOut, n, kModeTimeout);
  if (n > 0) std::memcpy(block.data(), parameterList, n);
  if (!carrierSend(block, {pt::kDataOffset + n, pt::kDataOffset + n})) return false;
  handBack(block, status, senseByte);
  return true;
}

bool identifyDrive() {
  if (!carrierOpen()) {
    say("%s", msg::kTapeOpenFailed);
    printLastError();
    return false;
  }
  uint8_t id[pt::kIdentificationLength] = {};
  bool found = false;
  if (!carrierIdentification(id, &found)) {
    say("%s", msg::kInquiryFailed);
    printLastError();
    carrierClose();
    return false;
  }
  if (found) say(msg::kIdentification, reinterpret_cast<const char*>(id));
  if (!found || std::memcmp(id, pt::kSupportedDrive, pt::kIdentificationLength) != 0) {
    say("%s", msg::kDriveNotSupported);
    carrierClose();
    return false;
  }
  return true;
}

void closeTape() { carrierClose(); }

void printLastError() {
  char text[80];
  long lookupError = 0;
  if (carrierErrorText(text, sizeof text, &lookupError)) {
    say(msg::kSystemText, text);
  } else {
    say(msg::kFormatMessageFailed, static_cast<int>(lookupError));
  }
}

bool identificationFromAdapterReply(const uint8_t* reply, uint32_t returned, uint8_t id[28]) {
  // SCSI_ADAPTER_BUS_INFO: NumberOfBuses at 0; BusData[0] at 4 with
  // NumberOfLogicalUnits, InitiatorBusId, InquiryDataOffset (at 8).
  // SCSI_INQUIRY_DATA: the INQUIRY data starts at 12 of the record, and the
  // identification at 8 of the INQUIRY data.
  if (returned < 12 || reply[0] == 0 || reply[4] == 0) return false;
  uint64_t at = uint64_t{pt::get32(reply + 8)} + 20;
  if (at + pt::kIdentificationLength > returned) return false;
  std::memcpy(id, reply + at, pt::kIdentificationLength);
  return true;
}

uint32_t platformBufferSize(uint32_t size, uint32_t headerSize, uint32_t dataOffset) {
  if (size <= pt::kHeaderSize) return headerSize;
  if (size < pt::kDataOffset) return headerSize + (size - pt::kHeaderSize);
  return dataOffset + (size - pt::kDataOffset);
}
