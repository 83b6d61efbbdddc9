// Windows interrupts: a console control handler that turns Ctrl-C,
// Ctrl-Break and the closing of the console into a request that the run
// answers. Windows has no hangup signal that a parent could leave ignored
// (no nohup): the closing of the console is always answered.
#include <windows.h>

#include <atomic>

#include "interrupts.h"

namespace {

// Set by the console handler, which runs on a thread of its own, and read by
// the run's threads: an atomic without a lock.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag must be lock-free");
HANDLE runDone = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
  interrupted.store(true);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    // The process ends when this handler returns: hold it until the run
    // has put the drive back into data mode (the system allows a few seconds).
    if (runDone != nullptr) WaitForSingleObject(runDone, INFINITE);
  }
  return TRUE;
}

}  // namespace

InterruptGuard::InterruptGuard() {
  interrupted.store(false);
  if (runDone == nullptr) runDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (runDone != nullptr) ResetEvent(runDone);
  ok = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

InterruptGuard::~InterruptGuard() {
  if (runDone != nullptr) SetEvent(runDone);
  if (ok) SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

bool interruptRequested() {
  return interrupted.load();
}

void requestInterrupt() {
  interrupted.store(true);
}
