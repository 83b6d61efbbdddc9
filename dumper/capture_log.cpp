#include "capture_log.h"

#include <cerrno>
#include <cstdlib>

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
  if (!out.open(logtext::kName)) {
    // Only a file that may not be replaced sends the log elsewhere; a
    // directory in the way, a full disk, are said as they are.
    int error = errno;
    bool notOurs = error == EPERM || error == EACCES;
    if (!notOurs || !out.openUnused("KOVRANT", ".LOG")) {
      errno = error;
      return false;
    }
    errno = error;
  }
  out.line("プログラム: KOVRANT %s", DAT_VERSION);
  out.line("開始: %s", logtext::timeStamp(started).c_str());
  out.line("ドライブ: %s", drive);
  if (!device.empty()) out.line("デバイス: %s", device.c_str());
  out.line("カセット到着: %s", logtext::timeStamp(arrived).c_str());
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

void CaptureLog::atimeShown(const std::string& atime) {
  if (firstAtime.empty()) {
    firstAtime = atime;
    out.line("最初のATIME: %s", atime.c_str());
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
    out.line("読み取りエラー区間: 位置=%lld 回数=%lld 直前のATIME=%s 直後のATIME=%s 内訳=%s",
             static_cast<long long>(stretch.position), static_cast<long long>(stretch.reads),
             stretch.before.empty() ? "なし" : stretch.before.c_str(),
             after.empty() ? "なし" : after.c_str(), answers.c_str());
    ++gaps;
    gapReads += stretch.reads;
  }
  waiting.clear();
}

void CaptureLog::finish(const char* reason, bool dataMode, int exitStatus, const WallTime& ended) {
  if (inGap) waiting.push_back(gap);
  inGap = false;
  writeWaitingGaps("");
  out.line("最後のATIME: %s", lastAtime.empty() ? "なし" : lastAtime.c_str());
  out.line("正常に読んだフレーム: %lld", static_cast<long long>(good));
  out.line("書き込んだフレーム: %lld", static_cast<long long>(written));
  out.line("フィルターで除いたフレーム: %lld", static_cast<long long>(filtered));
  out.line("読み取りエラー区間の数: %lld", static_cast<long long>(gaps));
  out.line("読み取りエラーの回数: %lld", static_cast<long long>(gapReads));
  out.line("終了理由: %s", reason);
  out.line("データモード: %s", dataMode ? "戻した" : "戻せなかった");
  out.line("終了: %s", logtext::timeStamp(ended).c_str());
  out.line("終了ステータス: %d", exitStatus);
  if (gaps == 0) {
    out.line("まとめ: %s。読み取りエラーなし", reason);
  } else {
    out.line("まとめ: %s。読み取りエラー %lld か所、計 %lld 回", reason,
             static_cast<long long>(gaps), static_cast<long long>(gapReads));
  }
}

void CaptureLog::close() {
  out.close();
}
