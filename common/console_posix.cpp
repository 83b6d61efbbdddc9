// POSIX console: the Japanese texts go to a terminal whose locale reads
// UTF-8 as UTF-8, everywhere else as their code page 932 bytes; the English
// texts are UTF-8 everywhere. A closed pipe or terminal makes writes
// fail with EPIPE instead of ending the process with SIGPIPE.
#include <fcntl.h>
#include <langinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>

#include "arguments.h"
#include "console.h"
#include "cp932.h"
#include "language.h"

namespace {
bool stdoutUtf8 = false;
bool stderrUtf8 = false;
}  // namespace

bool reserveStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is taken, and the ones below are open: this is fd.
    int filler = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    // Without /dev/null (a bare chroot) a directory serves: every write to it fails.
    if (filler < 0) filler = open("/", O_RDONLY | O_DIRECTORY);
    if (filler != fd) {
      if (filler >= 0) close(filler);
      return false;
    }
  }
  return true;
}

void prepareConsole() {
  signal(SIGPIPE, SIG_IGN);
  std::setlocale(LC_CTYPE, "");
  bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  stdoutUtf8 = utf8 && isatty(STDOUT_FILENO) == 1;
  stderrUtf8 = utf8 && isatty(STDERR_FILENO) == 1;
}

void writeConsole(FILE* stream, const char* bytes, size_t length) {
  if (!englishTexts() && (stream == stdout ? stdoutUtf8 : stderrUtf8)) {
    std::string text = cp932::toUtf8(bytes, length);
    std::fwrite(text.data(), 1, text.size(), stream);
  } else {
    std::fwrite(bytes, 1, length, stream);
  }
  std::fflush(stream);
}

void writeForeign(FILE* stream, const char* bytes, size_t length) {
  std::fwrite(bytes, 1, length, stream);
  std::fflush(stream);
}

bool platformHelpSwitch(const char*) {
  return false;
}
