// POSIX console: a terminal whose locale reads UTF-8 gets the text as
// UTF-8; elsewhere the Japanese texts go out as code page 932 bytes, the
// English texts as UTF-8. A name from outside is taken as UTF-8, its bytes
// as they are. A closed pipe or terminal makes writes fail with EPIPE
// instead of ending the process with SIGPIPE.
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

namespace {
bool stdoutUtf8 = false;
bool stderrUtf8 = false;
bool stdoutTerminal = false;
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
  stdoutTerminal = isatty(STDOUT_FILENO) == 1;
  stdoutUtf8 = utf8 && stdoutTerminal;
  stderrUtf8 = utf8 && isatty(STDERR_FILENO) == 1;
}

bool stdoutIsTerminal() {
  return stdoutTerminal;
}

void writeConsole(FILE* stream, const char* utf8, size_t length) {
  if (stream == stdout ? stdoutUtf8 : stderrUtf8) {
    std::fwrite(utf8, 1, length, stream);
    std::fflush(stream);
  } else {
    writeToFile(stream, utf8, length);
  }
}

std::string shownName(const char* name) {
  return escapeControls(name);
}

bool nameAsText(const char* name, std::string* utf8) {
  size_t length = std::strlen(name);
  for (size_t i = 0; i < length;) {
    if (cp932::decodeUtf8(name, length, &i) == cp932::kInvalid) return false;
  }
  utf8->assign(name, length);
  return true;
}

bool platformHelpSwitch(const char*) {
  return false;
}
