// Windows console: a console window gets the text as UTF-16 through
// WriteConsoleW, whatever its code page; redirected output gets the code
// page 932 bytes of the Japanese texts, or the English texts as UTF-8. A
// closed pipe makes writes fail; nothing ends the process.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstring>
#include <vector>

#include "arguments.h"
#include "console.h"
#include "language.h"

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
std::vector<wchar_t> widen(UINT codePage, const char* bytes, size_t length) {
  int n = length == 0
              ? 0
              : MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(length), nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(n > 0 ? n : 0));
  if (n > 0) MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(length), wide.data(), n);
  return wide;
}

// `length` bytes of code page `codePage` to the console window as UTF-16.
// False when `console` is null or the bytes cannot be converted.
bool writeWide(HANDLE console, FILE* stream, UINT codePage, const char* bytes, size_t length) {
  if (console == nullptr) return false;
  std::vector<wchar_t> wide = widen(codePage, bytes, length);
  if (wide.empty()) return false;
  DWORD written = 0;
  std::fflush(stream);
  WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  return true;
}

HANDLE consoleFor(FILE* stream) {
  return stream == stdout ? stdoutConsole : stderrConsole;
}

void writeBytes(FILE* stream, const char* bytes, size_t length) {
  std::fwrite(bytes, 1, length, stream);
  std::fflush(stream);
}

}  // namespace

void writeConsole(FILE* stream, const char* bytes, size_t length) {
  // Japanese: code page 932 bytes; English: UTF-8.
  UINT codePage = englishTexts() ? CP_UTF8 : 932;
  if (!writeWide(consoleFor(stream), stream, codePage, bytes, length)) {
    writeBytes(stream, bytes, length);
  }
}

// The arguments come in the ANSI code page, which is code page 932 on the
// systems the Japanese texts are for: the console's own way serves. Among
// English texts they go to a console window as UTF-16, elsewhere as UTF-8.
void writeForeign(FILE* stream, const char* bytes, size_t length) {
  if (!englishTexts()) {
    writeConsole(stream, bytes, length);
    return;
  }
  if (writeWide(consoleFor(stream), stream, CP_ACP, bytes, length)) return;
  std::vector<wchar_t> wide = widen(CP_ACP, bytes, length);
  int n = static_cast<int>(wide.size());
  int m =
      n == 0 ? 0 : WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  if (m <= 0) {
    writeBytes(stream, bytes, length);
    return;
  }
  std::vector<char> utf8(static_cast<size_t>(m));
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, utf8.data(), m, nullptr, nullptr);
  writeBytes(stream, utf8.data(), utf8.size());
}

bool platformHelpSwitch(const char* argument) {
  return std::strcmp(argument, "/?") == 0;
}
