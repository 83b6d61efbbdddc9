// Console output. Every message is a printf format whose bytes are code
// page 932 (Shift_JIS, see cp932.h). Where the output goes to a file or a
// pipe those bytes go out unchanged; a terminal that reads UTF-8 (Linux) and
// a console window (Windows) get the same text in their own encoding. Each
// message is flushed at once so that standard output and standard error stay
// in the order they were printed, also for messages without a line end.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#if defined(__GNUC__)
#define DAT_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define DAT_PRINTF(fmt, args)
#endif

// The very first call of both programs: each of the standard descriptors 0-2
// that is closed gets the null device, so that no file the program opens
// later (the tape device, the image) can take its number and receive
// console text. False when one could not be filled: the program must not
// go on.
bool reserveStandardStreams();

// Called first thing by both programs: looks at what standard output and
// standard error are (a terminal, its encoding), and makes sure that output
// nobody reads any more (a pipe whose reader has gone, a closed terminal)
// cannot end the program: its writes fail and are passed over, and the
// program finishes its work. Until it is called, every byte goes out as is.
void prepareConsole();

// To standard output.
void printStdout(const char* format, ...) DAT_PRINTF(1, 2);
// To standard error.
void printStderr(const char* format, ...) DAT_PRINTF(1, 2);

// The platform's part: writes `length` code page 932 bytes to `stream` (stdout
// or stderr) in the form that prepareConsole chose for it, and flushes.
void writeConsole(FILE* stream, const char* bytes, size_t length);
// Writes text that came from outside (an argument), in the system's own
// encoding for such text, to `stream` as it is (POSIX: its own bytes;
// Windows: the ANSI code page), and flushes.
void writeForeign(FILE* stream, const char* bytes, size_t length);
// `text` with its control characters (C0, DEL, and C1 written as UTF-8)
// shown as \xNN, so that nothing in it can steer a terminal.
std::string escapeControls(const char* text);
