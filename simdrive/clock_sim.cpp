// The simulated clock: a pause takes no time; the drive model counts it,
// and the time the tape runs while frames are read. The steady clock is
// both together, and the time of day moves with it from 2026-01-01 00:00 UTC.
#include "drive_model.h"
#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  sim::sleep(milliseconds);
}

uint64_t steadyMilliseconds() {
  const sim::DriveState& s = sim::state();
  return s.sleptMilliseconds + s.tapeMilliseconds;
}

WallTime wallClock() {
  constexpr int64_t kStart = 1767225600;  // 2026-01-01 00:00:00 UTC
  return {kStart + static_cast<int64_t>(steadyMilliseconds() / 1000), 0};
}
