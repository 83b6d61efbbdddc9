// POSIX interrupts: SIGINT, SIGTERM and SIGHUP
// turned into a request that the run answers.
#include <signal.h>

#include "system_services.h"

namespace {
volatile sig_atomic_t interrupted = 0;

void onSignal(int) { interrupted = 1; }
}  // namespace

void installInterruptHandler() {
  interrupted = 0;
  struct sigaction action;
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // Other calls carry on after the handler; a pause (nanosleep) ends at once
  // all the same, as it is never restarted.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

bool interruptRequested() { return interrupted != 0; }

void requestInterrupt() { interrupted = 1; }

void interruptHandlingDone() {}
