// POSIX interrupts: the interrupt signals turned into a request that the run
// answers.
#include <atomic>

#include "interrupt_signals_posix.h"
#include "interrupts.h"

namespace {

// Set by the handler, on whichever thread the signal is delivered to, and
// read by the run's threads (the converter's second one among them): an
// atomic, and one without a lock, as a signal handler may touch no other.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler needs a lock-free flag");
constexpr int kCount = sizeof kInterruptSignals / sizeof kInterruptSignals[0];
struct sigaction previous[kCount];
int installedCount = 0;

void onSignal(int) {
  interrupted.store(true);
}

}  // namespace

InterruptGuard::InterruptGuard() {
  interrupted.store(false);
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
  return interrupted.load();
}

void requestInterrupt() {
  interrupted.store(true);
}
