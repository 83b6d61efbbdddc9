#include "pass_through.h"

#include <cstring>
#include <string>
#include <vector>

#include "console.h"
#include "dumper_messages.h"

namespace {

// Timeouts in seconds.
constexpr uint32_t kTestUnitReadyTimeout = 5;
constexpr uint32_t kRewindTimeout = 80;
constexpr uint32_t kUnloadTimeout = 20;
constexpr uint32_t kModeTimeout = 2;
constexpr uint32_t kReadTimeout = 10;

// Data travels through this buffer, so that a command that fails leaves the
// caller's buffer as it was and one that transfers less writes only what came.
uint8_t transferBuffer[pt::kMaxTransfer];

bool send(const uint8_t (&cdb)[6], DataDirection direction, uint32_t length, uint32_t timeout,
          uint8_t* status, uint8_t* senseByte, ScsiResult* result) {
  ScsiCommand command{};
  std::memcpy(command.cdb, cdb, 6);
  command.direction = direction;
  command.data = transferBuffer;
  command.length = length;
  command.timeoutSeconds = timeout;
  if (!carrierSend(command, result)) return false;
  *status = result->status;
  *senseByte = result->senseByte;
  return true;
}

// A command without data: TEST UNIT READY, REWIND, LOAD UNLOAD.
bool noDataCommand(uint8_t opcode, uint32_t timeout, uint8_t* status, uint8_t* senseByte) {
  if (status == nullptr || senseByte == nullptr) return false;
  ScsiResult result;
  return send({opcode, 0, 0, 0, 0, 0}, DataDirection::None, 0, timeout, status, senseByte, &result);
}

// A data-in command: MODE SENSE(6), READ(6). `cdb` gets its length field
// from the caller's request reduced to `limit`.
bool dataInCommand(uint8_t (&cdb)[6], bool threeByteLength, int32_t limit, uint32_t timeout,
                   uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte) {
  if (buffer == nullptr || length == nullptr || status == nullptr || senseByte == nullptr) {
    return false;
  }
  int32_t n = *length;
  if (n > limit) n = limit;
  uint32_t wanted = n < 0 ? 0 : static_cast<uint32_t>(n);
  if (threeByteLength) {
    cdb[2] = static_cast<uint8_t>(wanted >> 16);
    cdb[3] = static_cast<uint8_t>(wanted >> 8);
  }
  cdb[4] = static_cast<uint8_t>(wanted);
  ScsiResult result;
  if (!send(cdb, DataDirection::In, wanted, timeout, status, senseByte, &result)) return false;
  uint32_t got = result.transferred < wanted ? result.transferred : wanted;
  *length = static_cast<int32_t>(got);
  if (got > 0) std::memcpy(buffer, transferBuffer, got);
  return true;
}

}  // namespace

bool ScsiTestUnitReady(uint8_t* status, uint8_t* senseByte) {
  return noDataCommand(0x00, kTestUnitReadyTimeout, status, senseByte);
}

bool ScsiRewind(uint8_t* status, uint8_t* senseByte) {
  return noDataCommand(0x01, kRewindTimeout, status, senseByte);
}

bool ScsiUnload(uint8_t* status, uint8_t* senseByte) {
  return noDataCommand(0x1B, kUnloadTimeout, status, senseByte);
}

bool ScsiModeSense(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte) {
  uint8_t cdb[6] = {0x1A, 0, 0, 0, 0, 0};
  return dataInCommand(cdb, false, pt::kModeSenseLimit, kModeTimeout, buffer, length, status,
                       senseByte);
}

bool ScsiRead(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte) {
  uint8_t cdb[6] = {0x08, 0, 0, 0, 0, 0};
  return dataInCommand(cdb, true, static_cast<int32_t>(pt::kMaxTransfer), kReadTimeout, buffer,
                       length, status, senseByte);
}

