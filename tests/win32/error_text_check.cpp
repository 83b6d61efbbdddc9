// The system's texts for the dumper's errors, looked up as printLastError
// does, in either language: one with an insert (%1) must come back as it
// stands, not fail.
// Prints one line per check; exit status 0 when all pass.
#include <cstdio>
#include <cstring>

#include "error_text_win32.h"
#include "language.h"

namespace {

int failures = 0;

void check(unsigned long code, const char* contains) {
  char text[80];
  long lookupError = 0;
  bool found = systemErrorText(code, text, sizeof text, &lookupError);
  bool ok = found && std::strstr(text, contains) != nullptr;
  std::printf("%s error %lu: %s\n", ok ? "ok  " : "FAIL", code, found ? text : "no text");
  if (!ok) ++failures;
}

}  // namespace

int main() {
  // Texts vary between systems (and Wine): only the insert is checked word for word.
  check(2, "");      // ERROR_FILE_NOT_FOUND
  check(193, "%1");  // ERROR_BAD_EXE_FORMAT: "%1 is not a valid Win32 application."
  check(1117, "");   // ERROR_IO_DEVICE
  // Among English texts the same.
  useLanguage(Language::English);
  check(2, "");
  check(193, "%1");
  return failures == 0 ? 0 : 1;
}
