#include "trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "byte_text.h"
#include "console.h"
#include "dumper_messages.h"
#include "interrupts.h"
#include "json_record.h"
#include "output_file.h"
#include "sense_codes.h"
#include "sha256.h"
#include "system_services.h"

namespace trace {

namespace {

constexpr uint8_t kGood = 0;

// One line of the trace, built field by field.
class Line {
 public:
  Line& key(const char* name) {
    text += text.empty() ? "{\"" : ",\"";
    text += name;
    text += "\":";
    return *this;
  }
  Line& number(long long v) {
    text += std::to_string(v);
    return *this;
  }
  // `thousandths` / 1000 with the digits it needs: 30, 0.03, 7200.125.
  Line& decimal(uint64_t thousandths) {
    text += std::to_string(thousandths / 1000);
    unsigned rest = static_cast<unsigned>(thousandths % 1000);
    if (rest != 0) {
      char digits[8];
      std::snprintf(digits, sizeof digits, ".%03u", rest);
      std::string d = digits;
      while (d.back() == '0') d.pop_back();
      text += d;
    }
    return *this;
  }
  Line& boolean(bool v) {
    text += v ? "true" : "false";
    return *this;
  }
  Line& null() {
    text += "null";
    return *this;
  }
  // A value of the document model; a string's bytes that are not UTF-8
  // become U+FFFD.
  Line& json(const Json& v) {
    text += v.dump(-1, ' ', false, Json::error_handler_t::replace);
    return *this;
  }
  // Text with nothing to escape in it (hexadecimal, base64, a name of ours).
  Line& plain(const std::string& s) {
    text += '"';
    text += s;
    text += '"';
    return *this;
  }
  std::string done() const { return text + "}\n"; }

  std::string text;
};

// The READ line before: a READ asked and answered as it was gets a short
// line of its own.
struct LastRead {
  bool known = false;
  ScsiCommand command{};
  ScsiResult result;
};

struct Counts {
  long long requests = 0, reads = 0, goodReads = 0, framesWritten = 0, framesInTrace = 0,
            failedControls = 0;
};

struct Open {
  FILE* file = nullptr;
  std::string name;
  uint64_t startMicroseconds = 0;
  LastRead lastRead;
  // A GOOD READ whose line waits for the filter's word: its line so far and
  // the bytes it transferred (in the dumper's transfer buffer until the next
  // request), the frame's digest when no word comes.
  bool pending = false;
  Line pendingLine;
  const uint8_t* pendingFrame = nullptr;
  uint32_t pendingLength = 0;
  bool interruptNoted = false;
  Counts counts;
};

Open& theTrace() {
  static Open open;
  return open;
}

uint64_t sinceStart(uint64_t micros) {
  uint64_t start = theTrace().startMicroseconds;
  return micros > start ? micros - start : 0;
}

// Writes one line and flushes it; the first that cannot be written is said
// on the console, and the trace ends there.
void write(const std::string& text) {
  Open& t = theTrace();
  if (t.file == nullptr) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), t.file) == text.size() && std::fflush(t.file) == 0) {
    return;
  }
  printStdout(msg::kTraceWriteFailed, shownName(t.name.c_str()).c_str(),
              std::strerror(errno != 0 ? errno : EIO));
  std::fclose(t.file);
  t.file = nullptr;
}

Line lineAt(uint64_t micros) {
  Line line;
  line.key("t").decimal(sinceStart(micros) / 1000);
  return line;
}

void addError(Line& line) {
  char text[512];
  carrierErrorText(text, sizeof text);
  line.key("error").json(
      Json{{"code", static_cast<long long>(carrierErrorCode())}, {"text", std::string(text)}});
}

}  // namespace

const char* operationName(uint8_t opcode) {
  switch (opcode) {
    case 0x00:
      return "test-unit-ready";
    case 0x01:
      return "rewind";
    case 0x08:
      return "read";
    case 0x12:
      return "inquiry";
    case 0x15:
      return "mode-select";
    case 0x1A:
      return "mode-sense";
    case 0x1B:
      return "unload";
    default:
      return "other";
  }
}

const char* directionName(DataDirection d) {
  return d == DataDirection::In ? "in" : d == DataDirection::Out ? "out" : "none";
}

