// Windows clock: Sleep; the system's time.
#include <windows.h>

#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  Sleep(milliseconds);
}

WallTime wallClock() {
  return systemClock();
}
