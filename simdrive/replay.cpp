#include "replay.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "byte_text.h"
#include "console.h"
#include "dat_frame.h"
#include "drive_model.h"
#include "interrupts.h"
#include "json_record.h"
#include "output_file.h"
#include "replay_messages.h"
#include "sha256.h"
#include "trace.h"

namespace replay {

namespace {

struct State {
  bool active = false;
  std::string traceName, imageName;
  FILE* trace = nullptr;
  FILE* image = nullptr;
  long long lines = 0;  // lines read so far
  Json next;            // the line after those answered (null: the trace's end)
  bool peeked = false;
  long long nextLine = 0;     // its number
  Json start;                 // the first line
  Json lastRead;              // the READ line a short READ line repeats
  long long imageFrames = 0;  // frames taken from the image
  std::string device;
  unsigned long error = 0;
  std::string text;
};

State& state() {
  static State s;
  return s;
}

const std::string& shownTrace() {
  static std::string shown;
  shown = shownName(state().traceName.c_str());
  return shown;
}

[[noreturn]] void stop() {
  std::fflush(stdout);
  std::exit(kDiverged);
}

// A whole line of the trace; false at its end, or at a line it ends inside.
bool wholeLine(FILE* f, std::string* line) {
  line->clear();
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') return true;
    line->push_back(static_cast<char>(c));
  }
  return false;
}

// The next line, read when it is first looked at; null at the trace's end.
const Json& peek() {
  State& s = state();
  if (s.peeked) return s.next;
  s.peeked = true;
  std::string text;
  if (!wholeLine(s.trace, &text)) {
    s.next = Json();
    s.nextLine = s.lines + 1;
    return s.next;
  }
  s.nextLine = ++s.lines;
  s.next = Json::parse(text, nullptr, false);
  if (s.next.is_discarded() || !s.next.is_object()) {
    printStderr(msg::kReplayNotATrace, s.nextLine, shownTrace().c_str());
    stop();
  }
  return s.next;
}

void take() {
  state().peeked = false;
}

std::string textAt(const Json& line, const char* key) {
  auto it = line.find(key);
  return it != line.end() && it->is_string() ? it->get<std::string>() : std::string();
}

long long numberAt(const Json& line, const char* key, long long otherwise = -1) {
  auto it = line.find(key);
  return it != line.end() && it->is_number_integer() ? it->get<long long>() : otherwise;
}

double decimalAt(const Json& line, const char* key) {
  auto it = line.find(key);
  return it != line.end() && it->is_number() ? it->get<double>() : 0;
}

bool hasValue(const Json& line, const char* key) {
  auto it = line.find(key);
  return it != line.end() && !it->is_null();
}

// A name of the trace (pathJson's form) as its bytes.
std::string nameOf(const Json& name) {
  std::vector<uint8_t> bytes;
  if (name.is_object() && name.contains("bytes") && name["bytes"].is_string() &&
      fromBase64Text(name["bytes"].get<std::string>(), &bytes)) {
    return std::string(bytes.begin(), bytes.end());
  }
  return name.is_object() ? textAt(name, "text") : std::string();
}

bool isRequest(const Json& line) {
  return line.contains("op") && !line.contains("id");
}

// A request as the replay compares it: its operation, CDB, direction,
// length, timeout and, for a data-out command, its data.
std::string asked(const std::string& op, const std::string& cdb, const std::string& dir,
                  long long length, long long timeout, const std::string& data) {
  std::string text = op + " cdb=" + cdb + " dir=" + dir + " len=" + std::to_string(length) +
                     " timeout=" + std::to_string(timeout);
  return dir == "out" ? text + " data=" + data : text;
}

std::string askedOf(const ScsiCommand& c) {
  std::string data = c.direction == DataDirection::Out ? hexText(c.data, c.length) : "";
  return asked(trace::operationName(c.cdb[0]), hexText(c.cdb, 6), trace::directionName(c.direction),
               c.length, c.timeoutSeconds, data);
}

// What a line holds, in the words of askedOf (a short READ line: the READ
// it repeats).
std::string heldIn(const Json& line) {
  if (line.contains("device")) {
    std::string what = textAt(line, "device");
    if (what == "close") return what;
    if (hasValue(line, "drive")) return what + " drive=" + std::to_string(numberAt(line, "drive"));
    return what + " name=" + shownName(nameOf(line.value("asked", Json())).c_str());
  }
  if (line.contains("id")) return "identification";
  if (line.contains("interrupt")) return "interrupt";
  if (line.contains("ending")) return "end";
  if (!isRequest(line)) return line.dump(-1, ' ', false, Json::error_handler_t::replace);
  const Json& r = line.contains("cdb") ? line : state().lastRead;
  return asked(textAt(r, "op"), textAt(r, "cdb"), textAt(r, "dir"), numberAt(r, "len"),
               numberAt(r, "timeout"), textAt(r, "data"));
}

// The next line, which must hold what the run asks now; the replay ends
// when it does not.
const Json& expect(const std::string& what) {
  const Json& line = peek();
  State& s = state();
  if (line.is_null() || line.contains("ending")) {
    printStderr(msg::kReplayBeyondTheEnd, what.c_str(), shownTrace().c_str(), s.nextLine);
    stop();
  }
  std::string held = heldIn(line);
  if (held != what) {
    printStderr(msg::kReplayDiffers, what.c_str(), shownTrace().c_str(), s.nextLine, held.c_str());
    stop();
  }
  take();
  return line;
}

uint64_t millisecondsAt(const Json& line, const char* key) {
  double v = decimalAt(line, key);
  return v > 0 ? static_cast<uint64_t>(std::llround(v * (std::strcmp(key, "t") == 0 ? 1000 : 1)))
               : 0;
}

// The clock at the line's start; after its answer, at its end, and any
// interrupt the traced run saw before its next step.
void startOf(const Json& line) {
  sim::advanceClockTo(millisecondsAt(line, "t"));
}

void endOf(const Json& line) {
  sim::advanceClockTo(millisecondsAt(line, "t") + millisecondsAt(line, "ms"));
  while (peek().is_object() && peek().contains("interrupt")) {
    take();
    requestInterrupt();
  }
}

// The line's error, for carrierErrorText and carrierErrorCode; false when
// the control failed.
bool carriedOut(const Json& line) {
  if (!hasValue(line, "error")) return true;
  State& s = state();
  const Json& e = line["error"];
  s.error = static_cast<unsigned long>(numberAt(e, "code", 0));
  s.text = textAt(e, "text");
  return false;
}

// The status, sense area and transferred length of an answer.
void answerOf(const Json& line, ScsiResult* r) {
  *r = ScsiResult();
  r->status = static_cast<uint8_t>(numberAt(line, "status", 0));
  r->transferred = static_cast<uint32_t>(numberAt(line, "got", 0));
  const Json& sense = line.value("sense", Json());
  std::vector<uint8_t> bytes;
  if (sense.is_object() && fromHexText(textAt(sense, "bytes"), &bytes)) {
    std::memcpy(r->sense, bytes.data(),
                bytes.size() < sizeof r->sense ? bytes.size() : sizeof r->sense);
    r->senseLength = static_cast<int>(numberAt(sense, "length", -1));
  }
  r->senseByte = r->sense[2];
}

// The bytes a READ delivered: the frame from the image where the capture
// wrote it (or where the trace does not tell its fate), else from the trace,
// checked against the trace's SHA-256 of the frame; its first `got` bytes
// (a short transfer leaves the rest of the capture's frame as it was).
std::vector<uint8_t> frameOf(const Json& line, uint32_t got) {
  State& s = state();
  std::vector<uint8_t> bytes;
  const Json& written = line.value("written", Json());
  if (!written.is_boolean() || written.get<bool>()) {
    if (s.image == nullptr) {
      printStderr(msg::kReplayNoImage, s.nextLine, shownTrace().c_str());
      stop();
    }
    bytes.resize(dat::kFrameSize);
    if (std::fread(bytes.data(), 1, bytes.size(), s.image) != bytes.size()) {
      printStderr(msg::kReplayImageEnds, shownName(s.imageName.c_str()).c_str(), s.nextLine,
                  shownTrace().c_str());
      stop();
    }
    ++s.imageFrames;
  } else {
    fromBase64Text(textAt(line, "frame"), &bytes);
  }
  // Without the filter's word the digest is that of the bytes transferred.
  if (!written.is_boolean()) bytes.resize(got < bytes.size() ? got : bytes.size());
  std::vector<uint8_t> digest;
  fromHexText(textAt(line, "sha256"), &digest);
  Sha256 sha;
  sha.update(bytes.data(), bytes.size());
  uint8_t computed[32];
  sha.digest(computed);
  if (digest.size() != sizeof computed || std::memcmp(digest.data(), computed, 32) != 0) {
    printStderr(msg::kReplayFrameDiffers, s.imageFrames - 1, shownName(s.imageName.c_str()).c_str(),
                s.nextLine, shownTrace().c_str());
    stop();
  }
  bytes.resize(got < bytes.size() ? got : bytes.size());
  return bytes;
}

// The data-in bytes of an answer: a READ's frame, another READ's bytes, or
// the data of another command.
void deliver(const Json& line, const Json& request, const ScsiCommand& c, const ScsiResult& r) {
  std::vector<uint8_t> bytes;
  if (c.cdb[0] == 0x08 && r.status == 0) {
    bytes = frameOf(line, r.transferred);
  } else if (c.cdb[0] == 0x08) {
    fromBase64Text(textAt(line, "frame"), &bytes);
  } else {
    fromHexText(textAt(request, "data"), &bytes);
  }
  size_t n = bytes.size() < r.transferred ? bytes.size() : r.transferred;
  if (c.direction == DataDirection::In && n > 0) std::memcpy(c.data, bytes.data(), n);
}

int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yearOfEra = y - era * 400;
  int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The time of day at the trace's start (ISO 8601 with its offset) at the
// simulated clock's 0.
void clockFromStart(const std::string& started) {
  int y, mo, d, h, mi, se, oh, om;
  char sign;
  if (std::sscanf(started.c_str(), "%d-%d-%dT%d:%d:%d%c%d:%d", &y, &mo, &d, &h, &mi, &se, &sign,
                  &oh, &om) != 9) {
    return;
  }
  int offset = (sign == '-' ? -1 : 1) * (oh * 60 + om);
  int64_t local = daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + se;
  sim::setClockOrigin(local - offset * 60, offset);
}

bool opened(const Json& line) {
  startOf(line);
  state().device = nameOf(line.value("name", Json()));
  bool ok = line.value("opened", false);
  if (!ok) carriedOut(line);
  endOf(line);
  return ok;
}

}  // namespace

