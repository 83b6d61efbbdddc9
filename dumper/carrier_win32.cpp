// Windows carrier: "\\.\TapeN", IOCTL_SCSI_GET_INQUIRY_DATA and
// IOCTL_SCSI_PASS_THROUGH.
#include <windows.h>

#include <ntddscsi.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "carrier.h"
#include "error_text_win32.h"
#include "pass_through.h"
#include "pass_through_encoding.h"

namespace {

HANDLE tapeHandle = INVALID_HANDLE_VALUE;
DWORD lastError = 0;  // GetLastError of the latest failed call

// The platform's own block: SCSI_PASS_THROUGH (44 bytes in a 32-bit
// process, 56 in a 64-bit one), then sense and data, as the control wants.
struct PlatformBlock {
  SCSI_PASS_THROUGH spt;
  ULONG filler;
  UCHAR sense[32];
  UCHAR data[pt::kMaxTransfer];
};

constexpr uint32_t kPlatformDataOffset = offsetof(PlatformBlock, data);

std::string openedName;

// "\\.\TapeN": the system numbers its tape drives from 0.
std::string tapeName(int drive) {
  return "\\\\.\\Tape" + std::to_string(drive);
}

HANDLE openTape(const char* device) {
  return CreateFileA(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

bool fail() {
  lastError = GetLastError();
  return false;
}

}  // namespace

bool carrierHasDrive(int drive) {
  HANDLE h = openTape(tapeName(drive).c_str());
  if (h == INVALID_HANDLE_VALUE) {
    // Only a name the system does not know is no drive: one in use or not
    // this user's is there all the same.
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  }
  CloseHandle(h);
  return true;
}

bool carrierOpen(int drive) {
  return carrierOpenDevice(tapeName(drive).c_str());
}

bool carrierOpenDevice(const char* device) {
  openedName = device;
  tapeHandle = openTape(device);
  return tapeHandle != INVALID_HANDLE_VALUE || fail();
}

const char* carrierDeviceName() {
  return openedName.c_str();
}

void carrierClose() {
  if (tapeHandle != INVALID_HANDLE_VALUE) CloseHandle(tapeHandle);
  tapeHandle = INVALID_HANDLE_VALUE;
}

bool carrierIdentification(Identification* identification) {
  // The count of bytes returned is not looked at (Wine reports 36 for a
  // reply of 60): the reply is read in the whole buffer, cleared first, so
  // that a place the reply did not fill reads as zeros, not a drive.
  static uint8_t reply[2048];
  std::memset(reply, 0, sizeof reply);
  DWORD returned = 0;
  if (!DeviceIoControl(tapeHandle, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, reply, sizeof reply,
                       &returned, nullptr)) {
    return fail();
  }
  identification->found = identificationFromAdapterReply(reply, sizeof reply, identification->id);
  return true;
}

bool carrierSend(const ScsiCommand& command, ScsiResult* result) {
  // The command straight into the platform's own block: SCSI_PASS_THROUGH
  // (44 bytes in a 32-bit process, 56 in a 64-bit one), sense, data.
  static PlatformBlock p;
  std::memset(&p, 0, sizeof p);
  PassThroughHeader h = passThroughHeader(command);
  p.spt.Length = sizeof(SCSI_PASS_THROUGH);
  p.spt.PathId = h.pathId;
  p.spt.TargetId = h.targetId;
  p.spt.Lun = h.lun;
  p.spt.CdbLength = h.cdbLength;
  p.spt.SenseInfoLength = h.senseInfoLength;
  p.spt.DataIn = h.dataIn;
  p.spt.DataTransferLength = h.dataTransferLength;
  p.spt.TimeOutValue = h.timeOutValue;
  p.spt.DataBufferOffset = kPlatformDataOffset;
  p.spt.SenseInfoOffset = offsetof(PlatformBlock, sense);
  std::memcpy(p.spt.Cdb, command.cdb, 6);
  if (command.direction == DataDirection::Out)
    std::memcpy(p.data, command.data, h.dataTransferLength);
  PassThroughSizes sizes =
      passThroughSizes(command, sizeof(SCSI_PASS_THROUGH), kPlatformDataOffset);
  DWORD returned = 0;
  if (!DeviceIoControl(tapeHandle, IOCTL_SCSI_PASS_THROUGH, &p, sizes.input, &p, sizes.output,
                       &returned, nullptr)) {
    return fail();
  }
  *result = passThroughResult(command, p.spt.ScsiStatus, p.sense, p.spt.SenseInfoLength,
                              p.spt.DataTransferLength, p.data);
  return true;
}

void carrierErrorText(char* text, size_t size) {
  long lookupError = 0;
  if (!systemErrorText(lastError, text, size, &lookupError)) {
    lookupFailedText(text, size, lookupError);
  }
}

unsigned long carrierErrorCode() {
  return lastError;
}

const char* carrierPlatform() {
  return "windows";
}
