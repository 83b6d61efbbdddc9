// Windows console: a console window gets the text as UTF-16 through
// WriteConsoleW, whatever its code page; redirected output gets the code
// page 932 bytes of the Japanese texts, or the English texts as UTF-8.
// Names from outside come in the ANSI code page. A closed pipe makes writes
// fail; nothing ends the process.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstring>
#include <string>

#include "arguments.h"
#include "console.h"

namespace {

HANDLE stdoutConsole = nullptr;
HANDLE stderrConsole = nullptr;

HANDLE consoleOf(DWORD which) {
  HANDLE h = GetStdHandle(which);
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) ? h : nullptr;
}

}  // namespace

bool reserveStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (_get_osfhandle(fd) >= 0) continue;
    int filler = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
    if (filler < 0) return false;
    if (filler != fd) {
      bool placed = _dup2(filler, fd) == 0;
      _close(filler);
      if (!placed) return false;
    }
  }
  return true;
}

void prepareConsole() {
  stdoutConsole = consoleOf(STD_OUTPUT_HANDLE);
  stderrConsole = consoleOf(STD_ERROR_HANDLE);
}

namespace {

// `length` bytes of code page `codePage` as UTF-16; empty when they cannot
// be converted.
std::wstring widen(UINT codePage, const char* bytes, size_t length) {
  int n = length == 0
              ? 0
              : MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(length), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(length), &wide[0], n);
  return wide;
}

}  // namespace

void writeConsole(FILE* stream, const char* utf8, size_t length) {
  HANDLE console = stream == stdout ? stdoutConsole : stderrConsole;
  std::wstring wide = console == nullptr ? std::wstring() : widen(CP_UTF8, utf8, length);
  if (wide.empty()) {
    writeToFile(stream, utf8, length);
    return;
  }
  DWORD written = 0;
  std::fflush(stream);
  WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

std::string shownName(const char* name) {
  std::wstring wide = widen(CP_ACP, name, std::strlen(name));
  int n = wide.empty() ? 0
                       : WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                             nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], n,
                        nullptr, nullptr);
  }
  return escapeControls(utf8.c_str());
}

bool platformHelpSwitch(const char* argument) {
  return std::strcmp(argument, "/?") == 0;
}
