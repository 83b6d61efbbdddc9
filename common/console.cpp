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

std::string escapeControls(const char* text) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    bool c1 = p[0] == 0xC2 && p[1] >= 0x80 && p[1] <= 0x9F;
    if (*p < 0x20 || *p == 0x7F || c1) {
      int n = c1 ? 2 : 1;
      for (int k = 0; k < n; ++k) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", p[k]);
        out += hex;
      }
      p += n - 1;
    } else {
      out += static_cast<char>(*p);
    }
  }
  return out;
}
