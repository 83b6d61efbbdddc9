// The conversion log "SELTHIX.LOG": beside the WAV files, what each file
// holds and where the tape failed inside it, written line by line (each
// line flushed) in the style of the capture log: UTF-8, "項目: 値".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "log_file.h"
#include "tape_time.h"

namespace convlog {
constexpr char kName[] = "SELTHIX.LOG";
}

// A break of the tape's time inside one output file.
struct FileBreak {
  tapetime::Break where;
  int64_t sample;  // sample pairs from the start of the file's audio
  bool filled;     // a gap kept to its length with digital silence
};

// One output file as the log tells it.
struct FileRecord {
  enum Outcome { Written, Failed, Placeholder, LongPlay, Cut };
  std::string name;
  uint32_t rate = 0;
  int64_t first = 0;        // its frames in the image, first .. first + frames - 1
  int64_t frames = 0;       // frames of audio written
  int64_t samplePairs = 0;  // with the silence of filled gaps
  bool hasTime = false;
  tapetime::Time firstTime, lastTime;
  int64_t emphasisOn = 0;  // frames whose emphasis field says 50/15 us
  int64_t emphasisOther = 0;
  std::vector<FileBreak> breaks;
  int64_t cutFrames = 0;   // left out before the next program's cut
  int64_t trimFrames = 0;  // left out at the end of the image
  int64_t framesCut = 0;   // not written: past the 4 GiB size of a WAV file (Cut)
  Outcome outcome = Written;
  std::string reason;  // why it failed
  std::string sha256;  // of the complete file
  std::string
      md5;  // of its data chunk (lower-case hex) where its "MD5 " chunk holds it, else empty
};

class ConversionLog {
 public:
  // Creates the log afresh and writes the program and its options. False,
  // with errno set, when it cannot be created. When another user's log
  // stands under its name, it goes under another (LogFile::open): name()
  // tells which and refusal() why.
  bool open(const std::string& options);
  const std::string& name() const { return out.name(); }
  int refusal() const { return out.refusal(); }
  // The image mapped: its frames and their tape time.
  void image(int64_t frames, const tapetime::Analysis& time);
  // The image could not be mapped: the console's message.
  void noImage(const char* message);
  void file(const FileRecord& record);
  // A temporary file of an earlier run, killed outright, was removed (its
  // name, found in the directory, with its control characters escaped).
  void staleRemoved(const std::string& name);
  // Totals, the exit status and the summary line: `ending` says how the run
  // ended before its work was done (null when it was: the files tell).
  void finish(int exitStatus, const char* ending = nullptr);

 private:
  LogFile out;
  int64_t written = 0;
  int64_t failed = 0;
  int64_t cut = 0;
  int64_t gaps = 0;
  int64_t missing = 0;
  int64_t jumps = 0;
};
