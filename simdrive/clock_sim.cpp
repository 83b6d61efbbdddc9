// The simulated clock: a pause takes no time; the drive model counts it,
// and the time the tape runs while frames are read (and, in a replay, the
// time its trace took). The steady clock is all of it, and the time of day
// moves with it from 2026-01-01 00:00 UTC (a replay: from its trace's start).
#include "drive_model.h"
#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  sim::sleep(milliseconds);
}

uint64_t steadyMilliseconds() {
  return sim::clockMilliseconds();
}

uint64_t steadyMicroseconds() {
  return steadyMilliseconds() * 1000;
}

WallTime wallClock() {
  const sim::DriveState& s = sim::state();
  return {s.originUtcSeconds + static_cast<int64_t>(steadyMilliseconds() / 1000),
          s.originOffsetMinutes};
}
