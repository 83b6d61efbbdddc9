// The dumper's waits and its answer to an interrupt (Ctrl-C, console
// close, termination). One implementation per platform; the simulated
// clock replaces the waits in tests and in the simulated-drive build.
#pragma once

#include <cstdint>

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

// While an InterruptGuard lives, an interrupt (Ctrl-C, Ctrl-Break, the
// closing of the console, SIGINT, SIGTERM, SIGHUP) no longer ends the
// process: it is recorded, and the run finishes like at the end of the tape.
// Creating one clears any earlier request; its destructor puts back what was
// there before and, on Windows, lets a console-close handler that is holding
// the process open return. One per process at a time.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  // False when the system refused the handler: interrupts then end the
  // process as usual.
  bool installed() const { return ok; }

 private:
  bool ok = false;
};

// True once an interrupt has been requested.
bool interruptRequested();
// Records an interrupt, as the system's handler does.
void requestInterrupt();
