#include "capture_log.h"

#include <cerrno>
#include <cstdlib>

#include "dumper_messages.h"

bool CaptureLog::open(const WallTime& started, const char* drive, const std::string& device,
                      const WallTime& arrived) {
  if (!out.open(logtext::kName)) return false;
  out.line(msg::kCaptureLogProgram, DAT_VERSION);
  out.line(msg::kCaptureLogStarted, timeStamp(started).c_str());
  out.line(msg::kCaptureLogDrive, drive);
  if (!device.empty()) out.line(msg::kCaptureLogDevice, device.c_str());
  out.line(msg::kCaptureLogArrived, timeStamp(arrived).c_str());
  errno = out.refusal();
  return true;
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

void CaptureLog::badRead(uint8_t status, uint8_t sense) {
  if (!inGap) {
    inGap = true;
    gap = Gap();
    gap.position = written;
    gap.before = lastAtime;
  }
  ++gap.reads;
  ++gap.answers[static_cast<uint16_t>(status << 8 | sense)];
}

void CaptureLog::atimeShown(const tapetime::Time& time) {
  std::string atime = tapetime::text(time);
  if (firstAtime.empty()) {
    firstAtime = atime;
    out.line(msg::kLogFirstAtime, atime.c_str());
  }
  lastAtime = atime;
  writeWaitingGaps(atime);
}

void CaptureLog::writeWaitingGaps(const std::string& after) {
  for (const Gap& stretch : waiting) {
    std::string answers;
    for (const auto& a : stretch.answers) {
      char item[32];
      std::snprintf(item, sizeof item, "%s%02X/%02X:%lld", answers.empty() ? "" : ",", a.first >> 8,
                    a.first & 0xFF, static_cast<long long>(a.second));
      answers += item;
    }
    out.line(msg::kCaptureLogStretch, static_cast<long long>(stretch.position),
             static_cast<long long>(stretch.reads),
             stretch.before.empty() ? msg::kLogNone : stretch.before.c_str(),
             after.empty() ? msg::kLogNone : after.c_str(), answers.c_str());
    ++gaps;
    gapReads += stretch.reads;
  }
  waiting.clear();
}

void CaptureLog::finish(const char* reason, bool dataMode, int exitStatus, const WallTime& ended) {
  if (inGap) waiting.push_back(gap);
  inGap = false;
  writeWaitingGaps("");
  out.line(msg::kLogLastAtime, lastAtime.empty() ? msg::kLogNone : lastAtime.c_str());
  out.line(msg::kCaptureLogGood, static_cast<long long>(good));
  out.line(msg::kCaptureLogWritten, static_cast<long long>(written));
  out.line(msg::kCaptureLogFiltered, static_cast<long long>(filtered));
  out.line(msg::kCaptureLogStretches, static_cast<long long>(gaps));
  out.line(msg::kCaptureLogErrors, static_cast<long long>(gapReads));
  out.line(msg::kCaptureLogEnd, reason);
  out.line(msg::kCaptureLogDataMode,
           dataMode ? msg::kCaptureLogDataModeBack : msg::kCaptureLogDataModeNotBack);
  out.line(msg::kCaptureLogEnded, timeStamp(ended).c_str());
  out.line(msg::kLogExitStatus, exitStatus);
  if (gaps == 0) {
    out.line(msg::kCaptureLogSummaryClean, reason);
  } else {
    out.line(msg::kCaptureLogSummary, reason, static_cast<long long>(gaps),
             static_cast<long long>(gapReads));
  }
}

void CaptureLog::close() {
  out.close();
}
