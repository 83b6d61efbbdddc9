#include "capture_log.h"

#include <cerrno>
#include <cstdlib>

#include "dumper_messages.h"

namespace logtext {

namespace {

// Days since 1970-01-01 to the civil date (proleptic Gregorian calendar).
void civilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}

std::string dateTime(int64_t seconds) {
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  int64_t rest = seconds - days * 86400;
  int year, month, day;
  civilFromDays(days, &year, &month, &day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day,
                static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                static_cast<int>(rest % 60));
  return text;
}

}  // namespace

std::string timeStamp(const WallTime& t) {
  int offset = t.offsetMinutes;
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                std::abs(offset) % 60);
  return dateTime(t.utcSeconds + int64_t{offset} * 60) + " " + zone + " (UTC " +
         dateTime(t.utcSeconds) + ")";
}

}  // namespace logtext

bool CaptureLog::open(const WallTime& started, const char* drive, const std::string& device,
                      const WallTime& arrived) {
  if (!out.open(logtext::kName)) return false;
  out.line(msg::kCaptureLogProgram, DAT_VERSION);
  out.line(msg::kCaptureLogStarted, logtext::timeStamp(started).c_str());
  out.line(msg::kCaptureLogDrive, drive);
  if (!device.empty()) out.line(msg::kCaptureLogDevice, device.c_str());
  out.line(msg::kCaptureLogArrived, logtext::timeStamp(arrived).c_str());
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
  out.line(msg::kCaptureLogEnded, logtext::timeStamp(ended).c_str());
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
