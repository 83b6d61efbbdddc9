// Console output. Every message is a printf format whose bytes are already
// Shift_JIS (code page 932); the bytes go out unchanged, whatever the locale
// or terminal. Each message is flushed at once so that standard output and
// standard error stay in the order they were printed, also for messages
// without a line end.
#pragma once

#if defined(__GNUC__)
#define DAT_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define DAT_PRINTF(fmt, args)
#endif

// Output that nobody reads any more (a pipe whose reader has gone, a closed
// terminal) must not end the program: its writes fail and are passed over,
// and the program finishes its work. Called first thing by both programs.
void keepRunningWithoutConsole();

// To standard output.
void printStdout(const char* format, ...) DAT_PRINTF(1, 2);
// To standard error.
void printStderr(const char* format, ...) DAT_PRINTF(1, 2);