bool begin(const char* tracePath, const char* imagePath) {
  State& s = state();
  s.traceName = tracePath;
  errno = 0;
  s.trace = openRegular(tracePath);
  if (s.trace == nullptr) {
    printStderr(msg::kReplayCannotRead, shownName(tracePath).c_str(), std::strerror(errno));
    return false;
  }
  if (imagePath != nullptr) {
    s.imageName = imagePath;
    errno = 0;
    s.image = openRegular(imagePath);
    if (s.image == nullptr) {
      printStderr(msg::kReplayCannotRead, shownName(imagePath).c_str(), std::strerror(errno));
      return false;
    }
  }
  s.start = peek();
  if (!s.start.is_object() || textAt(s.start, "schema") != trace::kSchema) {
    printStderr(msg::kReplayNotATrace, s.nextLine, shownTrace().c_str());
    return false;
  }
  take();
  clockFromStart(textAt(s.start, "started"));
  s.active = true;
  return true;
}

bool active() {
  return state().active;
}

std::vector<std::string> arguments() {
  const Json& start = state().start;
  std::vector<std::string> a;
  if (hasValue(start, "device")) a.insert(a.end(), {"--device", nameOf(start["device"])});
  if (hasValue(start, "tape")) a.insert(a.end(), {"--tape", textAt(start, "tape")});
  if (hasValue(start, "length")) {
    a.insert(a.end(), {"--length", std::to_string(numberAt(start, "length"))});
  }
  if (start.value("identify", false)) a.push_back("--identify");
  return a;
}

