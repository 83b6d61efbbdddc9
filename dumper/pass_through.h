// The dumper's whole contact with the tape drive: identification of the
// drive and six requests, each sending one six-byte SCSI command through the
// operating system's pass-through and handing back the drive's answer.
//
// Every request builds a PassThroughRequest block: the SCSI_PASS_THROUGH
// header in its 32-bit layout, 24 bytes of sense and the data area. The
// carrier of the platform (carrier.h) takes the block to the drive and
// writes the results back into it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pt {

constexpr uint32_t kBlockSize = 8272;
constexpr uint32_t kHeaderSize = 44;
constexpr uint32_t kSenseOffset = 48;
constexpr uint32_t kSenseLength = 24;
constexpr uint32_t kDataOffset = 80;
constexpr uint32_t kMaxTransfer = 8192;
constexpr int32_t kModeSenseLimit = 192;

// Header field offsets.
constexpr uint32_t kLengthAt = 0;
constexpr uint32_t kScsiStatusAt = 2;
constexpr uint32_t kPathIdAt = 3;
constexpr uint32_t kTargetIdAt = 4;
constexpr uint32_t kLunAt = 5;
constexpr uint32_t kCdbLengthAt = 6;
constexpr uint32_t kSenseInfoLengthAt = 7;
constexpr uint32_t kDataInAt = 8;
constexpr uint32_t kDataTransferLengthAt = 12;
constexpr uint32_t kTimeOutValueAt = 16;
constexpr uint32_t kDataBufferOffsetAt = 20;
constexpr uint32_t kSenseInfoOffsetAt = 24;
constexpr uint32_t kCdbAt = 28;

// DataIn values.
constexpr uint8_t kDataOut = 0;
constexpr uint8_t kDataIn = 1;
constexpr uint8_t kDataUnspecified = 2;

constexpr size_t kIdentificationLength = 28;
constexpr char kSupportedDrive[] = "SONY    SDT-9000        12.2";

uint32_t get32(const uint8_t* at);
void put32(uint8_t* at, uint32_t v);

}  // namespace pt

struct PassThroughRequest {
  uint8_t bytes[pt::kBlockSize];

  uint8_t dataIn() const { return bytes[pt::kDataInAt]; }
  uint32_t dataTransferLength() const { return pt::get32(bytes + pt::kDataTransferLengthAt); }
  uint32_t timeOutValue() const { return pt::get32(bytes + pt::kTimeOutValueAt); }
  const uint8_t* cdb() const { return bytes + pt::kCdbAt; }
  uint8_t* sense() { return bytes + pt::kSenseOffset; }
  uint8_t* data() { return bytes + pt::kDataOffset; }
};

// What the pass-through control is given for one command: the block and the
// input and output buffer sizes (both measured in the 32-bit layout).
struct PassThroughSizes {
  uint32_t input;
  uint32_t output;
};

// Zeroes the block and writes the header of one command.
void buildRequest(PassThroughRequest& block, const uint8_t cdb[6], uint8_t dataIn,
                  uint32_t transferLength, uint32_t timeoutSeconds);

// The six requests. True when the pass-through control was carried out,
// whatever SCSI status the command ended with; false when a required
// argument is null (nothing is sent) or the control failed. Outputs are
// written only on true: `status` the SCSI status byte, `senseByte` byte 2 of
// the sense data as returned (0 when none), `length` the bytes received.
bool ScsiTestUnitReady(uint8_t* status, uint8_t* senseByte);
bool ScsiRewind(uint8_t* status, uint8_t* senseByte);
bool ScsiUnload(uint8_t* status, uint8_t* senseByte);
bool ScsiModeSense(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte);
bool ScsiModeSelect(const uint8_t* parameterList, int32_t length, uint8_t* status,
                    uint8_t* senseByte);
bool ScsiRead(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte);

// Opens the tape device and checks that the drive is the supported one. On
// false it has printed why and closed what it opened.
bool identifyDrive();
// Closes the tape device that identifyDrive opened.
void closeTape();
// Prints the operating system's text for the last error of the tape device.
void printLastError();

// A buffer size given in the 32-bit layout (the header alone, or up to a
// point in the data area) in a platform layout whose header has
// `headerSize` bytes and whose data area starts at `dataOffset`.
uint32_t platformBufferSize(uint32_t size, uint32_t headerSize, uint32_t dataOffset);

// The 28 identification bytes from an adapter's inquiry reply
// (SCSI_ADAPTER_BUS_INFO, `returned` bytes): those at InquiryDataOffset + 20
// of the first logical unit of bus 0. False when the reply lists no logical
// unit for bus 0 or the offset leads outside the bytes returned.
bool identificationFromAdapterReply(const uint8_t* reply, uint32_t returned, uint8_t id[28]);
