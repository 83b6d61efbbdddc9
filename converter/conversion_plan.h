// The conversion planned apart from its writing: the walk over the frames,
// through the frame view and the tape's time, to the files it makes, one
// segment at a time, each with what the console says before it is written.
// Pure: it reads the image and writes nothing (--check is the plan without
// the writer).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "conversion_log.h"
#include "frame_view.h"
#include "long_play.h"
#include "tape_time.h"
#include "wav_chunks.h"
#include "wav_writer.h"

// What the user asked for beyond the plain conversion.
struct ConversionOptions {
  bool keepTime = false;    // gaps filled with silence and marked (cue, labels)
  bool bwf = false;         // a Broadcast WAV "bext" chunk in every file
  bool convert32k = false;  // 32 kHz segments converted (layout inferred)
  bool longPlay = false;    // long-play segments decoded where the tape shows how
  bool deEmphasis = false;  // a de-emphasised copy of each file with pre-emphasis
  bool check = false;       // the image walked and logged as converted, nothing written
  bool tapeNames = false;   // files named after the tape: "ID_001-48kHz.wav"
  std::string tape;         // the tape's identity, given or from the image's record; "" none
  std::string text;         // the options as given, for the log
};

// The image's modification time, local: "yyyy-mm-dd" and "hh:mm:ss" (empty
// when unknown), for the files' description.
struct ImageDate {
  std::string date, time;
};

// One file as planned: its record as the log will tell it (the outcome a
// writing gives it: Cut where it ends at the 4 GiB limit), its frames of the
// image, how each frame's audio becomes its bytes, and what it holds besides.
struct FilePlan {
  FileRecord record;
  int64_t first = 0, last = -1;              // frames of the image; none when last < first
  uint32_t bytesPerFrame = 0;                // of audio per frame in the file; 0: header only
  const longplay::Layout* layout = nullptr;  // long play decoded in it
  bool deEmphasis = false;                   // an access copy, through the filter
  WavPlan wav;                               // silence, chunks (no transform)
  BextFields bext;                           // with --bwf
};

// One segment: the console's texts before it, its file, and the access copy
// that follows it where it has pre-emphasis (--de-emphasis), to be written
// only when the file is.
struct SegmentPlan {
  std::vector<std::string> said;
  FilePlan file;
  bool hasCopy = false;
  FilePlan copy;
};

// Output names of one run. A name that comes back (the same program and rate
// after another program) gets "-2", "-3", ... so that no earlier file of
// this run is overwritten. The base "#NNN-rate" never ends in "-N" itself,
// so counting per base is enough for the names to stay distinct.
class SegmentNames {
 public:
  // Names begin with `prefix`: "#", or "ID_" after the tape.
  explicit SegmentNames(const std::string& prefix = "#") : prefix(prefix) {}
  std::string take(int program, const char* ratePart);

 private:
  std::string prefix;
  std::map<std::string, int> taken;  // names given so far, per base
};

class ConversionPlanner {
 public:
  ConversionPlanner(const uint8_t* image, int64_t n, const ConversionOptions& options,
                    const ImageDate& date);
  const tapetime::Analysis& tapeTime() const { return time; }
  // The next segment in the order of the walk; false when none is left
  // (an image without a whole frame has none).
  bool next(SegmentPlan* segment);

 private:
  void walk(int64_t i);
  double loudness(int64_t i);
  int64_t quietestNear(int64_t i);
  int64_t lastSoundingAtOrBefore(int64_t c);
  int64_t endOfImage();
  void closeSegment(int64_t last, int64_t cut = 0, int64_t trim = 0, bool final = false);
  std::vector<FileBreak> gapsOutside(int64_t last, bool final);
  void describe(FilePlan* f, const std::vector<FileBreak>& outside);
  bool longPlayAt(int64_t k) const;

  const uint8_t* image;
  int64_t n;
  FrameView view;
  ConversionOptions options;
  ImageDate date;
  tapetime::Analysis time;
  SegmentNames names;
  std::deque<SegmentPlan> ready;  // closed, not yet handed out
  std::vector<std::string> said;  // since the last segment was closed
  int64_t at = 0;                 // the next frame of the walk
  bool ended = false;             // the end of the image closed its segment
  size_t nextGap = 0;             // time.breaks before it are told (gapsOutside)
  int64_t heldThrough = -1;       // the last frame of the files so far
  int segRate = 0;
  int segProgram = 0;
  int64_t segStart = 0;
};
