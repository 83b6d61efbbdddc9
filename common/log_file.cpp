#include "log_file.h"

#include <cstdarg>

#include "output_file.h"

bool LogFile::open(const char* name) {
  close();
  file = createFresh(name);
  return file != nullptr;
}

void LogFile::line(const char* format, ...) {
  if (file == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(file, format, args);
  va_end(args);
  std::fputc('\n', file);
  std::fflush(file);
}

void LogFile::close() {
  if (file != nullptr) std::fclose(file);
  file = nullptr;
}
