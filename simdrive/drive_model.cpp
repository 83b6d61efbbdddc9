#include "drive_model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "dat_frame.h"

namespace sim {

namespace {

// A frame passes the head in 30 ms: 100 frames in 3 seconds.
constexpr uint64_t kFrameMilliseconds = 30;

constexpr uint8_t kCheckCondition = 2;

// Sense keys (byte 2 of the sense data).
constexpr uint8_t kNoSense = 0x00;
constexpr uint8_t kNotReady = 0x02;
constexpr uint8_t kMediumError = 0x03;
constexpr uint8_t kIllegalRequest = 0x05;
constexpr uint8_t kUnitAttention = 0x06;
constexpr uint8_t kBlankCheck = 0x08;
constexpr uint8_t kIncorrectLength = 0x20;  // the ILI flag

// Additional sense codes and qualifiers.
constexpr uint16_t kMediumNotPresent = 0x3A00;
constexpr uint16_t kMediumMayHaveChanged = 0x2800;
constexpr uint16_t kEndOfData = 0x0005;
constexpr uint16_t kInvalidOpcode = 0x2000;
constexpr uint16_t kInvalidFieldInCdb = 0x2400;
constexpr uint16_t kInvalidFieldInList = 0x2600;
constexpr uint16_t kRemovalPrevented = 0x5302;
constexpr uint16_t kSavingNotSupported = 0x3900;
constexpr uint16_t kReadError = 0x1100;

constexpr uint8_t kAudioDensity = 0x80;
constexpr uint8_t kDataDensity = 0x13;

struct Drive {
  Script script;
  DriveState state;
  std::vector<Request> log;
  int counts[9] = {};
  uint8_t lastSense[18] = {};  // for REQUEST SENSE
  unsigned long lastError = 0;
  bool configured = false;
  int opened = 0;  // the drive opened last
};

Drive& drive() {
  static Drive d;
  return d;
}

// What the model knows of each opcode: the command it counts as, the way
// its data goes, and where its CDB names the data's length. A command the
// model answers is one row here and one case in perform().
enum class LengthIn : uint8_t { None, Byte4, Bytes2To4, Six };
struct Opcode {
  uint8_t code;
  Command command;
  Flow flow;
  LengthIn length;
};
constexpr Opcode kOpcodes[] = {
    {0x00, Command::TestUnitReady, Flow::None, LengthIn::None},
    {0x01, Command::Rewind, Flow::None, LengthIn::None},
    {0x03, Command::Other, Flow::In, LengthIn::Byte4},  // REQUEST SENSE
    {0x05, Command::Other, Flow::In, LengthIn::Six},    // READ BLOCK LIMITS
    {0x08, Command::Read, Flow::In, LengthIn::Bytes2To4},
    {0x12, Command::Inquiry, Flow::In, LengthIn::Byte4},
    {0x15, Command::ModeSelect, Flow::Out, LengthIn::Byte4},
    {0x1A, Command::ModeSense, Flow::In, LengthIn::Byte4},
    {0x1B, Command::Unload, Flow::None, LengthIn::None},
};
constexpr Opcode kUnknownOpcode = {0xFF, Command::Other, Flow::None, LengthIn::None};

const Opcode& opcodeOf(uint8_t code) {
  for (const Opcode& o : kOpcodes) {
    if (o.code == code) return o;
  }
  return kUnknownOpcode;
}

Command commandOf(uint8_t opcode) {
  return opcodeOf(opcode).command;
}

Flow flowOf(const uint8_t* cdb) {
  return opcodeOf(cdb[0]).flow;
}

uint32_t lengthInCdb(const uint8_t* cdb) {
  switch (opcodeOf(cdb[0]).length) {
    case LengthIn::Byte4:
      return cdb[4];
    case LengthIn::Bytes2To4:
      return static_cast<uint32_t>((cdb[2] << 16) | (cdb[3] << 8) | cdb[4]);
    case LengthIn::Six:
      return 6;
    case LengthIn::None:
      break;
  }
  return 0;
}

const Fault* faultFor(Command c) {
  Drive& d = drive();
  int n = ++d.counts[static_cast<int>(c)];
  for (const Fault& f : d.script.faults) {
    if (f.command == c && n >= f.occurrence && n - f.occurrence < f.repeat) return &f;
  }
  return nullptr;
}

// A command agrees with its data when the way in's direction (if it says
// one) is the command's and the length its CDB names is the length of the
// data. A data-in command may name more than the buffer only in its
// allocation length (INQUIRY, MODE SENSE, REQUEST SENSE), never a READ.
bool wellFormed(const uint8_t* cdb, Flow flow, uint32_t length) {
  Flow expected = flowOf(cdb);
  if (flow != Flow::Unknown && flow != expected) {
    // A command with no data may come with any direction when its length is 0.
    if (!(length == 0 && (flow == Flow::None || expected == Flow::None))) return false;
  }
  if (expected == Flow::None) return length == 0;
  return lengthInCdb(cdb) == length;
}

void setSense(Answer& a, uint8_t senseByte, uint16_t code) {
  a.sense[0] = 0x70;  // current error, fixed format
  a.sense[2] = senseByte;
  a.sense[7] = 10;  // additional sense length
  a.sense[12] = static_cast<uint8_t>(code >> 8);
  a.sense[13] = static_cast<uint8_t>(code);
}

void checkCondition(Answer& a, uint8_t senseByte, uint16_t code) {
  a.status = kCheckCondition;
  setSense(a, senseByte, code);
}

// Data-in: `count` bytes of `bytes`, no more than the `room` there is.
void give(Answer& a, uint8_t* data, uint32_t room, const uint8_t* bytes, uint32_t count) {
  if (count > room) count = room;
  if (count > 0) std::memcpy(data, bytes, count);
  a.transferred = count;
  a.reported = count;
}

// MODE SENSE(6): the header, one block descriptor unless DBD is set, and
// the pages asked for: 0 none, 0x0F data compression, 0x10 device
// configuration, 0x11 medium partition, 0x3F all.
void modeSense(Answer& a, const uint8_t* cdb, uint8_t* data, uint32_t room) {
  const DriveState& s = drive().state;
  int page = cdb[2] & 0x3F, control = cdb[2] >> 6;
  bool changeable = control == 1;
  if (control == 3) return checkCondition(a, kIllegalRequest, kSavingNotSupported);
  uint8_t out[64] = {};
  size_t n = 4;
  out[2] = changeable ? 0 : 0x10;  // buffered mode 1
  if ((cdb[1] & 0x08) == 0) {
    out[3] = 8;
    out[4] = changeable ? 0xFF : s.density;
    n += 8;
  }
  const uint8_t compression[16] = {0x0F, 0x0E, 0xC0, 0x80, 0, 0, 0, 0x20, 0, 0, 0, 0x20};
  const uint8_t configuration[16] = {0x10, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0x18, 0, 0, 0, 0, 0};
  const uint8_t partition[8] = {0x11, 0x06, 1, 0, 0x10, 0, 0, 0};
  auto add = [&](const uint8_t* p, size_t size) {
    if (changeable) {
      out[n] = p[0];
      out[n + 1] = p[1];
    } else {
      std::memcpy(out + n, p, size);
    }
    n += size;
  };
  if (page == 0x0F || page == 0x3F) add(compression, sizeof compression);
  if (page == 0x10 || page == 0x3F) add(configuration, sizeof configuration);
  if (page == 0x11 || page == 0x3F) add(partition, sizeof partition);
  if (page != 0 && page != 0x0F && page != 0x10 && page != 0x11 && page != 0x3F) {
    return checkCondition(a, kIllegalRequest, kInvalidFieldInCdb);
  }
  out[0] = static_cast<uint8_t>(n - 1);
  uint32_t allocation = cdb[4];
  give(a, data, room < allocation ? room : allocation, out, static_cast<uint32_t>(n));
}

// INQUIRY: a SCSI-2 sequential-access device, removable; with EVPD the
// vital product data pages 00h (the pages it has) and 80h (the unit serial
// number), unless the script has none. Byte 1's top three bits are the
// SCSI-2 logical unit number, which Linux sets for a LUN other than 0 of
// a SCSI-2 device: not looked at.
void inquiry(Answer& a, const uint8_t* cdb, uint8_t* data, uint32_t length) {
  const Script& script = drive().script;
  uint32_t room = length < cdb[4] ? length : cdb[4];
  bool evpd = (cdb[1] & 1) != 0;
  if ((cdb[1] & 0x1E) != 0 || (!evpd && cdb[2] != 0) ||
      (evpd && (!script.productData || (cdb[2] != 0x00 && cdb[2] != 0x80)))) {
    return checkCondition(a, kIllegalRequest, kInvalidFieldInCdb);
  }
  uint8_t reply[64] = {0x01};
  if (!evpd) {
    const uint8_t standard[8] = {0x01, 0x80, 0x02, 0x02, 31};
    std::memcpy(reply, standard, sizeof standard);
    std::memset(reply + 8, ' ', 28);
    const std::string& id = script.identification;
    std::memcpy(reply + 8, id.data(), id.size() < 28 ? id.size() : 28);
    return give(a, data, room, reply, 36);
  }
  reply[1] = cdb[2];
  if (cdb[2] == 0x00) {
    const uint8_t pages[] = {0x00, 0x80};
    reply[3] = sizeof pages;
    std::memcpy(reply + 4, pages, sizeof pages);
  } else {
    size_t n = script.serialNumber.size() < 60 ? script.serialNumber.size() : 60;
    reply[3] = static_cast<uint8_t>(n);
    std::memcpy(reply + 4, script.serialNumber.data(), n);
  }
  give(a, data, room, reply, 4u + reply[3]);
}

// Carries out a command that the script leaves alone (or shortens); returns
// the frame a READ delivered, or -1.
int64_t perform(Answer& a, const uint8_t* cdb, uint8_t* data, uint32_t length, const Fault* fault) {
  Drive& d = drive();
  DriveState& s = d.state;
  switch (cdb[0]) {
    case 0x00:  // TEST UNIT READY
      if (s.loaded) return -1;
      if (s.ejected || s.notReadyPolls < d.script.insertAfter) {
        ++s.notReadyPolls;
        checkCondition(a, kNotReady, kMediumNotPresent);
        return -1;
      }
      s.loaded = true;
      s.position = 0;
      checkCondition(a, kUnitAttention, kMediumMayHaveChanged);
      return -1;
    case 0x01:  // REWIND
      if (!s.loaded) {
        checkCondition(a, kNotReady, kMediumNotPresent);
      } else {
        s.position = 0;
      }
      return -1;
    case 0x1B:                  // LOAD UNLOAD
      if ((cdb[4] & 1) != 0) {  // load
        if (!s.loaded && !s.ejected) checkCondition(a, kNotReady, kMediumNotPresent);
        if (s.ejected) {
          s.loaded = true;
          s.ejected = false;
          s.position = 0;
        }
        return -1;
      }
      if (!s.loaded) {
        checkCondition(a, kNotReady, kMediumNotPresent);
      } else if (s.preventRemoval) {
        checkCondition(a, kIllegalRequest, kRemovalPrevented);
      } else {
        s.loaded = false;
        s.ejected = true;
      }
      return -1;
    case 0x1E:  // PREVENT ALLOW MEDIUM REMOVAL
      s.preventRemoval = (cdb[4] & 1) != 0;
      return -1;
    case 0x12:  // INQUIRY
      inquiry(a, cdb, data, length);
      return -1;
    case 0x03: {  // REQUEST SENSE
      uint8_t reply[18] = {0x70, 0, kNoSense, 0, 0, 0, 0, 10};
      if (!s.loaded) {
        reply[2] = kNotReady;
        reply[12] = kMediumNotPresent >> 8;
      } else if (d.lastSense[0] != 0) {
        std::memcpy(reply, d.lastSense, sizeof reply);
      }
      give(a, data, length < cdb[4] ? length : cdb[4], reply, sizeof reply);
      return -1;
    }
    case 0x05: {  // READ BLOCK LIMITS: variable blocks of 1 byte to 16 MiB - 1
      const uint8_t reply[6] = {0, 0xFF, 0xFF, 0xFF, 0, 1};
      give(a, data, length, reply, sizeof reply);
      return -1;
    }
    case 0x1A:  // MODE SENSE(6)
      modeSense(a, cdb, data, length);
      return -1;
    case 0x15: {  // MODE SELECT(6): header and one block descriptor
      const uint8_t* list = data;
      if (length < 12 || list[3] != 8) {
        checkCondition(a, kIllegalRequest, kInvalidFieldInList);
        return -1;
      }
      if (list[4] == kAudioDensity && !d.script.takesAudioMode) return -1;
      if (list[4] != kAudioDensity && list[4] != kDataDensity) {
        checkCondition(a, kIllegalRequest, kInvalidFieldInList);
        return -1;
      }
      s.density = list[4];
      return -1;
    }
    case 0x08: {  // READ(6), variable blocks
      if (!s.loaded) {
        checkCondition(a, kNotReady, kMediumNotPresent);
        return -1;
      }
      if (s.density != kAudioDensity) {
        checkCondition(a, kMediumError, kReadError);
        return -1;
      }
      size_t frames = d.script.tape.size() / dat::kFrameSize;
      if (s.position >= frames) {
        checkCondition(a, kBlankCheck, kEndOfData);
        return -1;
      }
      int64_t delivered = static_cast<int64_t>(s.position);
      const uint8_t* frame = d.script.tape.data() + s.position * dat::kFrameSize;
      ++s.position;
      s.tapeMilliseconds += kFrameMilliseconds;
      bool shortened = fault != nullptr && fault->kind == Fault::Short;
      give(a, data, length, frame, shortened ? fault->bytes : dat::kFrameSize);
      // Asked for less than a frame: the rest of the block is lost (SILI 0).
      if (!shortened && a.transferred < static_cast<uint32_t>(dat::kFrameSize)) {
        checkCondition(a, kIncorrectLength, 0);
      }
      return delivered;
    }
    default:
      checkCondition(a, kIllegalRequest, kInvalidOpcode);
      return -1;
  }
}

bool parseCommand(const std::string& name, Command* c) {
  static const struct {
    const char* name;
    Command command;
  } kNames[] = {{"open", Command::Open},         {"inquiry", Command::Inquiry},
                {"tur", Command::TestUnitReady}, {"rewind", Command::Rewind},
                {"unload", Command::Unload},     {"sense", Command::ModeSense},
                {"select", Command::ModeSelect}, {"read", Command::Read}};
  for (const auto& n : kNames) {
    if (name == n.name) {
      *c = n.command;
      return true;
    }
  }
  return false;
}

// "SS/KK" or "SS/KK/AA/QQ": the status, the sense byte and the additional
// sense code and its qualifier, in hex.
bool parseAnswer(const std::string& text, Fault* f) {
  unsigned v[4] = {0, 0, 0, 0};
  char extra = 0;
  if (std::sscanf(text.c_str(), "%x/%x/%x/%x%c", &v[0], &v[1], &v[2], &v[3], &extra) != 4 &&
      std::sscanf(text.c_str(), "%x/%x%c", &v[0], &v[1], &extra) != 2) {
    return false;
  }
  for (unsigned x : v) {
    if (x > 255) return false;
  }
  f->status = static_cast<uint8_t>(v[0]);
  f->sense = static_cast<uint8_t>(v[1]);
  f->asc = static_cast<uint8_t>(v[2]);
  f->ascq = static_cast<uint8_t>(v[3]);
  return true;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

const char* commandName(Command c) {
  static const char* const kNames[] = {"open",        "inquiry", "test-unit-ready",
                                       "rewind",      "unload",  "mode-sense",
                                       "mode-select", "read",    "other"};
  return kNames[static_cast<int>(c)];
}

void configure(const Script& script) {
  Drive& d = drive();
  d = Drive();
  d.script = script;
  d.configured = true;
}

bool parseFaults(const std::string& text, std::vector<Fault>* faults) {
  std::stringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    if (item.empty()) continue;
    size_t hash = item.find('#'), eq = item.find('=');
    if (hash == std::string::npos || eq == std::string::npos || eq < hash) return false;
    Fault f{};
    if (!parseCommand(item.substr(0, hash), &f.command)) return false;
    std::string when = item.substr(hash + 1, eq - hash - 1);
    size_t star = when.find('*');
    f.occurrence = std::atoi(when.substr(0, star).c_str());
    f.repeat = star == std::string::npos ? 1 : std::atoi(when.substr(star + 1).c_str());
    if (f.occurrence < 1 || f.repeat < 1) return false;
    std::string action = item.substr(eq + 1);
    unsigned number = 0;
    char extra = 0;
    if (action == "fail") {
      f.kind = Fault::FailControl;
    } else if (action == "interrupt") {
      f.kind = Fault::Interrupt;
    } else if ((action == "busy" || action == "denied") && f.command == Command::Open) {
      f.kind = Fault::Refused;
      f.error = action == "busy" ? kBusy : kAccessDenied;
    } else if (std::sscanf(action.c_str(), "short:%u%c", &number, &extra) == 1) {
      f.kind = Fault::Short;
      f.bytes = number;
    } else if (std::sscanf(action.c_str(), "overreport:%u%c", &number, &extra) == 1) {
      f.kind = Fault::Overreport;
      f.bytes = number;
    } else if (std::sscanf(action.c_str(), "delay:%u%c", &number, &extra) == 1) {
      f.kind = Fault::Delay;
      f.milliseconds = number;
    } else if (action.compare(0, 5, "lost:") == 0 && f.command == Command::Read &&
               parseAnswer(action.substr(5), &f)) {
      f.kind = Fault::Lost;
    } else if (parseAnswer(action, &f)) {
      f.kind = Fault::Answer;
    } else {
      return false;
    }
    faults->push_back(f);
  }
  return true;
}

bool configureFromEnvironment(std::string* reason) {
  if (drive().configured) return true;
  Script script;
  if (const char* tape = std::getenv("KOVRANT_SIM_TAPE")) {
    if (!readWholeFile(tape, &script.tape)) {
      *reason = std::string("cannot read KOVRANT_SIM_TAPE ") + tape;
      return false;
    }
  }
  if (const char* after = std::getenv("KOVRANT_SIM_INSERT_AFTER")) {
    char* end = nullptr;
    long v = std::strtol(after, &end, 10);
    if (end == after || *end != '\0' || v < 0 || v > 1000000) {
      *reason = "KOVRANT_SIM_INSERT_AFTER wants a number of polls";
      return false;
    }
    script.insertAfter = static_cast<int>(v);
  }
  if (const char* id = std::getenv("KOVRANT_SIM_ID")) script.identification = id;
  if (const char* none = std::getenv("KOVRANT_SIM_NO_VPD")) {
    script.productData = std::strcmp(none, "1") != 0;
  }
  if (const char* serial = std::getenv("KOVRANT_SIM_SERIAL")) script.serialNumber = serial;
  if (const char* stuck = std::getenv("KOVRANT_SIM_NO_AUDIO_MODE")) {
    script.takesAudioMode = std::strcmp(stuck, "1") != 0;
  }
  if (const char* drives = std::getenv("KOVRANT_SIM_DRIVES")) {
    // Identifications separated by commas; "-" is this drive.
    script.drives.clear();
    std::stringstream items(drives);
    std::string item;
    while (std::getline(items, item, ',')) script.drives.push_back(item == "-" ? "" : item);
    if (std::count(script.drives.begin(), script.drives.end(), "") != 1) {
      *reason = "KOVRANT_SIM_DRIVES wants one \"-\" for the drive with the tape";
      return false;
    }
  }
  if (const char* faults = std::getenv("KOVRANT_SIM_FAULTS")) {
    if (!parseFaults(faults, &script.faults)) {
      *reason = std::string("cannot understand KOVRANT_SIM_FAULTS=") + faults;
      return false;
    }
  }
  configure(script);
  return true;
}

Answer execute(const uint8_t cdb[6], Flow flow, uint8_t* data, uint32_t length,
               uint32_t timeoutSeconds) {
  Drive& d = drive();
  Command c = commandOf(cdb[0]);
  const Fault* fault = faultFor(c);
  Answer a;
  Request r{};
  r.command = c;
  std::memcpy(r.cdb, cdb, 6);
  r.flow = flow;
  r.transferLength = length;
  r.timeout = timeoutSeconds;
  if (flowOf(cdb) == Flow::Out && length > 0) r.dataOut.assign(data, data + length);
  r.frame = -1;
  r.faulted = fault != nullptr;
  r.wellFormed = d.state.open && wellFormed(cdb, flow, length);
  if (fault != nullptr && fault->kind == Fault::Interrupt) a.interrupt = true;
  if (fault != nullptr && fault->kind == Fault::FailControl) {
    a.delivered = false;
    d.log.push_back(r);
    return a;
  }
  if (!r.wellFormed) {
    checkCondition(a, kIllegalRequest, kInvalidFieldInCdb);
  } else if (fault != nullptr && (fault->kind == Fault::Answer || fault->kind == Fault::Lost)) {
    a.status = fault->status;
    if (fault->status == kCheckCondition || fault->sense != 0) {
      setSense(a, fault->sense, static_cast<uint16_t>(fault->asc << 8 | fault->ascq));
    }
    size_t frames = d.script.tape.size() / dat::kFrameSize;
    if (fault->kind == Fault::Lost && d.state.loaded && d.state.position < frames) {
      ++d.state.position;
      d.state.tapeMilliseconds += kFrameMilliseconds;
    }
  } else {
    r.frame = perform(a, cdb, data, length, fault);
    if (fault != nullptr && fault->kind == Fault::Overreport && flowOf(cdb) == Flow::In) {
      a.reported = fault->bytes;
    }
    if (fault != nullptr && fault->kind == Fault::Delay) a.delayMs = fault->milliseconds;
  }
  if (a.status == kCheckCondition) {
    std::memcpy(d.lastSense, a.sense, sizeof d.lastSense);
  } else if (cdb[0] != 0x03) {
    std::memset(d.lastSense, 0, sizeof d.lastSense);
  }
  r.carriedOut = true;
  r.status = a.status;
  r.sense = a.sense[2];
  r.transferred = a.reported;
  d.log.push_back(r);
  return a;
}

const std::vector<Request>& requests() {
  return drive().log;
}
const DriveState& state() {
  return drive().state;
}
const char* windowsErrorText(unsigned long code) {
  switch (code) {
    case kFileNotFound:
      return "The system cannot find the file specified.";
    case kAccessDenied:
      return "Access is denied.";
    case kBusy:
      return "The requested resource is in use.";
    case kSemTimeout:
      return "The semaphore timeout period has expired.";
    case kIoDevice:
      return "The request could not be performed because of an I/O device error.";
    default:
      return nullptr;
  }
}

unsigned long lastError() {
  return drive().lastError;
}
void setLastError(unsigned long code) {
  drive().lastError = code;
}
void sleep(unsigned milliseconds) {
  drive().state.sleptMilliseconds += milliseconds;
}

uint64_t clockMilliseconds() {
  const DriveState& s = drive().state;
  return s.sleptMilliseconds + s.tapeMilliseconds + s.replayedMilliseconds;
}

void advanceClockTo(uint64_t milliseconds) {
  uint64_t now = clockMilliseconds();
  if (milliseconds > now) drive().state.replayedMilliseconds += milliseconds - now;
}

void setClockOrigin(int64_t utcSeconds, int offsetMinutes) {
  drive().state.originUtcSeconds = utcSeconds;
  drive().state.originOffsetMinutes = offsetMinutes;
}

bool open(int which) {
  Drive& d = drive();
  const Fault* f = faultFor(Command::Open);
  if (which < 0 || which >= driveCount() || (f != nullptr && f->kind == Fault::FailControl)) {
    d.lastError = kFileNotFound;
    return false;
  }
  if (f != nullptr && f->kind == Fault::Refused) {
    d.lastError = f->error;
    return false;
  }
  d.opened = which;
  if (!d.script.drives[static_cast<size_t>(which)].empty()) return true;
  d.state.open = true;
  ++d.state.opens;
  return true;
}

void close() {
  Drive& d = drive();
  if (!d.script.drives[static_cast<size_t>(d.opened)].empty()) return;
  d.state.open = false;
  ++d.state.closes;
}

bool identification(uint8_t id[28], bool* found) {
  const Fault* f = faultFor(Command::Inquiry);
  if (f != nullptr && f->kind == Fault::FailControl) {
    drive().lastError = kIoDevice;
    return false;
  }
  std::memset(id, ' ', 28);
  const std::string& other = drive().script.drives[static_cast<size_t>(drive().opened)];
  const std::string& s = other.empty() ? drive().script.identification : other;
  std::memcpy(id, s.data(), s.size() < 28 ? s.size() : 28);
  *found = true;
  return true;
}

int driveCount() {
  return static_cast<int>(drive().script.drives.size());
}

int openedDrive() {
  return drive().opened;
}

void writeLogFromEnvironment() {
  const char* path = std::getenv("KOVRANT_SIM_LOG");
  if (path == nullptr) return;
  if (FILE* f = std::fopen(path, "wb")) {
    std::string text = logText();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

std::string logText() {
  std::string out;
  char line[200];
  for (const Request& r : drive().log) {
    std::snprintf(line, sizeof line,
                  "%-15s cdb=%02x %02x %02x %02x %02x %02x dir=%u len=%u timeout=%u%s",
                  commandName(r.command), r.cdb[0], r.cdb[1], r.cdb[2], r.cdb[3], r.cdb[4],
                  r.cdb[5], static_cast<unsigned>(r.flow), r.transferLength, r.timeout,
                  r.wellFormed ? "" : " MALFORMED");
    out += line;
    if (r.faulted) out += " FAULT";
    if (r.carriedOut) {
      std::snprintf(line, sizeof line, " -> status=%02x sense=%02x got=%u\n", r.status, r.sense,
                    r.transferred);
    } else {
      std::snprintf(line, sizeof line, " -> no answer\n");
    }
    out += line;
  }
  const DriveState& s = drive().state;
  std::snprintf(line, sizeof line, "end: open=%d opens=%d closes=%d density=%02x loaded=%d\n",
                s.open ? 1 : 0, s.opens, s.closes, s.density, s.loaded ? 1 : 0);
  out += line;
  return out;
}

}  // namespace sim
