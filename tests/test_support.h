// Helpers shared by the tests: temporary directories, running a program in a
// directory with its output captured, files, and WAV header checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wav_check.h"

namespace testing_support {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return dir; }
  std::string file(const std::string& name) const { return dir + "/" + name; }

 private:
  std::string dir;
};

// Changes the working directory for the life of the object.
class InDirectory {
 public:
  explicit InDirectory(const std::string& dir);
  ~InDirectory();

 private:
  std::string previous;
};

struct RunResult {
  int exitCode = -1;  // -1 when the program did not exit normally
  int signal = 0;     // the signal that ended it, if one did
  std::string out;
  std::string err;
};

struct RunOptions {
  int64_t fileSizeLimit = -1;    // RLIMIT_FSIZE for the child, SIGXFSZ ignored; -1: none
  std::vector<std::string> env;  // extra NAME=value entries
  bool mergeOutput = false;      // standard error into the same file as standard output
  // The reader of standard output goes away (closes the pipe) once it has
  // this many bytes.
  size_t closeOutputAfter = SIZE_MAX;
  unsigned timeoutSeconds = 0;    // SIGALRM ends the program after this long; 0: never
  std::vector<std::string> args;  // the program's arguments
  // Standard output and error both on a pseudo-terminal (raw: no line-end
  // translation), read into `out`.
  bool terminal = false;
  // Standard descriptors (0-2) the program starts with closed.
  std::vector<int> closed;
  // Runs the program as this user and group (as root only); -1: as we are.
  int uid = -1;
};

// Runs `program` in `dir`, standard input from /dev/null (or the terminal).
RunResult runIn(const std::string& dir, const std::string& program,
                const RunOptions& options = RunOptions());

std::vector<uint8_t> readFile(const std::string& path);
std::string textOf(const std::vector<uint8_t>& bytes);
// A synthesized recording (programs of tone and noise, ATIME packs, program
// numbers), the same bytes for the same arguments.
std::vector<uint8_t> recording(uint64_t seed, int programs, int64_t frames);
bool fileExists(const std::string& path);
std::vector<std::string> listDir(const std::string& dir);  // sorted names, no dot entries

// Text to its code page 932 bytes, through the C library's iconv.
std::string toCp932(const std::string& utf8);
// A text of the table in the language in use, likewise.
template <const char* Japanese>
std::string toCp932(const texts::Text<Japanese>& text) {
  return toCp932(std::string(text.text));
}
// Code page 932 bytes to UTF-8, through the C library's iconv.
std::string fromCp932(const std::string& bytes);

// A capture's console without its time display: in a file or a pipe each
// "\rATIME=hh:mm:ss:ff " taken out; on a terminal each of its lines, and the
// line's end after the last.
std::string withoutTimeDisplay(const std::string& console, bool terminal);

// The WAV checks shared with the fuzz targets.
using wavcheck::parseWav;
using wavcheck::WavInfo;
using wavcheck::wellFormedWav;

}  // namespace testing_support
