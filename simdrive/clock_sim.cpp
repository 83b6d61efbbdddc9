// The simulated clock: a pause takes no time; the drive model counts it,
// and the time the tape runs while frames are read, and the time of day
// moves with both from 2026-01-01 00:00 UTC.
#include "drive_model.h"
#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  sim::sleep(milliseconds);
}

WallTime wallClock() {
  constexpr int64_t kStart = 1767225600;  // 2026-01-01 00:00:00 UTC
  const sim::DriveState& s = sim::state();
  return {kStart + static_cast<int64_t>((s.sleptMilliseconds + s.tapeMilliseconds) / 1000), 0};
}
