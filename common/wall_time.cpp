#include "wall_time.h"

#include <cstdio>
#include <cstdlib>

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

// "yyyy-mm-dd", `between`, "hh:mm:ss" of a count of seconds since 1970.
std::string dateTime(int64_t seconds, char between) {
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  int64_t rest = seconds - days * 86400;
  int year, month, day;
  civilFromDays(days, &year, &month, &day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d", year, month, day, between,
                static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                static_cast<int>(rest % 60));
  return text;
}

std::string zone(int offset) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                std::abs(offset) % 60);
  return text;
}

int64_t local(const WallTime& t) {
  return t.utcSeconds + int64_t{t.offsetMinutes} * 60;
}

}  // namespace

std::string timeStamp(const WallTime& t) {
  return dateTime(local(t), ' ') + " " + zone(t.offsetMinutes) + " (UTC " +
         dateTime(t.utcSeconds, ' ') + ")";
}

std::string isoTime(const WallTime& t) {
  return dateTime(local(t), 'T') + zone(t.offsetMinutes);
}
