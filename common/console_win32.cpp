// Windows console: a console window gets the text as UTF-16 through
// WriteConsoleW, whatever its code page; redirected output gets the code
// page 932 bytes. A closed pipe makes writes fail; nothing ends the process.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstring>
#include <vector>

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

void writeConsole(FILE* stream, const char* bytes, size_t length) {
  HANDLE console = stream == stdout ? stdoutConsole : stderrConsole;
  int n = length == 0 || console == nullptr
              ? 0
              : MultiByteToWideChar(932, 0, bytes, static_cast<int>(length), nullptr, 0);
  if (n > 0) {
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    MultiByteToWideChar(932, 0, bytes, static_cast<int>(length), wide.data(), n);
    DWORD written = 0;
    std::fflush(stream);
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(n), &written, nullptr);
    return;
  }
  std::fwrite(bytes, 1, length, stream);
  std::fflush(stream);
}

// The arguments come in the ANSI code page, which is code page 932 on the
// systems this program is for: the console's own way serves.
void writeForeign(FILE* stream, const char* bytes, size_t length) {
  writeConsole(stream, bytes, length);
}

bool platformHelpSwitch(const char* argument) {
  return std::strcmp(argument, "/?") == 0;
}
