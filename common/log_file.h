// A log beside the programs' output: UTF-8 text, one fact per line as
// "項目: 値", each line flushed as it is written so that a run that ends
// abruptly keeps its log. Created afresh, never through a link. A log is
// never worth the work it records: when a line cannot be written (a full
// disk) the console says so once and the work goes on without the log.
#pragma once

#include <cstdio>
#include <string>

#include "console.h"

class LogFile {
 public:
  // `say` prints the console's line when the log cannot be written
  // (printStdout or printStderr, as the program reports its failures).
  explicit LogFile(void (*say)(const char* format, ...) = printStderr) : say(say) {}
  ~LogFile() { close(); }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Creates `name` afresh. When a file that may not be replaced stands under
  // it (another user's in a shared directory), the log goes under the first
  // free "STEM-1.EXT", "STEM-2.EXT", ... instead (none is ever replaced):
  // name() tells which and refusal() why `name` was not taken. A directory
  // in the way, a full disk, are failures as they are. False, with errno set
  // for `name`, when no log could be created.
  bool open(const char* name);
  const std::string& name() const { return opened; }
  // errno of `name`'s refusal when the log went under another name, else 0.
  int refusal() const { return refused; }
  // Writes one line. The first that cannot be written is said on the
  // console with the system's reason, and the log ends there.
  void line(const char* format, ...) DAT_PRINTF(2, 3);
  // The same with a text of the table as the format (console.h).
  template <const char* Japanese, typename... Args>
  void line(const texts::Text<Japanese>& format, Args... args) {
    line("%s", textOf(format, args...).c_str());
  }
  void close();
  bool isOpen() const { return file != nullptr; }

 private:
  void failed(int error);

  FILE* file = nullptr;
  std::string opened;  // the name it was opened under
  int refused = 0;
  bool broken = false;  // a write failed: nothing more is written
  void (*say)(const char* format, ...);
};
