// Carrier for a system whose SCSI pass-through the dumper does not know:
// there is no tape device to open, and the error text says why.
#include <cstdio>

#include "carrier.h"

namespace {
const char kNoPassThrough[] = "no SCSI pass-through for tape drives on this system";
}

bool carrierHasDrive(int) {
  return false;
}

bool carrierOpen(int) {
  return false;
}

bool carrierOpenDevice(const char*) {
  return false;
}

const char* carrierDeviceName() {
  return "";
}

void carrierClose() {}

bool carrierIdentification(Identification*) {
  return false;
}

bool carrierSend(const ScsiCommand&, ScsiResult*) {
  return false;
}

void carrierErrorText(char* text, size_t size) {
  std::snprintf(text, size, "%s", kNoPassThrough);
}

unsigned long carrierErrorCode() {
  return 0;
}

const char* carrierPlatform() {
  return "none";
}
