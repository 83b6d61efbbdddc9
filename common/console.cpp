#include "console.h"

#include <cstdarg>
#include <string>

#include "cp932.h"
#include "language.h"

std::string formatText(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  char small[512];
  int n = std::vsnprintf(small, sizeof small, format, args);
  std::string text;
  if (n > 0 && static_cast<size_t>(n) < sizeof small) {
    text.assign(small, static_cast<size_t>(n));
  } else if (n > 0) {
    text.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(&text[0], text.size(), format, again);
    text.pop_back();
  }
  va_end(again);
  return text;
}

std::string textOf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatText(format, args);
  va_end(args);
  return text;
}

std::string textUnchecked(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatText(format, args);
  va_end(args);
  return text;
}

namespace {

void printTo(FILE* stream, const char* format, va_list args) {
  // Standard output first: the two stay in the order they were printed.
  if (stream == stderr) std::fflush(stdout);
  std::string text = formatText(format, args);
  writeConsole(stream, text.data(), text.size());
}

}  // namespace

void printStdout(const char* format, ...) {
  va_list args;
  va_start(args, format);
  printTo(stdout, format, args);
  va_end(args);
}

void printStderr(const char* format, ...) {
  va_list args;
  va_start(args, format);
  printTo(stderr, format, args);
  va_end(args);
}

void writeToFile(FILE* stream, const char* utf8, size_t length) {
  if (englishTexts()) {
    std::fwrite(utf8, 1, length, stream);
  } else {
    std::string bytes = cp932::fromUtf8(utf8, length);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
  }
  std::fflush(stream);
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
