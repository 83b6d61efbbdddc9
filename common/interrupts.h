// The programs' answer to an interrupt (Ctrl-C, console close,
// termination). One implementation per platform.
#pragma once

// The exit status of a run that the user interrupted (the converter, the
// merge).
constexpr int kInterruptedStatus = 3;

// While an InterruptGuard lives, an interrupt (Ctrl-C, Ctrl-Break, the
// closing of the console, SIGINT, SIGTERM, SIGHUP) no longer ends the
// process: it is recorded, and the run finishes its work the way it has for it (the
// dumper like at the end of the tape, the converter without the file it
// was writing). A signal that the process was started with ignored stays
// ignored (SIGHUP under nohup).
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
