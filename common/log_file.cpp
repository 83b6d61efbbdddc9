#include "log_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "log_messages.h"
#include "output_file.h"

bool LogFile::open(const char* name) {
  close();
  refused = 0;
  broken = false;
  file = createFresh(name);
  if (file != nullptr) {
    opened = name;
    return true;
  }
  // Only a file that may not be replaced sends the log elsewhere.
  int error = errno;
  if (error != EPERM && error != EACCES) return false;
  for (int k = 1; k <= kFallbackNames && file == nullptr; ++k) {
    opened = fallbackName(name, k);
    file = createUnused(opened.c_str());
  }
  if (file == nullptr) {
    errno = error;
    return false;
  }
  refused = error;
  return true;
}

void LogFile::line(const char* format, ...) {
  if (file == nullptr || broken) return;
  va_list args;
  va_start(args, format);
  errno = 0;
  bool written = std::vfprintf(file, format, args) >= 0;
  va_end(args);
  written = written && std::fputc('\n', file) != EOF && std::fflush(file) == 0;
  if (!written) failed(errno);
}

void LogFile::failed(int error) {
  broken = true;
  say(msg::kLogWriteFailed, opened.c_str(), std::strerror(error != 0 ? error : EIO));
}

void LogFile::close() {
  if (file == nullptr) return;
  errno = 0;
  if (std::fclose(file) != 0 && !broken) failed(errno);
  file = nullptr;
}
