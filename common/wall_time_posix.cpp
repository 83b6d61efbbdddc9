// POSIX clock: time and localtime_r.
#include <time.h>

#include "wall_time.h"

WallTime systemClock() {
  time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  return {static_cast<int64_t>(now), static_cast<int>(local.tm_gmtoff / 60)};
}
