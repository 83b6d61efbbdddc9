// The carrier of kovrant-sim: every command goes straight to the drive
// model, linked in place of the operating system's pass-through. A command
// whose answer would come after its timeout counts as one that failed, as
// the pass-through reports it. In a replay (replay.h) every call is
// answered from the trace instead.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "carrier.h"
#include "drive_model.h"
#include "pass_through.h"
#include "replay.h"
#include "system_services.h"

namespace {

std::string openedName;

// The simulated drives are named "tape0", "tape1", ...
std::string nameOf(int drive) {
  return "tape" + std::to_string(drive);
}

// The drive `device` names: "tapeN", or a symbolic link to such a name (as
// the links under /dev/tape/by-id name a system's drives); -1 for none.
int driveNamed(const char* device) {
  std::error_code error;
  std::filesystem::path target = std::filesystem::read_symlink(device, error);
  for (int drive = 0; drive < sim::driveCount(); ++drive) {
    if (nameOf(drive) == device || (!error && target.filename() == nameOf(drive))) return drive;
  }
  return -1;
}

void configure() {
  std::string reason;
  if (!sim::configureFromEnvironment(&reason)) {
    std::fprintf(stderr, "kovrant-sim: %s\n", reason.c_str());
    std::exit(2);
  }
}

}  // namespace

bool carrierHasDrive(int drive) {
  if (replay::active()) return replay::hasDrive(drive);
  configure();
  return drive >= 0 && drive < sim::driveCount();
}

bool carrierOpen(int drive) {
  if (replay::active()) return replay::open(drive);
  configure();
  openedName = nameOf(drive);
  return sim::open(drive);
}

bool carrierOpenDevice(const char* device) {
  if (replay::active()) return replay::openDevice(device);
  configure();
  int drive = driveNamed(device);
  if (drive < 0) {
    sim::setLastError(sim::kFileNotFound);
    return false;
  }
  bool opened = carrierOpen(drive);
  openedName = device;  // as the user named it, as the system's carriers keep it
  return opened;
}

const char* carrierDeviceName() {
  return replay::active() ? replay::deviceName() : openedName.c_str();
}

void carrierClose() {
  if (replay::active()) return replay::close();
  sim::close();
  sim::writeLogFromEnvironment();
}

bool carrierIdentification(Identification* identification) {
  if (replay::active()) return replay::identification(identification);
  return sim::identification(identification->id, &identification->found);
}

bool carrierSend(const ScsiCommand& command, ScsiResult* result) {
  if (replay::active()) return replay::send(command, result);
  uint32_t length = command.length > pt::kMaxTransfer ? pt::kMaxTransfer : command.length;
  sim::Flow flow = command.direction == DataDirection::In    ? sim::Flow::In
                   : command.direction == DataDirection::Out ? sim::Flow::Out
                                                             : sim::Flow::None;
  sim::Answer a = sim::execute(command.cdb, flow, command.data, length, command.timeoutSeconds);
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
  std::memset(result->sense, 0, sizeof result->sense);
  std::memcpy(result->sense, a.sense, sizeof a.sense);
  result->senseLength = a.sense[0] != 0 ? static_cast<int>(sizeof a.sense) : 0;
  result->transferred = 0;
  if (command.direction == DataDirection::In) {
    result->transferred = a.reported < length ? a.reported : length;
  }
  return true;
}

void carrierErrorText(char* text, size_t size) {
  if (replay::active()) return replay::errorText(text, size);
  const char* s = sim::windowsErrorText(sim::lastError());
  if (s == nullptr || std::strlen(s) + 1 > size) {
    lookupFailedText(text, size, 317);  // ERROR_MR_MID_NOT_FOUND: no text for the code
    return;
  }
  std::snprintf(text, size, "%s", s);
}

unsigned long carrierErrorCode() {
  if (replay::active()) return replay::errorCode();
  return sim::lastError();
}

const char* carrierPlatform() {
  return "simulated";
}
