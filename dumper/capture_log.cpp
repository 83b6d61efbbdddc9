#include "capture_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "console.h"
#include "dumper_messages.h"
#include "earlier_capture.h"
#include "output_file.h"

namespace {

// The record's temporary files: "KOVRANT.json", or "KOVRANT-N.json" where
// another user's record stood.
bool isOurTarget(const std::string& target) {
  const std::string stem = "KOVRANT", ext = ".json";
  if (target == logtext::kRecordName) return true;
  if (target.size() <= stem.size() + 1 + ext.size() || target.compare(0, 8, stem + "-") != 0 ||
      target.compare(target.size() - ext.size(), ext.size(), ext) != 0) {
    return false;
  }
  std::string number = target.substr(8, target.size() - 8 - ext.size());
  return number.find_first_not_of("0123456789") == std::string::npos;
}

// An answer as the stretches count it: status, sense byte, whether sense
// data came, sense key, ASC, ASCQ, from the highest bits down, so that the
// answers are in that order.
uint64_t senseAnswer(uint8_t status, uint8_t sense, const SenseFields& f) {
  uint64_t key = uint64_t{status} << 40 | uint64_t{sense} << 32;
  if (f.valid) key |= uint64_t{1} << 24 | uint64_t{f.key} << 16 | uint64_t{f.asc} << 8 | f.ascq;
  return key;
}

uint8_t byteOf(uint64_t answer, int at) {
  return static_cast<uint8_t>(answer >> at);
}

// The log's form of a stretch's answers with their sense data:
// "SS/BB/KK/AA/QQ:N,...", "--" for what no sense data said.
std::string senseAnswers(const std::map<uint64_t, int64_t>& senses) {
  std::string out;
  for (const auto& s : senses) {
    char item[48];
    if ((s.first >> 24 & 1) != 0) {
      std::snprintf(item, sizeof item, "%s%02X/%02X/%02X/%02X/%02X:%lld", out.empty() ? "" : ",",
                    byteOf(s.first, 40), byteOf(s.first, 32), byteOf(s.first, 16),
                    byteOf(s.first, 8), byteOf(s.first, 0), static_cast<long long>(s.second));
    } else {
      std::snprintf(item, sizeof item, "%s%02X/%02X/--/--/--:%lld", out.empty() ? "" : ",",
                    byteOf(s.first, 40), byteOf(s.first, 32), static_cast<long long>(s.second));
    }
    out += item;
  }
  return out;
}

}  // namespace

void CaptureLog::open(const CaptureStart& start) {
  opened = true;
  errno = 0;
  if (!out.open(logtext::kName)) {
    printStdout(msg::kLogCreateFailed, std::strerror(errno));
  } else if (out.refusal() != 0) {
    printStdout(msg::kLogElsewhere, std::strerror(out.refusal()),
                shownName(out.name().c_str()).c_str());
  }
  out.line(msg::kCaptureLogProgram, DAT_VERSION);
  if (start.tape) out.line(msg::kLogTape, start.tape->c_str());
  out.line(msg::kCaptureLogStarted, timeStamp(start.started).c_str());
  out.line(msg::kCaptureLogDrive, start.drive);
  if (start.deviceShown) out.line(msg::kCaptureLogDevice, shownName(start.device.c_str()).c_str());
  out.line(msg::kCaptureLogArrived, timeStamp(start.arrived).c_str());
  if (start.kept) {
    out.line(msg::kCaptureLogKept, keptNames(*start.kept).c_str(),
             static_cast<long long>(start.kept->frames));
  }

  doc.version = DAT_VERSION;
  doc.tape = start.tape;
  if (out.isOpen()) doc.log = out.name();
  doc.started = isoTime(start.started);
  doc.arrived = isoTime(start.arrived);
  doc.drive = start.drive;
  doc.device = pathJson(start.device);
  doc.image = dat::kImageName;
  doc.kept = start.kept;
  for (const std::string& name : removeStaleTemporaries(isOurTarget)) {
    doc.staleTemporariesRemoved.push_back(pathJson(name));
  }
  writeRecord();
}

void CaptureLog::imageKeeps(int64_t frames) {
  if (frames < written) written = frames;
}

void CaptureLog::goodRead(bool isWritten) {
  ++good;
  if (isWritten) {
    ++written;
  } else {
    ++filtered;
  }
  if (inGap) {
    inGap = false;
    waiting.push_back(gap);
  }
}

void CaptureLog::badRead(uint8_t status, uint8_t sense, const SenseFields& fields) {
  if (!inGap) {
    inGap = true;
    gap = Gap();
    gap.position = written;
    gap.before = lastAtime;
  }
  ++gap.reads;
  ++gap.answers[static_cast<uint16_t>(status << 8 | sense)];
  ++gap.senses[senseAnswer(status, sense, fields)];
}

void CaptureLog::nameSenseCodes(const Gap& stretch) {
  for (const auto& s : stretch.senses) {
    if ((s.first >> 24 & 1) == 0) continue;
    uint16_t code = static_cast<uint16_t>(s.first & 0xFFFF);
    if (std::find(named.begin(), named.end(), code) != named.end()) continue;
    named.push_back(code);
    out.line(msg::kCaptureLogSenseCode, code >> 8, code & 0xFF,
             senseCodeText(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)));
  }
}

