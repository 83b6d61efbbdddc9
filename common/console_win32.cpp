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

bool stdoutIsTerminal() {
  return stdoutConsole != nullptr;
}

namespace {

// `length` bytes of code page `codePage` as UTF-16; empty when they cannot
// be converted (with `flags` MB_ERR_INVALID_CHARS: also when one of them is
// not of the code page).
std::wstring widen(UINT codePage, const char* bytes, size_t length, DWORD flags = 0) {
  int n = length == 0
              ? 0
              : MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(length), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(length), &wide[0], n);
  return wide;
}

// UTF-16 as UTF-8.
std::string utf8Of(const std::wstring& wide) {
  int n = wide.empty() ? 0
                       : WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                             nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], n,
                        nullptr, nullptr);
  }
  return utf8;
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
  return escapeControls(utf8Of(widen(CP_ACP, name, std::strlen(name))).c_str());
}

bool nameAsText(const char* name, std::string* utf8) {
  size_t length = std::strlen(name);
  std::wstring wide = widen(CP_ACP, name, length, MB_ERR_INVALID_CHARS);
  if (wide.empty() && length > 0) return false;
  *utf8 = utf8Of(wide);
  return true;
}

bool platformHelpSwitch(const char* argument) {
  return std::strcmp(argument, "/?") == 0;
}
