#include "sim_drive.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "dat_frame.h"
#include "system_services.h"

namespace sim {

namespace {

constexpr unsigned long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr unsigned long kIoDevice = 1117;   // ERROR_IO_DEVICE

constexpr uint8_t kGood = 0;
constexpr uint8_t kCheckCondition = 2;
constexpr uint8_t kNotReady = 0x02;
constexpr uint8_t kMediumError = 0x03;
constexpr uint8_t kIllegalRequest = 0x05;
constexpr uint8_t kUnitAttention = 0x06;
constexpr uint8_t kBlankCheck = 0x08;
constexpr uint8_t kIncorrectLength = 0x20;

struct Drive {
  Script script;
  DriveState state;
  std::vector<Request> log;
  PassThroughRequest lastBlock;
  int counts[9] = {};
  unsigned long lastError = 0;
  bool configured = false;
};

Drive& drive() {
  static Drive d;
  return d;
}

Command commandOf(uint8_t opcode) {
  switch (opcode) {
    case 0x00: return Command::TestUnitReady;
    case 0x01: return Command::Rewind;
    case 0x1B: return Command::Unload;
    case 0x1A: return Command::ModeSense;
    case 0x15: return Command::ModeSelect;
    case 0x08: return Command::Read;
    default: return Command::Other;
  }
}

const Fault* faultFor(Command c) {
  Drive& d = drive();
  int n = ++d.counts[static_cast<int>(c)];
  for (const Fault& f : d.script.faults) {
    if (f.command == c && n >= f.occurrence && n - f.occurrence < f.repeat) return &f;
  }
  return nullptr;
}

// What the pass-through of the supported drive is given for each command.
bool wellFormed(const PassThroughRequest& block, PassThroughSizes sizes, Command c) {
  const uint8_t* b = block.bytes;
  bool header = b[pt::kLengthAt] == 44 && b[1] == 0 && b[pt::kTargetIdAt] == 1 &&
                b[pt::kPathIdAt] == 0 && b[pt::kLunAt] == 0 && b[pt::kCdbLengthAt] == 6 &&
                b[pt::kSenseInfoLengthAt] == 24 &&
                pt::get32(b + pt::kDataBufferOffsetAt) == pt::kDataOffset &&
                pt::get32(b + pt::kSenseInfoOffsetAt) == pt::kSenseOffset;
  uint32_t n = block.dataTransferLength();
  switch (c) {
    case Command::TestUnitReady:
    case Command::Rewind:
    case Command::Unload:
      return header && b[pt::kDataInAt] == pt::kDataUnspecified && n == 0 &&
             sizes.input == 80 && sizes.output == 80;
    case Command::ModeSense:
      return header && b[pt::kDataInAt] == pt::kDataIn && n <= 192 && block.cdb()[4] == n &&
             sizes.input == 44 && sizes.output == n + 80;
    case Command::Read:
      return header && b[pt::kDataInAt] == pt::kDataIn && n <= pt::kMaxTransfer &&
             static_cast<uint32_t>((block.cdb()[2] << 16) | (block.cdb()[3] << 8) |
                                   block.cdb()[4]) == n &&
             sizes.input == 44 && sizes.output == n + 80;
    case Command::ModeSelect:
      return header && b[pt::kDataInAt] == pt::kDataOut && n <= 255 && block.cdb()[4] == n &&
             sizes.input == n + 80 && sizes.output == n + 80;
    default:
      return false;
  }
}

int64_t answer(PassThroughRequest& block, uint8_t status, uint8_t sense) {
  block.bytes[pt::kScsiStatusAt] = status;
  if (status == kCheckCondition || sense != 0) {  // sense data (a script may give it with any status)
    uint8_t* s = block.sense();
    s[0] = 0x70;  // current error, fixed format
    s[2] = sense;
    s[7] = 10;  // additional sense length
  }
  return -1;  // no frame delivered
}

// Data-in: `count` bytes of `data`, no more than the `wanted` bytes asked for.
void transfer(PassThroughRequest& block, uint32_t wanted, const uint8_t* data, uint32_t count) {
  if (count > wanted) count = wanted;
  std::memcpy(block.data(), data, count);
  pt::put32(block.bytes + pt::kDataTransferLengthAt, count);
}

// Carries out the command; returns the frame a READ delivered, or -1.
int64_t perform(PassThroughRequest& block, Command c, const Fault* fault) {
  Drive& d = drive();
  DriveState& s = d.state;
  const uint8_t* cdb = block.cdb();
  uint32_t wanted = block.dataTransferLength();
  if (block.dataIn() == pt::kDataIn) pt::put32(block.bytes + pt::kDataTransferLengthAt, 0);
  switch (c) {
    case Command::TestUnitReady:
      if (s.loaded) return answer(block, kGood, 0);
      if (s.ejected || s.notReadyPolls < d.script.insertAfter) {
        ++s.notReadyPolls;
        return answer(block, kCheckCondition, kNotReady);
      }
      s.loaded = true;
      s.position = 0;
      return answer(block, kCheckCondition, kUnitAttention);
    case Command::Rewind:
      if (!s.loaded) return answer(block, kCheckCondition, kNotReady);
      s.position = 0;
      return answer(block, kGood, 0);
    case Command::Unload:
      if (!s.loaded) return answer(block, kCheckCondition, kNotReady);
      s.loaded = false;
      s.ejected = true;
      return answer(block, kGood, 0);
    case Command::ModeSense: {
      const uint8_t data[12] = {11, 0, 0x10, 8, s.density, 0, 0, 0, 0, 0, 0, 0};
      transfer(block, wanted, data, sizeof data);
      return answer(block, kGood, 0);
    }
    case Command::ModeSelect: {
      uint32_t n = cdb[4];
      const uint8_t* list = block.data();
      if (n < 12 || list[3] != 8) return answer(block, kCheckCondition, kIllegalRequest);
      if (list[4] == 0x80 && !d.script.takesAudioMode) return answer(block, kGood, 0);
      if (list[4] != 0x80 && list[4] != 0x13) {
        return answer(block, kCheckCondition, kIllegalRequest);
      }
      s.density = list[4];
      return answer(block, kGood, 0);
    }
    case Command::Read: {
      if (!s.loaded) return answer(block, kCheckCondition, kNotReady);
      if (s.density != 0x80) return answer(block, kCheckCondition, kMediumError);
      size_t frames = d.script.tape.size() / dat::kFrameSize;
      if (s.position >= frames) return answer(block, kCheckCondition, kBlankCheck);
      int64_t delivered = static_cast<int64_t>(s.position);
      const uint8_t* frame = d.script.tape.data() + s.position * dat::kFrameSize;
      ++s.position;
      uint32_t count = dat::kFrameSize;
      if (fault != nullptr && fault->kind == Fault::Short) count = fault->bytes;
      transfer(block, wanted, frame, count);
      // Asked for less than a frame: the rest of the block is lost (SILI 0).
      if (block.dataTransferLength() < static_cast<uint32_t>(dat::kFrameSize) &&
          (fault == nullptr || fault->kind != Fault::Short)) {
        answer(block, kCheckCondition, kIncorrectLength);
        return delivered;
      }
      answer(block, kGood, 0);
      return delivered;
    }
    default:
      return answer(block, kCheckCondition, kIllegalRequest);
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

bool readWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

const char* commandName(Command c) {
  static const char* const kNames[] = {"open",        "inquiry",     "test-unit-ready",
                                       "rewind",      "unload",      "mode-sense",
                                       "mode-select", "read",        "other"};
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
    unsigned status = 0, sense = 0, bytes = 0;
    char extra = 0;
    if (action == "fail") {
      f.kind = Fault::FailControl;
    } else if (action == "interrupt") {
      f.kind = Fault::Interrupt;
    } else if (std::sscanf(action.c_str(), "short:%u%c", &bytes, &extra) == 1) {
      f.kind = Fault::Short;
      f.bytes = bytes;
    } else if (std::sscanf(action.c_str(), "overreport:%u%c", &bytes, &extra) == 1) {
      f.kind = Fault::Overreport;
      f.bytes = bytes;
    } else if (std::sscanf(action.c_str(), "%x/%x%c", &status, &sense, &extra) == 2 &&
               status < 256 && sense < 256) {
      f.kind = Fault::Answer;
      f.status = static_cast<uint8_t>(status);
      f.sense = static_cast<uint8_t>(sense);
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
  if (const char* stuck = std::getenv("KOVRANT_SIM_NO_AUDIO_MODE")) {
    script.takesAudioMode = std::strcmp(stuck, "1") != 0;
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

const std::vector<Request>& requests() { return drive().log; }
const DriveState& state() { return drive().state; }
const PassThroughRequest& lastBlock() { return drive().lastBlock; }
unsigned long lastError() { return drive().lastError; }
void sleep(unsigned milliseconds) { drive().state.sleptMilliseconds += milliseconds; }

bool open() {
  const Fault* f = faultFor(Command::Open);
  if (f != nullptr && f->kind == Fault::FailControl) {
    drive().lastError = kFileNotFound;
    return false;
  }
  drive().state.open = true;
  ++drive().state.opens;
  return true;
}

void close() {
  drive().state.open = false;
  ++drive().state.closes;
}

bool identification(uint8_t id[28], bool* found) {
  const Fault* f = faultFor(Command::Inquiry);
  if (f != nullptr && f->kind == Fault::FailControl) {
    drive().lastError = kIoDevice;
    return false;
  }
  std::memset(id, ' ', pt::kIdentificationLength);
  const std::string& s = drive().script.identification;
  std::memcpy(id, s.data(), s.size() < 28 ? s.size() : 28);
  *found = true;
  return true;
}

bool send(PassThroughRequest& block, PassThroughSizes sizes) {
  Drive& d = drive();
  d.lastBlock = block;
  Command c = commandOf(block.cdb()[0]);
  const Fault* fault = faultFor(c);
  Request r{};
  r.command = c;
  r.frame = -1;
  r.faulted = fault != nullptr;
  std::memcpy(r.cdb, block.cdb(), 6);
  r.dataIn = block.dataIn();
  r.transferLength = block.dataTransferLength();
  r.timeout = block.timeOutValue();
  r.sizes = sizes;
  r.wellFormed = d.state.open && wellFormed(block, sizes, c);
  if (fault != nullptr && fault->kind == Fault::Interrupt) requestInterrupt();
  if (fault != nullptr && fault->kind == Fault::FailControl) {
    d.lastError = kIoDevice;
    r.carriedOut = false;
    d.log.push_back(r);
    return false;
  }
  if (!r.wellFormed) {
    answer(block, kCheckCondition, kIllegalRequest);
  } else if (fault != nullptr && fault->kind == Fault::Answer) {
    if (block.dataIn() == pt::kDataIn) pt::put32(block.bytes + pt::kDataTransferLengthAt, 0);
    answer(block, fault->status, fault->sense);
  } else {
    r.frame = perform(block, c, fault);
    if (fault != nullptr && fault->kind == Fault::Overreport && block.dataIn() == pt::kDataIn) {
      pt::put32(block.bytes + pt::kDataTransferLengthAt, fault->bytes);
    }
  }
  r.carriedOut = true;
  r.status = block.bytes[pt::kScsiStatusAt];
  r.sense = block.bytes[pt::kSenseOffset + 2];
  r.transferred = block.dataIn() == pt::kDataIn ? block.dataTransferLength() : 0;
  d.log.push_back(r);
  return true;
}

std::string logText() {
  std::string out;
  char line[200];
  for (const Request& r : drive().log) {
    std::snprintf(line, sizeof line,
                  "%-15s cdb=%02x %02x %02x %02x %02x %02x dir=%u len=%u timeout=%u in=%u out=%u%s",
                  commandName(r.command), r.cdb[0], r.cdb[1], r.cdb[2], r.cdb[3], r.cdb[4],
                  r.cdb[5], r.dataIn, r.transferLength, r.timeout, r.sizes.input, r.sizes.output,
                  r.wellFormed ? "" : " MALFORMED");
    out += line;
    if (r.faulted) out += " FAULT";
    if (r.carriedOut) {
      std::snprintf(line, sizeof line, " -> status=%02x sense=%02x got=%u\n", r.status, r.sense,
                    r.transferred);
    } else {
      std::snprintf(line, sizeof line, " -> control failed\n");
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