namespace {

bool allZero(const uint8_t* p, size_t n) {
  for (size_t k = 0; k < n; ++k) {
    if (p[k] != 0) return false;
  }
  return true;
}

// The sense area as it came, and what it says; null when none came.
void addSense(Line& line, const ScsiResult& r) {
  line.key("sense");
  if (r.senseLength <= 0 && allZero(r.sense, pt::kSenseLength)) {
    line.null();
    return;
  }
  SenseFields f = senseOf(r);
  Line sense;
  sense.key("bytes").plain(hexText(r.sense, pt::kSenseLength));
  sense.key("length");
  r.senseLength >= 0 ? sense.number(r.senseLength) : sense.null();
  if (f.valid) {
    sense.key("key").number(f.key).key("asc").number(f.asc).key("ascq").number(f.ascq);
    sense.key("filemark").boolean(f.filemark).key("eom").boolean(f.endOfMedium);
    sense.key("ili").boolean(f.incorrectLength).key("information");
    f.hasInformation ? sense.number(static_cast<long long>(f.information)) : sense.null();
    const char* name = senseCodeEnglish(f.asc, f.ascq);
    sense.key("name");
    name != nullptr ? sense.json(name) : sense.null();
  }
  line.text += sense.text + "}";
}

// The answer's fields of a command carried out, or its error.
void addAnswer(Line& line, const ScsiCommand& command, bool ok, const ScsiResult& r) {
  if (!ok) {
    addError(line);
    line.key("status").null().key("got").null().key("sense").null();
    return;
  }
  line.key("error").null().key("status").number(r.status).key("got");
  command.direction == DataDirection::In ? line.number(r.transferred) : line.null();
  addSense(line, r);
}

void addCommand(Line& line, const ScsiCommand& c) {
  line.key("op").plain(operationName(c.cdb[0])).key("cdb").plain(hexText(c.cdb, 6));
  line.key("dir").plain(directionName(c.direction)).key("len").number(c.length);
  line.key("timeout").number(c.timeoutSeconds);
}

bool sameAnswer(const ScsiResult& a, const ScsiResult& b) {
  return a.status == b.status && a.senseByte == b.senseByte && a.transferred == b.transferred &&
         a.senseLength == b.senseLength && std::memcmp(a.sense, b.sense, sizeof a.sense) == 0;
}

bool sameCommand(const ScsiCommand& a, const ScsiCommand& b) {
  return std::memcmp(a.cdb, b.cdb, 6) == 0 && a.direction == b.direction && a.length == b.length &&
         a.timeoutSeconds == b.timeoutSeconds;
}

// The line of the GOOD READ that waits, finished with the frame's SHA-256
// and the filter's word (null when none came before the next line: the
// digest is then that of the bytes transferred).
void finishPending(const bool* written, const uint8_t* frame, size_t length) {
  Open& t = theTrace();
  if (!t.pending) return;
  t.pending = false;
  if (written == nullptr) {
    frame = t.pendingFrame;
    length = t.pendingLength;
  }
  Sha256 digest;
  digest.update(frame, length);
  Line& line = t.pendingLine;
  line.key("sha256").plain(digest.hex()).key("written");
  if (written == nullptr) {
    line.null();
  } else {
    line.boolean(*written);
    ++(*written ? t.counts.framesWritten : t.counts.framesInTrace);
    if (!*written) line.key("frame").plain(base64Text(frame, length));
  }
  write(line.done());
}

void finishPending() {
  finishPending(nullptr, nullptr, 0);
}

// The start of a request's line, started at `started`: the line before
// finished, the counts moved on.
Line requestLine(bool ok, uint64_t started) {
  finishPending();
  Open& t = theTrace();
  ++t.counts.requests;
  if (!ok) ++t.counts.failedControls;
  return lineAt(started);
}

// A READ's line: GOOD ones with their frame's digest wait for the filter;
// others carry the bytes they transferred, which are in no image.
void readLine(Line& line, const ScsiCommand& c, bool ok, const ScsiResult& r) {
  Open& t = theTrace();
  ++t.counts.reads;
  uint32_t got = ok && r.transferred < c.length ? r.transferred : (ok ? c.length : 0);
  if (ok && r.status == kGood) {
    ++t.counts.goodReads;
    t.pending = true;
    t.pendingLine = line;
    t.pendingFrame = c.data;
    t.pendingLength = got;
    return;
  }
  line.key("frame");
  got > 0 ? line.plain(base64Text(c.data, got)) : line.null();
  write(line.done());
}

}  // namespace

bool begin(const char* path, const Settings& settings) {
  Open& t = theTrace();
  errno = 0;
  t.file = createFresh(path);
  if (t.file == nullptr) return false;
  t.name = path;
  t.startMicroseconds = steadyMicroseconds();
  Line line;
  line.key("schema").plain(kSchema).key("program").plain("KOVRANT");
  line.key("version").plain(DAT_VERSION).key("platform").plain(carrierPlatform());
  line.key("device");
  settings.device != nullptr ? line.json(pathJson(settings.device)) : line.null();
  line.key("tape");
  settings.tape ? line.json(*settings.tape) : line.null();
  line.key("length");
  settings.lengthMinutes > 0 ? line.number(settings.lengthMinutes) : line.null();
  line.key("identify").boolean(settings.identify);
  line.key("started").plain(isoTime(wallClock()));
  write(line.done());
  return true;
}

