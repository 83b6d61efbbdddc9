// The Windows pass-through (IOCTL_SCSI_PASS_THROUGH) in pure encodings, the
// same on every machine: the header fields and buffer sizes of a command in
// any layout of the header (the Windows carrier fills the platform's own
// SCSI_PASS_THROUGH from them), the answer read back, and the request block
// in its 32-bit layout (the SCSI_PASS_THROUGH header, 24 bytes of sense and
// the data area, 8272 bytes in all, given to the control as both the input
// and the output buffer).
#pragma once

#include <cstdint>

#include "carrier.h"
#include "little_endian.h"

namespace pt {

constexpr uint32_t kBlockSize = 8272;
constexpr uint32_t kHeaderSize = 44;
constexpr uint32_t kSenseOffset = 48;
constexpr uint32_t kDataOffset = 80;

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

}  // namespace pt

struct PassThroughRequest {
  uint8_t bytes[pt::kBlockSize];

  uint8_t dataIn() const { return bytes[pt::kDataInAt]; }
  uint32_t dataTransferLength() const { return readLe32(bytes + pt::kDataTransferLengthAt); }
  uint32_t timeOutValue() const { return readLe32(bytes + pt::kTimeOutValueAt); }
  const uint8_t* cdb() const { return bytes + pt::kCdbAt; }
  uint8_t* sense() { return bytes + pt::kSenseOffset; }
  uint8_t* data() { return bytes + pt::kDataOffset; }
  const uint8_t* data() const { return bytes + pt::kDataOffset; }
};

// The header fields of the pass-through for one command, the same in every
// layout of the header: the drive's address (path 0, target 1, unit 0), the
// lengths, DataIn in the control's values (SCSI_IOCTL_DATA_OUT 0, _IN 1,
// _UNSPECIFIED 2), the transfer length (at most pt::kMaxTransfer) and the
// timeout in seconds.
struct PassThroughHeader {
  uint8_t pathId, targetId, lun, cdbLength, senseInfoLength, dataIn;
  uint32_t dataTransferLength, timeOutValue;
};
PassThroughHeader passThroughHeader(const ScsiCommand& command);

// The input and output buffer sizes given to the control.
struct PassThroughSizes {
  uint32_t input;
  uint32_t output;
};
// The sizes for `command` in a layout whose header has `headerSize` bytes
// and whose data area starts at `dataOffset`: the header and sense alone
// (up to the data area) for a command without data, the header alone in and
// up to the end of the transfer out for a data-in command, header and data
// both ways for a data-out command. The 32-bit layout is (44, 80); a 64-bit
// process's SCSI_PASS_THROUGH has 56 bytes.
PassThroughSizes passThroughSizes(const ScsiCommand& command, uint32_t headerSize,
                                  uint32_t dataOffset);

// What the control answered for `command`: the status, the sense data, the
// length it reports transferred and the data area. For a data-in command
// the bytes transferred (never more than asked) are copied to command.data.
ScsiResult passThroughResult(const ScsiCommand& command, uint8_t status, const uint8_t* sense,
                             uint32_t transferred, const uint8_t* data);

// Fills `block` afresh for `command`: zeroes, the header, and for a data-out
// command its bytes in the data area. Returns the buffer sizes: the first
// 80 bytes for a command without data, the header alone in and up to the end
// of the transfer out for a data-in command, header and data both ways for a
// data-out command.
PassThroughSizes encodeRequest(const ScsiCommand& command, PassThroughRequest* block);

// What the control wrote back into `block` for `command`: the status, sense
// byte 2 and, for a data-in command, the bytes transferred (never more than
// asked), which are also copied to command.data.
ScsiResult resultFromBlock(const PassThroughRequest& block, const ScsiCommand& command);

// The 28 identification bytes from an adapter's inquiry reply
// (SCSI_ADAPTER_BUS_INFO, in a buffer of `size` bytes): those at
// InquiryDataOffset + 20 of the first logical unit of bus 0. False when the
// reply lists no logical unit for bus 0 or the offset leads outside the
// buffer.
bool identificationFromAdapterReply(const uint8_t* reply, uint32_t size, uint8_t id[28]);
