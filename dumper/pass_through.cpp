#include "pass_through.h"

#include <cstring>
#include <string>
#include <vector>

#include "console.h"
#include "dumper_messages.h"
#include "system_services.h"
#include "trace.h"

namespace {

// Timeouts in seconds.
constexpr uint32_t kTestUnitReadyTimeout = 5;
constexpr uint32_t kRewindTimeout = 80;
constexpr uint32_t kUnloadTimeout = 20;
constexpr uint32_t kModeTimeout = 2;
constexpr uint32_t kReadTimeout = 10;
constexpr uint32_t kInquiryTimeout = 5;

// Data travels through this buffer, so that a command that fails leaves the
// caller's buffer as it was and one that transfers less writes only what came.
uint8_t transferBuffer[pt::kMaxTransfer];

// The carrier's calls, each seen by the trace (trace.h) as the carrier
// answered it.
bool carried(const ScsiCommand& command, ScsiResult* result) {
  uint64_t started = trace::active() ? steadyMicroseconds() : 0;
  bool ok = carrierSend(command, result);
  trace::request(command, ok, *result, started);
  return ok;
}

bool identified(Identification* identification) {
  uint64_t started = trace::active() ? steadyMicroseconds() : 0;
  bool ok = carrierIdentification(identification);
  trace::identification(*identification, ok, started);
  return ok;
}

bool hasDrive(int drive) {
  bool answer = carrierHasDrive(drive);
  trace::hasDrive(drive, answer);
  return answer;
}

bool openDrive(int drive) {
  bool ok = carrierOpen(drive);
  trace::opened(drive, nullptr, ok);
  return ok;
}

bool openDevice(const char* device) {
  bool ok = carrierOpenDevice(device);
  trace::opened(-1, device, ok);
  return ok;
}

void closeDrive() {
  carrierClose();
  trace::closed();
}

bool send(const uint8_t (&cdb)[6], DataDirection direction, uint32_t length, uint32_t timeout,
          uint8_t* status, uint8_t* senseByte, ScsiResult* result) {
  ScsiCommand command{};
  std::memcpy(command.cdb, cdb, 6);
  command.direction = direction;
  command.data = transferBuffer;
  command.length = length;
  command.timeoutSeconds = timeout;
  if (!carried(command, result)) return false;
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

// A data-in command: MODE SENSE(6), READ(6), INQUIRY. `cdb` gets its
// length field from the caller's request reduced to `limit`; `answer`, when
// given, receives the whole answer.
bool dataInCommand(uint8_t (&cdb)[6], bool threeByteLength, int32_t limit, uint32_t timeout,
                   uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte,
                   ScsiResult* answer = nullptr) {
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
  if (answer != nullptr) *answer = result;
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

bool ScsiModeSense(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte,
                   ScsiResult* answer) {
  uint8_t cdb[6] = {0x1A, 0, 0, 0, 0, 0};
  return dataInCommand(cdb, false, pt::kModeSenseLimit, kModeTimeout, buffer, length, status,
                       senseByte, answer);
}

bool ScsiRead(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte,
              ScsiResult* answer) {
  uint8_t cdb[6] = {0x08, 0, 0, 0, 0, 0};
  return dataInCommand(cdb, true, static_cast<int32_t>(pt::kMaxTransfer), kReadTimeout, buffer,
                       length, status, senseByte, answer);
}

bool ScsiInquiry(bool vitalProductData, uint8_t page, uint8_t* buffer, int32_t* length,
                 ScsiResult* answer) {
  if (answer == nullptr) return false;
  uint8_t cdb[6] = {0x12, static_cast<uint8_t>(vitalProductData ? 1 : 0), page, 0, 0, 0};
  uint8_t status = 0, senseByte = 0;
  return dataInCommand(cdb, false, 255, kInquiryTimeout, buffer, length, &status, &senseByte,
                       answer);
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
  Identification identification;
  return identified(&identification) && isSupported(identification.id, identification.found);
}

// The identification of the drive just opened, said on the console and
// compared with the supported drive's. On false the drive is closed.
bool checkOpenedDrive() {
  Identification identification;
  if (!identified(&identification)) {
    printStdout(msg::kInquiryFailed);
    printLastError();
    closeDrive();
    return false;
  }
  const uint8_t* id = identification.id;
  if (identification.found) printStdout(msg::kIdentification, reinterpret_cast<const char*>(id));
  if (!isSupported(id, identification.found)) {
    printStdout(msg::kDriveNotSupported);
    closeDrive();
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

namespace {

void sayUnopened(const std::vector<Unopened>& unopened) {
  for (const Unopened& u : unopened) {
    printStdout(msg::kDriveOpenFailed, u.device.c_str());
    printStdout(msg::kSystemText, u.reason.c_str());
  }
}

// The search of the system's drives: the first after drive 0 that is the
// supported one, opened. False when none is; *unopened then holds those
// that could not be opened.
bool searchFurther(std::string* said, std::vector<Unopened>* unopened) {
  for (int drive = 1; hasDrive(drive); ++drive) {
    if (!openDrive(drive)) {
      unopened->push_back({shownName(carrierDeviceName()), lastErrorText()});
      continue;
    }
    if (openedIsSupported()) {
      sayDevice(said);
      unopened->clear();
      return true;
    }
    closeDrive();
  }
  return false;
}

// Opens the drive a run uses: `device` when given, else the system's first
// drive when it has one only, else the first of them that is the supported
// one, else the first (each that could not be opened then in *unopened, for
// the console after what is said of the first). False when the one to use
// could not be opened: the console has said so.
bool openChosenDrive(const char* device, std::string* said, std::vector<Unopened>* unopened) {
  said->clear();
  if (device != nullptr) {
    if (!openDevice(device)) return openFailed();
    sayDevice(said);
    return true;
  }
  // With one drive the run is the same as ever. With several, the first
  // that is the supported drive is used.
  bool first = openDrive(0);
  if (!hasDrive(1)) return first || openFailed();
  if (first && openedIsSupported()) {
    sayDevice(said);
    return true;
  }
  if (first) closeDrive();
  if (searchFurther(said, unopened)) return true;
  // None that opened is the supported drive: the first is refused as before,
  // opened again so that a failure is its own. A drive that could not be
  // opened may be the supported one: each is named with the system's
  // reason, which is what the user can act on (a program holding the drive,
  // a missing permission).
  if (!openDrive(0)) return openFailed();
  sayDevice(said);
  return true;
}

}  // namespace

bool identifyDrive(const char* device, std::string* said) {
  std::vector<Unopened> unopened;
  if (openChosenDrive(device, said, &unopened) && checkOpenedDrive()) return true;
  sayUnopened(unopened);
  return false;
}

bool openDriveToIdentify(const char* device, std::string* said) {
  std::vector<Unopened> unopened;
  bool opened = openChosenDrive(device, said, &unopened);
  sayUnopened(unopened);
  return opened;
}

bool identifyOpenedDrive(uint8_t id[pt::kIdentificationLength], bool* found) {
  Identification identification;
  if (!identified(&identification)) return false;
  std::memcpy(id, identification.id, pt::kIdentificationLength);
  *found = identification.found;
  return true;
}

void closeTape() {
  closeDrive();
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
