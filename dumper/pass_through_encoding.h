// The Windows pass-through (IOCTL_SCSI_PASS_THROUGH) in pure encodings, the
// same on every machine: the header fields and buffer sizes of a command in
// any layout of the header (the Windows carrier fills the platform's own
// SCSI_PASS_THROUGH from them), the answer read back, and the drive's
// identification in the adapter's inquiry reply.
#pragma once

#include <cstdint>

#include "carrier.h"

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
// both ways for a data-out command. A 32-bit process's SCSI_PASS_THROUGH has
// 44 bytes, a 64-bit one's 56.
PassThroughSizes passThroughSizes(const ScsiCommand& command, uint32_t headerSize,
                                  uint32_t dataOffset);

// What the control answered for `command`: the status, the sense area
// (pt::kSenseLength bytes) and the SenseInfoLength the control handed back,
// the length it reports transferred and the data area. For a data-in
// command the bytes transferred (never more than asked) are copied to
// command.data.
ScsiResult passThroughResult(const ScsiCommand& command, uint8_t status, const uint8_t* sense,
                             uint8_t senseLength, uint32_t transferred, const uint8_t* data);

// The 28 identification bytes from an adapter's inquiry reply
// (SCSI_ADAPTER_BUS_INFO, in a buffer of `size` bytes): those at
// InquiryDataOffset + 20 of the first logical unit of bus 0. False when the
// reply lists no logical unit for bus 0 or the offset leads outside the
// buffer.
bool identificationFromAdapterReply(const uint8_t* reply, uint32_t size, uint8_t id[28]);
