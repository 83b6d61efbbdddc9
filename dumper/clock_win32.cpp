// Windows clock: Sleep; the system's time; the milliseconds since the system
// started, and the performance counter.
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

uint64_t steadyMicroseconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  uint64_t n = static_cast<uint64_t>(count.QuadPart), f = static_cast<uint64_t>(frequency.QuadPart);
  return n / f * 1000000 + n % f * 1000000 / f;
}
