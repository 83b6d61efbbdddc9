// The carrier of kovrant-sim: every command goes straight to the drive
// model, linked in place of the operating system's pass-through. A command
// whose answer would come after its timeout counts as one that failed, as
// the pass-through reports it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "carrier.h"
#include "drive_model.h"
#include "system_services.h"

namespace {}  // namespace

bool carrierOpen() {
  std::string reason;
  if (!sim::configureFromEnvironment(&reason)) {
    std::fprintf(stderr, "kovrant-sim: %s\n", reason.c_str());
    std::exit(2);
  }
  return sim::open();
}

void carrierClose() {
  sim::close();
  sim::writeLogFromEnvironment();
}

bool carrierIdentification(uint8_t id[pt::kIdentificationLength], bool* found) {
  return sim::identification(id, found);
}

bool carrierSend(const ScsiCommand& command, ScsiResult* result) {
  uint32_t length = command.length > pt::kMaxTransfer ? pt::kMaxTransfer : command.length;
  sim::Answer a = sim::execute(command.cdb, static_cast<sim::Flow>(command.direction), command.data,
                               length, command.timeoutSeconds);
  if (a.interrupt) requestInterrupt();
  if (!a.delivered) {
    sim::setLastError(sim::kIoDevice);
    return false;
  }
  if (command.timeoutSeconds > 0 && a.delayMs >= command.timeoutSeconds * 1000u) {
    sim::sleep(command.timeoutSeconds * 1000u);
    sim::setLastError(sim::kSemTimeout);
    return false;
  }
  sim::sleep(a.delayMs);
  result->status = a.status;
  result->senseByte = a.sense[2];
  result->transferred = 0;
  if (command.direction == DataDirection::In) {
    result->transferred = a.reported < length ? a.reported : length;
  }
  return true;
}

bool carrierErrorText(char* text, size_t size, long* lookupError) {
  const char* s = sim::windowsErrorText(sim::lastError());
  if (s == nullptr || std::strlen(s) + 1 > size) {
    *lookupError = 317;  // ERROR_MR_MID_NOT_FOUND: no text for the code
    return false;
  }
  std::snprintf(text, size, "%s", s);
  return true;
}