bool ScsiModeSelect(const uint8_t* parameterList, int32_t length, uint8_t* status,
                    uint8_t* senseByte) {
  if (parameterList == nullptr || status == nullptr || senseByte == nullptr) return false;
  // MODE SELECT(6) carries the length in one byte: a length outside 0..255
  // is refused without sending anything.
  if (length < 0 || length > 255) return false;
  uint32_t n = static_cast<uint32_t>(length);
  if (n > 0) std::memcpy(transferBuffer, parameterList, n);
  ScsiResult result;
  return send({0x15, 0x10, 0, 0, static_cast<uint8_t>(n), 0}, DataDirection::Out, n, kModeTimeout,
              status, senseByte, &result);
}

namespace {

bool isSupported(const uint8_t id[pt::kIdentificationLength], bool found) {
  return found && std::memcmp(id, pt::kSupportedDrive, pt::kIdentificationLength) == 0;
}

// Whether the drive just opened is the supported one, asking it quietly.
bool openedIsSupported() {
  uint8_t id[pt::kIdentificationLength] = {};
  bool found = false;
  return carrierIdentification(id, &found) && isSupported(id, found);
}

// The identification of the drive just opened, said on the console and
// compared with the supported drive's. On false the drive is closed.
bool checkOpenedDrive() {
  uint8_t id[pt::kIdentificationLength] = {};
  bool found = false;
  if (!carrierIdentification(id, &found)) {
    printStdout(msg::kInquiryFailed);
    printLastError();
    carrierClose();
    return false;
  }
  if (found) printStdout(msg::kIdentification, reinterpret_cast<const char*>(id));
  if (!isSupported(id, found)) {
    printStdout(msg::kDriveNotSupported);
    carrierClose();
    return false;
  }
  return true;
}

bool openFailed() {
  printStdout(msg::kTapeOpenFailed);
  printLastError();
  return false;
}

// The system's text for the carrier's last error, as one line without its end.
std::string lastErrorText() {
  char text[512];
  carrierErrorText(text, sizeof text);
  return text;
}

// Says which device is used, for the console and the capture log: its name
// as every name from outside is shown (shownName).
void sayDevice(std::string* said) {
  *said = shownName(carrierDeviceName());
  printStdout(msg::kTapeDevice, said->c_str());
}

// A drive of the search that could not be opened: its device and the
// system's reason.
struct Unopened {
  std::string device;
  std::string reason;
};

}  // namespace

bool identifyDrive(const char* device, std::string* said) {
  said->clear();
  if (device != nullptr) {
    if (!carrierOpenDevice(device)) return openFailed();
    sayDevice(said);
    return checkOpenedDrive();
  }
  // With one drive the run is the same as ever. With several, the first
  // that is the supported drive is used.
  bool first = carrierOpen(0);
  if (!carrierHasDrive(1)) return first ? checkOpenedDrive() : openFailed();
  if (first && openedIsSupported()) {
    sayDevice(said);
    return checkOpenedDrive();
  }
  if (first) carrierClose();
  std::vector<Unopened> unopened;
  for (int drive = 1; carrierHasDrive(drive); ++drive) {
    if (!carrierOpen(drive)) {
      unopened.push_back({shownName(carrierDeviceName()), lastErrorText()});
      continue;
    }
    if (openedIsSupported()) {
      sayDevice(said);
      return checkOpenedDrive();
    }
    carrierClose();
  }
  // None that opened is the supported drive: the first is refused as before,
  // opened again so that a failure is its own. A drive that could not be
  // opened may be the supported one: each is named with the system's
  // reason, which is what the user can act on (a program holding the drive,
  // a missing permission).
  if (carrierOpen(0)) {
    sayDevice(said);
    if (checkOpenedDrive()) return true;
  } else {
    openFailed();
  }
  for (const Unopened& u : unopened) {
    printStdout(msg::kDriveOpenFailed, u.device.c_str());
    printStdout(msg::kSystemText, u.reason.c_str());
  }
  return false;
}

void closeTape() {
  carrierClose();
}

void printLastError() {
  printStdout(msg::kSystemText, lastErrorText().c_str());
}

void lookupFailedText(char* text, size_t size, long error) {
  // The console's line without its end: kSystemText gives it back.
  std::string line = msg::kFormatMessageFailed.c_str();
  if (!line.empty() && line.back() == '\n') line.pop_back();
  std::snprintf(text, size, line.c_str(), static_cast<int>(error));
}
