// POSIX interrupts: the interrupt signals turned into a request that the run
// answers.
#include "interrupt_signals_posix.h"
#include "interrupts.h"

namespace {

volatile sig_atomic_t interrupted = 0;
constexpr int kCount = sizeof kInterruptSignals / sizeof kInterruptSignals[0];
struct sigaction previous[kCount];
int installedCount = 0;

void onSignal(int) {
  interrupted = 1;
}

}  // namespace

InterruptGuard::InterruptGuard() {
  interrupted = 0;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // Other calls carry on after the handler; a pause (nanosleep) ends at once
  // all the same, as it is never restarted.
  action.sa_flags = SA_RESTART;
  installedCount = 0;
  while (installedCount < kCount &&
         sigaction(kInterruptSignals[installedCount], &action, &previous[installedCount]) == 0) {
    ++installedCount;
  }
  ok = installedCount == kCount;
}

InterruptGuard::~InterruptGuard() {
  while (installedCount > 0) {
    --installedCount;
    sigaction(kInterruptSignals[installedCount], &previous[installedCount], nullptr);
  }
}

bool interruptRequested() {
  return interrupted != 0;
}

void requestInterrupt() {
  interrupted = 1;
}
