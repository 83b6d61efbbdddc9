// Windows clock: Sleep; the system's time; the milliseconds since the system
// started.
#include <windows.h>

#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  Sleep(milliseconds);
}

WallTime wallClock() {
  return systemClock();
}

uint64_t steadyMilliseconds() {
  return GetTickCount64();
}