void CaptureLog::atimeShown(const tapetime::Time& time) {
  int64_t key = tapetime::key(time);
  cycle.add(key);
  if (firstAtime == tapetime::kNoTime) {
    firstAtime = key;
    out.line(msg::kLogFirstAtime, tapetime::text(time).c_str());
  }
  lastAtime = key;
  writeWaitingGaps(key);
}

void CaptureLog::writeWaitingGaps(int64_t after) {
  auto text = [](int64_t key) {
    return key == tapetime::kNoTime ? std::string(msg::kLogNone)
                                    : tapetime::text(tapetime::fromKey(key));
  };
  for (Gap& stretch : waiting) {
    stretch.after = after;
    std::string answers;
    for (const auto& a : stretch.answers) {
      char item[32];
      std::snprintf(item, sizeof item, "%s%02X/%02X:%lld", answers.empty() ? "" : ",", a.first >> 8,
                    a.first & 0xFF, static_cast<long long>(a.second));
      answers += item;
    }
    out.line(msg::kCaptureLogStretch, static_cast<long long>(stretch.position),
             static_cast<long long>(stretch.reads), text(stretch.before).c_str(),
             text(after).c_str(), answers.c_str(), senseAnswers(stretch.senses).c_str());
    nameSenseCodes(stretch);
    gapReads += stretch.reads;
    stretches.push_back(stretch);
  }
  waiting.clear();
}

void CaptureLog::finish(const CaptureEnding& ending, bool dataMode, int exitStatus,
                        const WallTime& ended) {
  if (inGap) waiting.push_back(gap);
  inGap = false;
  writeWaitingGaps(tapetime::kNoTime);
  long long gaps = static_cast<long long>(stretches.size());
  out.line(msg::kLogLastAtime, lastAtime == tapetime::kNoTime
                                   ? msg::kLogNone
                                   : tapetime::text(tapetime::fromKey(lastAtime)).c_str());
  out.line(msg::kCaptureLogGood, static_cast<long long>(good));
  out.line(msg::kCaptureLogWritten, static_cast<long long>(written));
  out.line(msg::kCaptureLogFiltered, static_cast<long long>(filtered));
  out.line(msg::kCaptureLogStretches, gaps);
  out.line(msg::kCaptureLogErrors, static_cast<long long>(gapReads));
  out.line(msg::kCaptureLogEnd, ending.text);
  out.line(msg::kCaptureLogDataMode,
           dataMode ? msg::kCaptureLogDataModeBack : msg::kCaptureLogDataModeNotBack);
  out.line(msg::kCaptureLogEnded, timeStamp(ended).c_str());
  out.line(msg::kLogExitStatus, exitStatus);
  if (gaps == 0) {
    out.line(msg::kCaptureLogSummaryClean, ending.text);
  } else {
    out.line(msg::kCaptureLogSummary, ending.text, gaps, static_cast<long long>(gapReads));
  }
  doc.ended = isoTime(ended);
  doc.ending = ending.code;
  doc.dataModeRestored = dataMode;
  doc.exitStatus = exitStatus;
  writeRecord();
}

std::optional<records::Atime> CaptureLog::atime(int64_t key) const {
  if (key == tapetime::kNoTime) return std::nullopt;
  return records::atime(tapetime::fromKey(key), cycle.cycle());
}

void CaptureLog::writeRecord() {
  bool timed = firstAtime != tapetime::kNoTime;
  doc.cycle = timed ? std::optional<records::Cycle>(records::cycle(cycle.cycle())) : std::nullopt;
  doc.firstAtime = atime(firstAtime);
  doc.lastAtime = atime(lastAtime);
  doc.stretches.clear();
  for (const Gap& s : stretches) {
    records::CaptureStretch r{s.position, s.reads, atime(s.before), atime(s.after), {}};
    for (const auto& a : s.answers)
      r.answers.push_back({a.first >> 8, a.first & 0xFF, a.second, {}});
    for (const auto& k : s.senses) {
      records::CaptureAnswer& a =
          *std::find_if(r.answers.begin(), r.answers.end(), [&](const records::CaptureAnswer& x) {
            return x.status == byteOf(k.first, 40) && x.sense == byteOf(k.first, 32);
          });
      records::CaptureSense sense{std::nullopt, std::nullopt, std::nullopt, k.second};
      if ((k.first >> 24 & 1) != 0) {
        sense = {byteOf(k.first, 16), byteOf(k.first, 8), byteOf(k.first, 0), k.second};
      }
      a.senses.push_back(sense);
    }
    doc.stretches.push_back(r);
  }
  doc.senseCodes.clear();
  for (uint16_t code : named) {
    const char* name =
        senseCodeEnglish(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code));
    doc.senseCodes.push_back({code >> 8, code & 0xFF,
                              name != nullptr ? std::optional<std::string>(name) : std::nullopt});
  }
  doc.counts = records::CaptureCounts{good, written, filtered,
                                      static_cast<int64_t>(stretches.size()), gapReads};
  record.doc() = doc;
  // Each is said once: a directory in the way fails both writes.
  errno = 0;
  if (!record.write()) {
    if (!recordFailureSaid)
      printStdout(msg::kRecordWriteFailed, std::strerror(errno ? errno : EIO));
    recordFailureSaid = true;
  } else if (record.refusal() != 0 && !recordElsewhereSaid) {
    recordElsewhereSaid = true;
    printStdout(msg::kRecordElsewhere, std::strerror(record.refusal()),
                shownName(record.name().c_str()).c_str());
  }
}

void CaptureLog::close() {
  out.close();
}
