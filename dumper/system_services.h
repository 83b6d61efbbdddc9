// The dumper's waits and its answer to an interrupt (Ctrl-C, console
// close, termination). One implementation per platform; the simulated
// clock replaces the waits in tests and in the simulated-drive build.
#pragma once

// Pauses the run. An interrupt may end the pause early.
void sleepMilliseconds(unsigned milliseconds);

// From here on an interrupt no longer ends the process: it is recorded, and
// the run finishes like at the end of the tape. Clears any earlier request.
void installInterruptHandler();
// True once an interrupt has been requested.
bool interruptRequested();
// Records an interrupt, as the system's handler does.
void requestInterrupt();
// The run has finished its clean-up: a handler that is holding the process
// open (console close) may let it go.
void interruptHandlingDone();
