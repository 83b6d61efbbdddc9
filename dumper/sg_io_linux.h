// Linux SCSI generic (SG_IO) form of a pass-through request.
#pragma once

#include <scsi/sg.h>

#include "pass_through.h"

// An sg_io_hdr that sends the command of `block` and takes the sense data
// and the data of the command in place, inside the block.
sg_io_hdr_t sgIoFromRequest(PassThroughRequest& block);
// Whether the command reached the device and ended (with any SCSI status):
// a non-zero host status, or a driver status other than none or "sense
// data valid", means it did not.
bool sgIoCarriedOut(const sg_io_hdr_t& hdr);
// Writes the SCSI status and the count of bytes transferred back into the block.
void requestFromSgIo(const sg_io_hdr_t& hdr, PassThroughRequest& block);
