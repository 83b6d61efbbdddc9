#include <windows.h>

#include "error_text_win32.h"

bool systemErrorText(unsigned long code, char* text, size_t size, long* lookupError) {
  // Without FORMAT_MESSAGE_IGNORE_INSERTS a text with inserts would be
  // filled from an argument list that is not there.
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  // UTF-8 like every console text, whatever the ANSI code page.
  wchar_t wide[512];
  DWORD n = FormatMessageW(flags, nullptr, code, 0, wide, 512, nullptr);
  int bytes = n == 0 || size == 0
                  ? 0
                  : WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(n), text,
                                        static_cast<int>(size) - 1, nullptr, nullptr);
  if (bytes <= 0) {
    *lookupError = static_cast<long>(GetLastError());
    return false;
  }
  text[bytes] = '\0';
  return true;
}
