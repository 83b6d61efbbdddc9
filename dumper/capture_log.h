// The capture log "KOVRANT.LOG": beside the image, a record of what was read
// and what was not, written line by line as it happens (each line flushed,
// so that a capture that ends abruptly keeps its log). UTF-8 text in the
// language of the console, one fact per line as "key: value"; the line of
// an unread stretch of tape holds "name=value" fields separated by blanks. The
// log is never worth a frame: when it cannot be created or written the
// capture goes on without it.
//
// Its twin for machines, "KOVRANT.json" (schema "kovrant/1", doc/schema/),
// holds the same facts and those the text leaves out, with English keys and
// values free of the log's language. It is written whole when the cassette
// arrives (saying that the capture has not ended: what a capture killed
// outright leaves) and again at the end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "json_record.h"
#include "log_file.h"
#include "records.h"
#include "sense_codes.h"
#include "system_services.h"
#include "tape_time.h"

namespace logtext {

constexpr const char* kName = dat::kCaptureLogName;
constexpr const char* kRecordName = dat::kCaptureRecordName;
constexpr const char* kSchema = records::Capture::kSchema;

}  // namespace logtext

// What the log and its record begin with.
struct CaptureStart {
  WallTime started, arrived;                 // the run's start, the cassette's arrival
  const char* drive;                         // the drive's identification
  std::string device;                        // the device as the system names it
  bool deviceShown;                          // the console named it: so does the log
  std::optional<std::string> tape;           // the tape's identity, where it was given
  std::optional<records::CaptureKept> kept;  // the earlier capture kept, where one was
};

// How a capture ended: the log's words, and the record's code.
struct CaptureEnding {
  const char* text;
  const char* code;
};

class CaptureLog {
 public:
  CaptureLog() : record(logtext::kRecordName, logtext::kSchema) {}
  ~CaptureLog() { close(); }
  CaptureLog(const CaptureLog&) = delete;
  CaptureLog& operator=(const CaptureLog&) = delete;

  // Begins the log and its record: the program, the tape's identity (a line
  // of the log only where it was given), the start of the run, the drive,
  // the device as the system names it (its line in the log, shown as the
  // console shows it, when the console named it), the arrival of the
  // cassette and the earlier capture kept (a line only where one was). The log is created afresh
  // (never through a link); when a file that cannot be replaced stands under its name (another
  // user's in a shared directory) it goes under the first free name KOVRANT-N.LOG instead. The
  // record, written now, goes likewise. What could not be created, or went elsewhere, is said on
  // the console; the capture goes on either way.
  void open(const CaptureStart& start);
  // A READ that returned GOOD; `written` when the filter let it into the image.
  void goodRead(bool written);
  // The image keeps `frames` whole frames after a failed write: what was
  // counted as written beyond them never reached the disk.
  void imageKeeps(int64_t frames);
  // A READ that returned another status (not the end of the recording):
  // its status, sense byte and what its sense data says.
  void badRead(uint8_t status, uint8_t sense, const SenseFields& fields);
  // The latest frame's time, as the time display showed it last.
  void atimeShown(const tapetime::Time& atime);
  // The end: how, whether data mode was restored, the exit status, when.
  // The log ends with the summary line; the record is written again.
  void finish(const CaptureEnding& ending, bool dataMode, int exitStatus, const WallTime& ended);
  void close();
  // True once open() was called: the capture has begun.
  bool begun() const { return opened; }
  const std::string& name() const { return out.name(); }

 private:
  // A stretch of reads that did not return GOOD.
  struct Gap {
    int64_t position = 0;  // frames in the image before it
    int64_t reads = 0;
    int64_t before = tapetime::kNoTime;   // the key of the ATIME shown last before it
    int64_t after = tapetime::kNoTime;    // and first after it
    std::map<uint16_t, int64_t> answers;  // status << 8 | sense byte: how often
    // Each answer with its sense key, ASC and ASCQ (senseAnswer): how often.
    std::map<uint64_t, int64_t> senses;
  };
  // The answers' sense codes that no line of the log has named yet: named
  // after the stretch's line.
  void nameSenseCodes(const Gap& stretch);
  void writeWaitingGaps(int64_t after);
  // Writes the record: its facts so far.
  void writeRecord();
  std::optional<records::Atime> atime(int64_t key) const;

  LogFile out{printStdout};  // the dumper says everything on standard output
  JsonRecord record;
  records::Capture doc;  // what record holds, as it is written
  bool opened = false;
  bool recordFailureSaid = false, recordElsewhereSaid = false;
  int64_t good = 0;
  int64_t written = 0;
  int64_t filtered = 0;
  int64_t firstAtime = tapetime::kNoTime;
  int64_t lastAtime = tapetime::kNoTime;
  tapetime::CycleVotes cycle;
  // The stretch of reads that did not return GOOD, while it lasts.
  Gap gap;
  bool inGap = false;
  // Stretches that have ended and wait for the next ATIME shown (two
  // stretches with no time shown between them both wait for it).
  std::vector<Gap> waiting;
  // Those that have their time after (or the end of the capture): the log's.
  std::vector<Gap> stretches;
  int64_t gapReads = 0;
  std::vector<uint16_t> named;  // ASC << 8 | ASCQ, in the order the log named them
};
