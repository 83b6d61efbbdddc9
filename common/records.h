// The records for machines, typed once: one struct per document (the
// capture's KOVRANT.json, the conversion's SELTHIX.json), shared by the
// program that writes it and every program that reads it, the nlohmann way
// (to_json, from_json). The schemas in doc/schema/ describe the documents.
//
// Reading never fails and never aborts: a record beside a run may be damaged,
// old or hostile, so whatever is missing or of another type than the schema
// says reads as none (an empty optional, an empty list, zero), and a reader
// asks whether the facts it needs are there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "json_record.h"

namespace records {

// A tape time: its text "hh:mm:ss:ff" and its frames from the start of the
// tape under the record's cycle.
struct Atime {
  std::string text;
  int64_t position = 0;
};
// Which second of three holds 34 frames: "tape", "published", "mixed".
struct Cycle {
  std::string source;
  int phase = 2;
};

// KOVRANT.json.
// An answer's sense data: its sense key, ASC and ASCQ (none where no sense
// data came), and how often it came.
struct CaptureSense {
  std::optional<int> key, asc, ascq;
  int64_t count = 0;
};
struct CaptureAnswer {
  int status = 0, sense = 0;
  int64_t count = 0;
  std::vector<CaptureSense> senses;
};
// An additional sense code that the stretches hold, and its standard name
// (none where the table of names has none).
struct CaptureSenseCode {
  int asc = 0, ascq = 0;
  std::optional<std::string> name;
};
struct CaptureStretch {
  int64_t imageFrame = 0, reads = 0;
  std::optional<Atime> before, after;
  std::vector<CaptureAnswer> answers;
};
struct CaptureCounts {
  int64_t goodReads = 0, framesWritten = 0, framesFiltered = 0, stretches = 0, errorReads = 0;
};
// The earlier capture that stood in the directory, kept under numbered names
// when this one began: its image and the frames it holds, and its log and
// record where they described it.
struct CaptureKept {
  std::string image;
  int64_t frames = 0;
  std::optional<std::string> log, record;
};
struct Capture {
  static constexpr const char* kSchema = "kovrant/1";
  std::string schema = kSchema, program = "KOVRANT", version;
  std::optional<std::string> tape;  // the tape's identity (tape_id.h), where it was given
  std::optional<std::string> log;   // the log's name, where one was written
  std::string started;
  std::optional<std::string> arrived, ended;  // times of day (ISO 8601)
  std::string drive;
  Json device;  // a name from outside (pathJson)
  std::string image;
  std::optional<CaptureKept> kept;  // none where no earlier capture was kept
  std::optional<Cycle> cycle;
  std::optional<Atime> firstAtime, lastAtime;
  std::vector<CaptureStretch> stretches;
  std::vector<CaptureSenseCode> senseCodes;  // in the order the log names them
  std::optional<CaptureCounts> counts;
  std::string ending = "unfinished";
  std::optional<bool> dataModeRestored;
  std::optional<int> exitStatus;
  std::vector<Json> staleTemporariesRemoved;  // names found in the directory (pathJson)
};

// SELTHIX.json.
struct ConversionOptions {
  bool keepTime = false, bwf = false, convert32k = false, longPlay = false, deEmphasis = false;
};
struct ConversionImage {
  std::string name;
  std::optional<std::string> failure;  // the step at which it could not be read
  int64_t frames = 0, framesWithAtime = 0, badAtimePacks = 0;
  std::optional<Cycle> cycle;
  std::optional<int> gapAccuracyFrames;
};
struct Gap {
  int64_t sample = 0, imageFrame = 0;
  Atime before, after;
  int64_t missing = 0;
  double duration = 0;
  bool filled = false;
  std::string place = "inside";  // "before-file", "after-file"
};
struct Discontinuity {
  int64_t sample = 0, imageFrame = 0;
  Atime before, after;
};
struct LongPlay {
  std::optional<std::string> layout;
  double margin = 0;
  std::vector<double> roughness;  // per candidate layout, in their order
  int atimePerFrame = 0;
};
struct Failure {
  std::string reason;
  std::optional<int> error;  // the system's errno, as "errno"
};
// A place where the audio looks concealed (quality.h).
struct QcEvent {
  std::string kind;  // "clip", "hold", "mute", "interpolation"
  int64_t sample = 0, length = 0;
  std::optional<int> channel;  // 0, 1; none: both
  std::optional<Atime> atime;  // of the frame it begins in
};
// A file's figures per channel (left, right; none where a channel is all
// zero or the file holds no audio) and its events in the order of `sample`.
struct Qc {
  std::optional<double> peakDb[2], rmsDb[2], dcOffset[2];
  std::vector<QcEvent> events;
};
struct ConversionFile {
  std::string name;
  uint32_t rate = 0;
  int64_t frames = 0;
  std::optional<int64_t> firstFrame, lastFrame;
  int64_t samplePairs = 0;
  double duration = 0;
  std::optional<Atime> firstAtime, lastAtime;
  int64_t emphasisOn = 0, emphasisOff = 0;
  std::vector<Gap> gaps;
  std::vector<Discontinuity> discontinuities;
  int64_t cutFrames = 0, trimFrames = 0, framesPast4GiB = 0;
  std::optional<std::string> sha256;
  std::optional<int> sha256Errno;
  std::optional<std::string> md5;
  std::optional<LongPlay> longPlay;
  std::optional<std::string> derivedFrom;
  std::string state;
  std::optional<std::string> stateIfConverted;
  std::optional<Failure> failure;
  Qc qc;
};
// A file a conversion put in place beside the image (a WAV file, an access
// copy, a label file, SELTHIX-CORE.csv), as it stood then: the next run
// removes it when it is still so and that run does not write it again.
struct WrittenFile {
  std::string name;
  int64_t bytes = 0;
  int64_t modified = 0;  // as the file system gives it (output_file.h FileStamp)
  std::optional<std::string> sha256;
};
// The files of the run before that this run did not write again: removed
// (unchanged since), or left as they were (changed since) and named stale.
struct EarlierFiles {
  std::vector<std::string> removed, stale;
};
struct ConversionTotals {
  int64_t files = 0, written = 0, failed = 0, cut4GiB = 0, gaps = 0, missingFrames = 0,
          discontinuities = 0;
  int64_t clips = 0, holds = 0, mutes = 0, interpolations = 0;  // events
};
struct Conversion {
  static constexpr const char* kSchema = "selthix/1";
  std::string schema = kSchema, program = "SELTHIX", version;
  std::optional<std::string> tape;  // the tape's identity, given or taken from the capture's
  bool check = false;
  ConversionOptions options;
  std::string started;
  std::optional<std::string> ended;
  std::optional<std::string> log;
  std::optional<ConversionImage> image;
  std::vector<Json> staleTemporariesRemoved;  // names found in the directory (pathJson)
  std::vector<ConversionFile> files;
  std::vector<WrittenFile> written;
  EarlierFiles earlier;
  std::optional<ConversionTotals> totals;
  std::optional<int> exitStatus;
  std::optional<std::string> ending;  // "unfinished", "done", ...
};

// KOVRANT-MERGE.json.
struct Share {
  int64_t shared = 0, differing = 0;  // frames at the same place, and of them different
};
struct MergeInput {
  int number = 0;
  Json path;  // as given (pathJson)
  int64_t frames = 0;
  Atime firstAtime, lastAtime;
  int64_t badAtimePacks = 0, repeats = 0;
  std::optional<Share> forced;  // another cassette's, merged as --force asked
  int64_t framesTaken = 0;
  std::optional<std::string> tape;  // the identity its own record gives
};
struct MergeRefusal {
  std::string code;
  Json input;  // a path, or null: the result
  std::optional<std::string> reason;
  std::optional<Atime> from, to;              // backwards
  std::optional<Share> share;                 // other-cassette
  std::optional<std::string> tape, baseTape;  // other-tape
};
struct MergeGap {
  Atime before, after;
  int64_t missing = 0, filled = 0;
  std::vector<int> inputs;
  int64_t left = 0;
};
struct MergeDisagreement {
  Atime atime;
  int kept = 0, differs = 0;
};
struct MergeAdded {
  int64_t frames = 0;
  std::vector<int> inputs;
};
struct MergeOutput {
  std::string name;
  int64_t frames = 0, fromBase = 0, filled = 0, added = 0;
};
struct MergeTotals {
  int64_t gaps = 0, gapsFilled = 0, missingFrames = 0, disagreements = 0;
};
struct Merge {
  static constexpr const char* kSchema = "kovrant-merge/1";
  std::string schema = kSchema, program = "kovrant-merge", version;
  std::optional<std::string> tape;  // the tape's identity, given or the inputs'
  std::optional<std::string> log;
  std::string started;
  std::optional<std::string> ended;
  bool force = false;
  bool interruptsCaught = true;
  std::vector<Json> staleTemporariesRemoved;
  std::vector<MergeInput> inputs;
  std::vector<MergeRefusal> refusals;
  std::vector<MergeGap> gaps;
  std::vector<MergeDisagreement> disagreements;
  MergeAdded addedBefore, addedAfter;
  std::optional<MergeOutput> output;  // the image it wrote
  std::optional<MergeTotals> totals;
  std::optional<std::string> ending;
  std::optional<int> exitStatus;
};

// Each type of the records as a document and back (from_json never fails:
// what is missing or of another type reads as none).
void to_json(Json& j, const Atime& a);
void from_json(const Json& j, Atime& a);
void to_json(Json& j, const Cycle& c);
void from_json(const Json& j, Cycle& c);
void to_json(Json& j, const CaptureStretch& s);
void from_json(const Json& j, CaptureStretch& s);
void to_json(Json& j, const CaptureSense& s);
void from_json(const Json& j, CaptureSense& s);
void from_json(const Json& j, CaptureAnswer& a);
void to_json(Json& j, const CaptureSenseCode& c);
void from_json(const Json& j, CaptureSenseCode& c);
void from_json(const Json& j, CaptureCounts& c);
void to_json(Json& j, const CaptureKept& k);
void from_json(const Json& j, CaptureKept& k);
void to_json(Json& j, const Capture& c);
void from_json(const Json& j, Capture& c);
void to_json(Json& j, const ConversionOptions& o);
void from_json(const Json& j, ConversionOptions& o);
void to_json(Json& j, const ConversionImage& i);
void from_json(const Json& j, ConversionImage& i);
void to_json(Json& j, const Gap& g);
void from_json(const Json& j, Gap& g);
void to_json(Json& j, const Discontinuity& d);
void from_json(const Json& j, Discontinuity& d);
void to_json(Json& j, const LongPlay& l);
void from_json(const Json& j, LongPlay& l);
void to_json(Json& j, const Failure& f);
void from_json(const Json& j, Failure& f);
void to_json(Json& j, const QcEvent& e);
void from_json(const Json& j, QcEvent& e);
void to_json(Json& j, const Qc& q);
void from_json(const Json& j, Qc& q);
void to_json(Json& j, const ConversionFile& f);
void from_json(const Json& j, ConversionFile& f);
void to_json(Json& j, const WrittenFile& w);
void from_json(const Json& j, WrittenFile& w);
void to_json(Json& j, const ConversionTotals& t);
void from_json(const Json& j, ConversionTotals& t);
void to_json(Json& j, const Conversion& c);
void from_json(const Json& j, Conversion& c);
void to_json(Json& j, const Share& s);
void from_json(const Json& j, Share& s);
void to_json(Json& j, const MergeInput& i);
void from_json(const Json& j, MergeInput& i);
void to_json(Json& j, const MergeRefusal& r);
void from_json(const Json& j, MergeRefusal& r);
void to_json(Json& j, const MergeGap& g);
void from_json(const Json& j, MergeGap& g);
void to_json(Json& j, const MergeDisagreement& d);
void from_json(const Json& j, MergeDisagreement& d);
void to_json(Json& j, const MergeAdded& a);
void from_json(const Json& j, MergeAdded& a);
void to_json(Json& j, const MergeOutput& o);
void from_json(const Json& j, MergeOutput& o);
void to_json(Json& j, const MergeTotals& t);
void from_json(const Json& j, MergeTotals& t);
void to_json(Json& j, const Merge& m);
void from_json(const Json& j, Merge& m);

// A tape time and a cycle as the records give them.
Atime atime(const tapetime::Time& t, const tapetime::Cycle& cycle);
Cycle cycle(const tapetime::Cycle& c);

}  // namespace records
