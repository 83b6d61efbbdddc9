// POSIX clock: nanosleep, ended early by a signal; time and localtime_r.
#include <time.h>

#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  struct timespec pause;
  pause.tv_sec = milliseconds / 1000;
  pause.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  nanosleep(&pause, nullptr);
}

WallTime wallClock() {
  time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  return {static_cast<int64_t>(now), static_cast<int>(local.tm_gmtoff / 60)};
}