bool active() {
  return theTrace().file != nullptr;
}

void hasDrive(int drive, bool answer) {
  if (!active()) return;
  finishPending();
  Line line = lineAt(steadyMicroseconds());
  line.key("device").plain("has-drive").key("drive").number(drive).key("answer").boolean(answer);
  write(line.done());
}

void opened(int drive, const char* device, bool ok) {
  if (!active()) return;
  finishPending();
  Line line = lineAt(steadyMicroseconds());
  line.key("device").plain("open").key("drive");
  drive >= 0 ? line.number(drive) : line.null();
  line.key("asked");
  device != nullptr ? line.json(pathJson(device)) : line.null();
  line.key("name").json(pathJson(carrierDeviceName())).key("opened").boolean(ok);
  if (ok) {
    line.key("error").null();
  } else {
    addError(line);
  }
  write(line.done());
}

void closed() {
  if (!active()) return;
  finishPending();
  Line line = lineAt(steadyMicroseconds());
  line.key("device").plain("close");
  write(line.done());
}

void identification(const Identification& id, bool ok, uint64_t started) {
  if (!active()) return;
  uint64_t now = steadyMicroseconds();
  Line line = requestLine(ok, started);
  line.key("op").plain("inquiry");
  if (id.asked) {
    ScsiCommand c{{}, DataDirection::In, nullptr, id.length, 0};
    std::memcpy(c.cdb, id.cdb, 6);
    line.key("cdb").plain(hexText(id.cdb, 6)).key("dir").plain("in").key("len").number(id.length);
    addAnswer(line, c, ok, id.result);
  } else {
    line.key("cdb").null().key("dir").null().key("len").null();
    if (ok) {
      line.key("error").null();
    } else {
      addError(line);
    }
  }
  line.key("ms").decimal(now > started ? now - started : 0).key("found");
  ok ? line.boolean(id.found) : line.null();
  line.key("id");
  ok ? line.plain(hexText(id.id, pt::kIdentificationLength)) : line.null();
  write(line.done());
}

void request(const ScsiCommand& c, bool ok, const ScsiResult& r, uint64_t started) {
  if (!active()) return;
  uint64_t now = steadyMicroseconds();
  Line line = requestLine(ok, started);
  Open& t = theTrace();
  bool read = c.cdb[0] == 0x08;
  bool again = read && ok && r.status == kGood && t.lastRead.known &&
               sameCommand(c, t.lastRead.command) && sameAnswer(r, t.lastRead.result);
  if (again) {
    line.key("op").plain("read");
  } else {
    addCommand(line, c);
    addAnswer(line, c, ok, r);
  }
  line.key("ms").decimal(now > started ? now - started : 0);
  if (read) {
    t.lastRead = {ok, c, r};
    return readLine(line, c, ok, r);
  }
  uint32_t n = c.direction == DataDirection::Out ? c.length : ok ? r.transferred : 0;
  line.key("data");
  c.direction != DataDirection::None&& n > 0 ? line.plain(hexText(c.data, n)) : line.null();
  write(line.done());
}

void frameWritten(bool written, const uint8_t* frame, size_t length) {
  if (active()) finishPending(&written, frame, length);
}

bool interruptSeen() {
  bool seen = interruptRequested();
  Open& t = theTrace();
  if (!seen || t.interruptNoted || !active()) return seen;
  t.interruptNoted = true;
  finishPending();
  Line line = lineAt(steadyMicroseconds());
  line.key("interrupt").boolean(true);
  write(line.done());
  return seen;
}

void end(const char* ending, int exitStatus) {
  if (!active()) return;
  finishPending();
  Open& t = theTrace();
  const Counts& n = t.counts;
  Line line = lineAt(steadyMicroseconds());
  line.key("ending").plain(ending).key("exitStatus").number(exitStatus);
  line.key("counts").json(Json{{"requests", n.requests},
                               {"reads", n.reads},
                               {"goodReads", n.goodReads},
                               {"framesWritten", n.framesWritten},
                               {"framesInTrace", n.framesInTrace},
                               {"failedControls", n.failedControls}});
  line.key("ended").plain(isoTime(wallClock()));
  write(line.done());
  if (t.file != nullptr) std::fclose(t.file);
  t.file = nullptr;
}

}  // namespace trace
