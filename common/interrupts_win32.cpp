// Windows interrupts: a console control handler that turns Ctrl-C,
// Ctrl-Break and the closing of the console into a request that the run
// answers.
#include <windows.h>

#include "interrupts.h"

namespace {

volatile LONG interrupted = 0;
HANDLE runDone = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
  InterlockedExchange(&interrupted, 1);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    // The process ends when this handler returns: hold it until the run
    // has put the drive back into data mode (the system allows a few seconds).
    if (runDone != nullptr) WaitForSingleObject(runDone, INFINITE);
  }
  return TRUE;
}

}  // namespace

InterruptGuard::InterruptGuard() {
  InterlockedExchange(&interrupted, 0);
  if (runDone == nullptr) runDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (runDone != nullptr) ResetEvent(runDone);
  ok = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

InterruptGuard::~InterruptGuard() {
  if (runDone != nullptr) SetEvent(runDone);
  if (ok) SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

bool interruptRequested() {
  return InterlockedCompareExchange(&interrupted, 0, 0) != 0;
}

void requestInterrupt() {
  InterlockedExchange(&interrupted, 1);
}
