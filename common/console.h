// Console output. Every message is a printf format in UTF-8, formatted as
// UTF-8 (names from outside enter it through shownName) and converted once,
// where it is written: to a file or a pipe as code page 932 bytes among the
// Japanese texts (cp932.h) and as UTF-8 among the English ones; to a
// terminal that reads UTF-8 (POSIX) as UTF-8; to a console window (Windows)
// as UTF-16. Each message is flushed at once so that standard output and
// standard error stay in the order they were printed, also for messages
// without a line end.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>

#include "texts.h"

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
// program finishes its work. Until it is called, the output is written as
// to a file.
void prepareConsole();
// True when prepareConsole found a terminal (POSIX) or a console window
// (Windows) on standard output, not a file or a pipe: a person watches it.
bool stdoutIsTerminal();

// To standard output.
void printStdout(const char* format, ...) DAT_PRINTF(1, 2);
// To standard error.
void printStderr(const char* format, ...) DAT_PRINTF(1, 2);
// textOf for a format that the caller has had checked (a text of the
// table, below).
std::string textUnchecked(const char* format, ...);

// The text that `format` and `args` make.
std::string formatText(const char* format, va_list args);
// The text that `format` and the arguments make.
std::string textOf(const char* format, ...) DAT_PRINTF(1, 2);

// The same for a text of the table (texts.h) as the format, in the language
// in use: its arguments are checked against its Japanese when compiling.
template <const char* Japanese, typename... Args>
std::string textOf(const texts::Text<Japanese>& format, Args... args) {
  if (false) texts::checkFormat(Japanese, args...);
  return textUnchecked(format.text, args...);
}
template <const char* Japanese, typename... Args>
void printStdout(const texts::Text<Japanese>& format, Args... args) {
  printStdout("%s", textOf(format, args...).c_str());
}
template <const char* Japanese, typename... Args>
void printStderr(const texts::Text<Japanese>& format, Args... args) {
  printStderr("%s", textOf(format, args...).c_str());
}

// The platform's part: writes `length` bytes of UTF-8 to `stream` (stdout or
// stderr) in the form that prepareConsole chose for it, and flushes.
void writeConsole(FILE* stream, const char* utf8, size_t length);
// Writes `length` bytes of UTF-8 to `stream` in the form for a file or a
// pipe (code page 932 among the Japanese texts, UTF-8 among the English
// ones), and flushes.
void writeToFile(FILE* stream, const char* utf8, size_t length);

// A name from outside (an argument, a path, a device, a file found in a
// directory) as the console and the logs show it: UTF-8, converted from the
// system's encoding for such text (POSIX: its bytes as they are; Windows:
// the ANSI code page), with its control characters escaped.
std::string shownName(const char* name);
// The same name as text, for the records: true, with `utf8` set to its
// UTF-8, when its bytes are text in the system's encoding for names (POSIX:
// UTF-8, taken as they are; Windows: the ANSI code page); false when they
// are not.
bool nameAsText(const char* name, std::string* utf8);
// `text` with its control characters (C0, DEL, and C1 written as UTF-8)
// shown as \xNN, so that nothing in it can steer a terminal.
std::string escapeControls(const char* text);
