// The dumper's waits and its clock. One implementation per platform; the
// simulated clock replaces them in tests and in the simulated-drive build.
#pragma once

#include <cstdint>

#include "interrupts.h"
#include "wall_time.h"

// Pauses the run. An interrupt may end the pause early.
void sleepMilliseconds(unsigned milliseconds);

// The time of day (wall_time.h). The simulated clock starts at 2026-01-01
// 00:00 UTC, in UTC, and moves with its pauses.
WallTime wallClock();

// A clock for the time the capture takes, in milliseconds from a moment of
// its own: it never goes back, whatever is done to the time of day. The
// simulated clock counts its pauses and the time the tape runs.
uint64_t steadyMilliseconds();
// The same clock in microseconds (Windows: the performance counter, which
// runs from a moment of its own), for the times of a trace.
uint64_t steadyMicroseconds();
