// The capture log "KOVRANT.LOG": beside the image, a record of what was read
// and what was not, written line by line as it happens (each line flushed,
// so that a capture that ends abruptly keeps its log). UTF-8 text in the
// language of the console, one fact per line as "key: value"; the line of
// an unread stretch of tape holds "name=value" fields separated by blanks. The
// log is never worth a frame: when it cannot be created or written the
// capture goes on without it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "log_file.h"
#include "system_services.h"
#include "tape_time.h"

namespace logtext {

constexpr char kName[] = "KOVRANT.LOG";

}  // namespace logtext

class CaptureLog {
 public:
  CaptureLog() = default;
  ~CaptureLog() { close(); }
  CaptureLog(const CaptureLog&) = delete;
  CaptureLog& operator=(const CaptureLog&) = delete;

  // Creates the log afresh (never through a link) and writes the program,
  // the start of the run, the drive, the device (when the console named
  // it: not empty) and the arrival of the cassette. When a
  // file that cannot be replaced stands under its name (another user's in a
  // shared directory), the log goes under the first free name
  // KOVRANT-N.LOG instead: name() tells which, errno why. False, with errno
  // set for the log's own name, when neither can be created.
  bool open(const WallTime& started, const char* drive, const std::string& device,
            const WallTime& arrived);
  // A READ that returned GOOD; `written` when the filter let it into the image.
  void goodRead(bool written);
  // The image keeps `frames` whole frames after a failed write: what was
  // counted as written beyond them never reached the disk.
  void imageKeeps(int64_t frames);
  // A READ that returned another status (not the end of the recording).
  void badRead(uint8_t status, uint8_t sense);
  // The latest frame's time, as the time display showed it last.
  void atimeShown(const tapetime::Time& atime);
  // The end: why, whether data mode was restored, the exit status, when.
  // Ends with the summary line.
  void finish(const char* reason, bool dataMode, int exitStatus, const WallTime& ended);
  void close();
  bool isOpen() const { return out.isOpen(); }
  const std::string& name() const { return out.name(); }

 private:
  void writeWaitingGaps(const std::string& after);

  LogFile out{printStdout};  // the dumper says everything on standard output
  int64_t good = 0;
  int64_t written = 0;
  int64_t filtered = 0;
  std::string firstAtime;
  std::string lastAtime;
  // The stretch of reads that did not return GOOD, while it lasts.
  struct Gap {
    int64_t position = 0;  // frames in the image before it
    int64_t reads = 0;
    std::string before;                   // the ATIME shown last before it
    std::map<uint16_t, int64_t> answers;  // status << 8 | sense byte: how often
  };
  Gap gap;
  bool inGap = false;
  // Stretches that have ended and wait for the next ATIME shown (two
  // stretches with no time shown between them both wait for it).
  std::vector<Gap> waiting;
  int64_t gaps = 0;
  int64_t gapReads = 0;
};
