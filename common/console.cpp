#include "console.h"

#include <cstdarg>
#include <string>

namespace {

void printTo(FILE* stream, const char* format, va_list args) {
  char small[512];
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    writeConsole(stream, small, static_cast<size_t>(n));
  } else {
    std::string large(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(&large[0], large.size(), format, again);
    writeConsole(stream, large.data(), static_cast<size_t>(n));
  }
  va_end(again);
}

}  // namespace

void printStdout(const char* format, ...) {
  va_list args;
  va_start(args, format);
  printTo(stdout, format, args);
  va_end(args);
}

void printStderr(const char* format, ...) {
  std::fflush(stdout);
  va_list args;
  va_start(args, format);
  printTo(stderr, format, args);
  va_end(args);
}
