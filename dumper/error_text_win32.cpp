#include <windows.h>

#include "error_text_win32.h"

bool systemErrorText(unsigned long code, char* text, size_t size, long* lookupError) {
  // Without FORMAT_MESSAGE_IGNORE_INSERTS a text with inserts would be
  // filled from an argument list that is not there.
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, text, static_cast<DWORD>(size), nullptr);
  if (n == 0) {
    *lookupError = static_cast<long>(GetLastError());
    return false;
  }
  return true;
}
