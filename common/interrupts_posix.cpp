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
bool ours[kCount];  // the handler installed over previous[k]

void onSignal(int) {
  interrupted.store(true);
}

bool ignored(const struct sigaction& a) {
  return (a.sa_flags & SA_SIGINFO) == 0 && a.sa_handler == SIG_IGN;
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
  for (bool& o : ours) o = false;
  ok = true;
  for (int k = 0; k < kCount && ok; ++k) {
    // A signal that the program was started with ignored stays ignored:
    // nohup ignores SIGHUP so that closing the terminal or the session
    // leaves the run going.
    ok = sigaction(kInterruptSignals[k], nullptr, &previous[k]) == 0;
    if (ok && !ignored(previous[k])) {
      ok = ours[k] = sigaction(kInterruptSignals[k], &action, nullptr) == 0;
    }
  }
}

InterruptGuard::~InterruptGuard() {
  for (int k = kCount - 1; k >= 0; --k) {
    if (ours[k]) sigaction(kInterruptSignals[k], &previous[k], nullptr);
    ours[k] = false;
  }
}

bool interruptRequested() {
  return interrupted.load();
}

void requestInterrupt() {
  interrupted.store(true);
}
