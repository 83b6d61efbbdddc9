// POSIX clock: nanosleep, ended early by a signal; the system's time.
#include <time.h>

#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  struct timespec pause;
  pause.tv_sec = milliseconds / 1000;
  pause.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  nanosleep(&pause, nullptr);
}

WallTime wallClock() {
  return systemClock();
}
