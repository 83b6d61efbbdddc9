// The platform's carrier of pass-through requests: the tape device and the
// control that takes a PassThroughRequest to it. One implementation per
// platform, and a simulated drive for tests, chosen when linking.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pass_through.h"

// Opens the first tape device of the system. False when it cannot be opened.
bool carrierOpen();
// Closes the device opened by carrierOpen.
void carrierClose();
// Reads the drive's identification (INQUIRY bytes 8-35) into id. False when
// the control failed; *found is false when the answer holds no usable
// identification.
bool carrierIdentification(uint8_t id[28], bool* found);
// Sends the command of `block` and writes back into the block the SCSI
// status (byte 2), the sense data (bytes 48..71) and, for data-in commands,
// the number of bytes transferred (never more than asked) and the data.
// False when the command could not be delivered.
bool carrierSend(PassThroughRequest& block, PassThroughSizes sizes);
// The system's text for the last error of the calls above, at most
// `size` - 1 characters. False when there is none; *lookupError then holds
// the error of the lookup itself.
bool carrierErrorText(char* text, size_t size, long* lookupError);
