// A log beside the programs' output: UTF-8 text, one fact per line as
// "項目: 値", each line flushed as it is written so that a run that ends
// abruptly keeps its log. Created afresh, never through a link. A log is
// never worth the work it records: a line that cannot be written is passed
// over.
#pragma once

#include <cstdio>
#include <string>

#include "console.h"

class LogFile {
 public:
  LogFile() = default;
  ~LogFile() { close(); }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // False, with errno set, when the file cannot be created.
  bool open(const char* name);
  // Opens the first of "STEM-1.EXT", "STEM-2.EXT", ... that is free (none
  // is ever replaced). False when none could be created.
  bool openUnused(const char* stem, const char* ext);
  const std::string& name() const { return opened; }
  void line(const char* format, ...) DAT_PRINTF(2, 3);
  void close();
  bool isOpen() const { return file != nullptr; }

 private:
  FILE* file = nullptr;
  std::string opened;  // the name it was opened under
};
