// KOVRANT --identify: what the drive says of itself, for a user whose drive
// does something unexpected. Opens the device a capture would use, reads
// the identification as the capture reads it, the standard INQUIRY data,
// the vital product data pages 00h and 80h (the unit serial number) where
// the drive offers them, and the current mode parameters as the capture's
// first MODE SENSE asks them, and prints each decoded and in hex, with
// whether this is the supported drive and, when not, what differs. It
// selects no mode, moves no tape and writes no file.
#pragma once

// Exit status 0 when the drive answered the identification, 1 when the
// device could not be opened or the identification failed.
int runIdentify(const char* device);
