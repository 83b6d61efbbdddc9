#include "log_file.h"

#include <cstdarg>

#include "output_file.h"

bool LogFile::open(const char* name) {
  close();
  file = createFresh(name);
  if (file != nullptr) opened = name;
  return file != nullptr;
}

bool LogFile::openUnused(const char* stem, const char* ext) {
  close();
  for (int k = 1; k < 100 && file == nullptr; ++k) {
    opened = std::string(stem) + "-" + std::to_string(k) + ext;
    file = createUnused(opened.c_str());
  }
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