bool hasDrive(int drive) {
  Json line = expect("has-drive drive=" + std::to_string(drive));
  startOf(line);
  bool answer = line.value("answer", false);
  endOf(line);
  return answer;
}

bool open(int drive) {
  return opened(expect("open drive=" + std::to_string(drive)));
}

bool openDevice(const char* device) {
  return opened(expect("open name=" + shownName(device)));
}

const char* deviceName() {
  return state().device.c_str();
}

void close() {
  Json line = expect("close");
  startOf(line);
  endOf(line);
}

bool identification(Identification* id) {
  Json line = expect("identification");
  startOf(line);
  std::vector<uint8_t> bytes;
  id->asked =
      hasValue(line, "cdb") && fromHexText(textAt(line, "cdb"), &bytes) && bytes.size() == 6;
  if (id->asked) std::memcpy(id->cdb, bytes.data(), 6);
  id->length = static_cast<uint32_t>(numberAt(line, "len", 0));
  bool ok = carriedOut(line);
  if (ok) {
    if (id->asked) answerOf(line, &id->result);
    id->found = line.value("found", false);
    if (fromHexText(textAt(line, "id"), &bytes) && bytes.size() == sizeof id->id) {
      std::memcpy(id->id, bytes.data(), sizeof id->id);
    }
  }
  endOf(line);
  return ok;
}

bool send(const ScsiCommand& command, ScsiResult* result) {
  State& s = state();
  Json line = expect(askedOf(command));
  startOf(line);
  if (command.cdb[0] == 0x08 && line.contains("cdb")) s.lastRead = line;
  const Json& request = line.contains("cdb") ? line : s.lastRead;
  bool ok = carriedOut(request);
  if (ok) {
    answerOf(request, result);
    deliver(line, request, command, *result);
  }
  endOf(line);
  return ok;
}

void errorText(char* text, size_t size) {
  std::snprintf(text, size, "%s", state().text.c_str());
}

unsigned long errorCode() {
  return state().error;
}

bool finish() {
  const Json& line = peek();
  if (line.is_null() || line.contains("ending")) return true;
  printStderr(msg::kReplayNotAsked, shownTrace().c_str(), state().nextLine, heldIn(line).c_str());
  return false;
}

}  // namespace replay
