// The POSIX signals that interrupt a capture, in one place: the guard that
// turns them into a request, and the carrier that holds them off while a
// command is with the drive.
#pragma once

#include <signal.h>

constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Holds the interrupt signals for its lifetime; a signal that arrives
// meanwhile is delivered when it ends (one that is ignored, as SIGHUP under
// nohup, is then dropped: holding changes no signal's disposition).
class InterruptsHeld {
 public:
  InterruptsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : kInterruptSignals) sigaddset(&held, s);
    holding = sigprocmask(SIG_BLOCK, &held, &previous) == 0;
  }
  ~InterruptsHeld() {
    if (holding) sigprocmask(SIG_SETMASK, &previous, nullptr);
  }
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  sigset_t previous;
  bool holding;
};
