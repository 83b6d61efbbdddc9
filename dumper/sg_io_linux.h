// The Linux SCSI generic (SG_IO) form of a command, both ways.
#pragma once

#include <scsi/sg.h>

#include "carrier.h"

// An sg_io_hdr that sends `command`, its data in place in command.data and
// its sense data into `sense` (pt::kSenseLength bytes, zeroed by the caller).
sg_io_hdr_t sgIoFromCommand(const ScsiCommand& command, uint8_t* sense);
// Whether the command reached the device and ended (with any SCSI status):
// a non-zero host status (no connection, a timeout, an abort), or a driver
// status other than none or "sense data valid", means it did not.
bool sgIoCarriedOut(const sg_io_hdr_t& hdr);
// The status, the sense area (byte 2 of it apart when the driver wrote it)
// and, for a data-in command, the bytes transferred.
ScsiResult resultFromSgIo(const sg_io_hdr_t& hdr, const ScsiCommand& command, const uint8_t* sense);
