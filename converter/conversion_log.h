// The conversion log "SELTHIX.LOG": beside the WAV files, what each file
// holds and where the tape failed inside it, written line by line (each
// line flushed) in the style of the capture log: UTF-8, "項目: 値". Its twin
// for machines, "SELTHIX.json" (schema "selthix/1", doc/schema/), holds the
// same facts with English keys and values free of the log's language, and
// is written whole at the end of the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "json_record.h"
#include "log_file.h"
#include "quality.h"
#include "records.h"
#include "tape_time.h"

struct ConversionOptions;

namespace convlog {
constexpr char kName[] = "SELTHIX.LOG";
constexpr char kRecordName[] = "SELTHIX.json";
constexpr const char* kSchema = records::Conversion::kSchema;
// The record's name of a kind of concealment event, and the log's word.
const char* eventCode(quality::Event::Kind kind);
const char* eventWord(quality::Event::Kind kind);
constexpr quality::Event::Kind kEventKinds[] = {quality::Event::Clip, quality::Event::Hold,
                                                quality::Event::Mute,
                                                quality::Event::Interpolation};
}  // namespace convlog

// A break of the tape's time in one output file, or a gap beside it that no
// file holds: among the frames left out between it and the file before it
// (Before, at its sample 0), or after it at the end of the image (After, at
// its last sample).
struct FileBreak {
  enum Place { Inside, Before, After };
  tapetime::Break where;
  int64_t sample;  // sample pairs from the start of the file's audio
  bool filled;     // a gap kept to its length with digital silence
  Place place = Inside;
};

// One output file as the log tells it.
struct FileRecord {
  enum Outcome { Written, Failed, Placeholder, LongPlay, LongPlayUnknown, FourChannels, Cut };
  // Why a file failed: it could not be created or written (`error` tells
  // the system's reason), or the run stopped while it was being written.
  enum Failure { NoFailure, CreateFailed, WriteFailed, Interrupted, ImageChanged };
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
  // Long play decoded (--long-play): the layout taken ("-" for digital
  // silence), how many times smoother than the next it was, every
  // candidate's score, and the ATIME positions per frame of the segment.
  std::string layout;
  double layoutMargin = 0;
  std::vector<double> layoutScores;
  int atimePerFrame = 0;    // 0: not long play
  std::string derivedFrom;  // an access copy (de-emphasised) of this file
  Outcome outcome = Written;
  Failure failure = NoFailure;
  int error = 0;        // errno of CreateFailed and WriteFailed
  std::string sha256;   // of the complete file; empty when it could not be read back
  int sha256Error = 0;  // errno of reading it back
  std::string md5;      // of the data chunk, lower-case hex; empty when none was written
  // What its samples show (quality.h): each channel's figures and the
  // places where the audio looks concealed, each with the ATIME of the
  // frame it begins in (none where that frame has none). Taken in the
  // writing pass, or --check's measuring one; none for a file not written.
  struct Concealed {
    quality::Event event;
    bool hasTime = false;
    tapetime::Time time;
  };
  bool measured = false;
  quality::Channel channels[2];
  std::vector<Concealed> events;
};

class ConversionLog {
 public:
  ConversionLog();
  // Creates the log afresh and writes the program and its options. False,
  // with errno set, when it cannot be created. When another user's log
  // stands under its name, it goes under another (LogFile::open): name()
  // tells which and refusal() why. The record is kept all the same.
  bool open(const ConversionOptions& options);
  const std::string& name() const { return out.name(); }
  int refusal() const { return out.refusal(); }
  // The image mapped: its frames and their tape time.
  void image(int64_t frames, const tapetime::Analysis& time);
  // The image could not be mapped: the console's message, and the step that
  // failed for the record ("open", "size", "mapping", "view").
  void noImage(const char* message, const char* step);
  void file(const FileRecord& record);
  // A temporary file of an earlier run, killed outright, was removed (its
  // name, found in the directory, with its control characters escaped).
  void staleRemoved(const std::string& name);
  // A file put in place beside the image (WAV, label file, CSV), with its
  // SHA-256 where it was taken ("" none): its size and time for the record.
  void putInPlace(const std::string& name, const std::string& sha256);
  // A file of the run before, not written again: removed (unchanged since),
  // or left as it was (changed since) and told stale.
  void earlierRemoved(const std::string& name);
  void earlierStale(const std::string& name);
  // A file of the run before that this run left in place (--check, an
  // early end), listed again among the files beside the image.
  void carriedOver(const records::WrittenFile& f) { doc.written.push_back(f); }
  // The record as it stands at the start, written at once: a run that is
  // killed, or the machine's power cut, leaves one that says it has not
  // ended (never an earlier run's). Quiet: finish() says what fails.
  void writeUnfinished();
  // Gaps and discontinuities in the files so far.
  int64_t breaks() const { return gaps + jumps; }
  // Totals, the exit status and the summary line: `ending` says how the run
  // ended before its work was done (null when it was: the files tell), and
  // `endingCode` the same for the record ("done" when it was). Then the
  // record is written; a failure is said on the console.
  void finish(int exitStatus, const char* ending = nullptr, const char* endingCode = "done");
  // The record as built so far, and the log's totals and summary lines
  // (empty before finish()).
  const records::Conversion& document() const { return doc; }
  const std::vector<std::string>& totals() const { return totalLines; }
  const std::string& summary() const { return summaryLine; }

 private:
  void fileText(const FileRecord& r);
  void qualityText(const FileRecord& r);  // its levels and concealment events
  void stateText(const FileRecord& r);    // the lines after them
  records::ConversionFile fileRecord(const FileRecord& r) const;
  void breaksRecord(const FileRecord& r, records::ConversionFile* f) const;
  records::Atime atime(const tapetime::Time& t) const;

  LogFile out;
  JsonRecord record;
  records::Conversion doc;  // what record holds, as it is written
  std::vector<std::string> totalLines;
  std::string summaryLine;
  bool check = false;
  tapetime::Cycle cycle;
  int64_t files = 0;
  int64_t written = 0;
  int64_t failed = 0;
  int64_t cut = 0;
  int64_t gaps = 0;
  int64_t missing = 0;
  int64_t jumps = 0;
  int64_t concealed[4] = {0, 0, 0, 0};  // events, by quality::Event::Kind
};
