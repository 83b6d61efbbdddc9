// The dumper's waits and its clock. One implementation per platform; the
// simulated clock replaces them in tests and in the simulated-drive build.
#pragma once

#include <cstdint>

#include "interrupts.h"

// Pauses the run. An interrupt may end the pause early.
void sleepMilliseconds(unsigned milliseconds);

// The time of day: seconds since 1970-01-01 00:00 UTC, and the local
// zone's offset from UTC at that moment, in minutes. The simulated clock
// starts at 2026-01-01 00:00 UTC, in UTC, and moves with its pauses.
struct WallTime {
  int64_t utcSeconds;
  int offsetMinutes;
};
WallTime wallClock();
