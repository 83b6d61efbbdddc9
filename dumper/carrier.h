// The carrier of SCSI commands: the dumper's one contact with the operating
// system's SCSI pass-through. A command is a six-byte CDB, the direction and
// buffer of its data and a timeout; its answer is the SCSI status, the sense
// area as the system handed it back (with byte 2 of it apart, as the capture
// reads it) and the number of bytes transferred. One implementation per
// platform (carrier_linux.cpp, carrier_win32.cpp, carrier_other.cpp), or the
// simulated drive, chosen when linking.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pt {

// The most one command transfers, and the sense bytes asked for.
constexpr uint32_t kMaxTransfer = 8192;
constexpr uint32_t kSenseLength = 24;
constexpr size_t kIdentificationLength = 28;

}  // namespace pt

// Which way a command's data goes. Each carrier says it in its system's
// terms itself.
enum class DataDirection : uint8_t { None, In, Out };

struct ScsiCommand {
  uint8_t cdb[6];
  DataDirection direction;
  uint8_t* data;    // In: receives the data; Out: holds the bytes to send
  uint32_t length;  // bytes to transfer, at most pt::kMaxTransfer
  uint32_t timeoutSeconds;
};

struct ScsiResult {
  uint8_t status = 0;        // the SCSI status byte
  uint8_t senseByte = 0;     // byte 2 of fixed-format sense data; 0 when none came
  uint32_t transferred = 0;  // In: bytes received, never more than asked; otherwise 0
  // The whole sense area asked for, as the system handed it back (zeros
  // where it wrote none), and how many bytes of it the system says it
  // wrote: -1 where it does not say.
  uint8_t sense[pt::kSenseLength] = {};
  int senseLength = -1;
};

// The drive's identification as the system gives it: INQUIRY bytes 8-35 and
// whether the answer held them. A system that asks the drive itself (Linux)
// sends a standard INQUIRY of its own, which `asked`, `cdb`, `length` and
// `result` tell; one that keeps the identification from its scan of the bus
// (Windows, the simulated drive) sends nothing.
struct Identification {
  uint8_t id[pt::kIdentificationLength] = {};
  bool found = false;
  bool asked = false;
  uint8_t cdb[6] = {};
  uint32_t length = 0;
  ScsiResult result;
};

// The system's tape drives, numbered from 0 in the system's own order.
// True when the system has drive `drive`, also one that cannot be opened
// (in use, not this user's); nothing is sent to it.
bool carrierHasDrive(int drive);
// Opens drive `drive` of the system. False when it cannot be opened.
bool carrierOpen(int drive);
// Opens the tape device the user named. False when it cannot be opened.
bool carrierOpenDevice(const char* device);
// The name of the device the latest open opened, or the one it tried last
// when it failed (whose failure carrierErrorText tells).
const char* carrierDeviceName();
// Closes the device opened by carrierOpen.
void carrierClose();
// Reads the drive's identification. False when the control failed; then
// only `asked`, `cdb` and `length` are written.
bool carrierIdentification(Identification* identification);
// Sends one command and waits for its end. True when it was carried out,
// whatever its SCSI status; `result` is written only then. False when the
// command could not be delivered or did not end in time.
bool carrierSend(const ScsiCommand& command, ScsiResult* result);
// The system's text for the last error of the calls above, as one line
// without its end, at most `size` - 1 characters; when the system has no
// text for it, the carrier's own line that says so.
void carrierErrorText(char* text, size_t size);
// The system's number for that error (errno; GetLastError on Windows).
unsigned long carrierErrorCode();
// The system the carrier speaks to: "linux", "windows", "simulated" or
// "none".
const char* carrierPlatform();
