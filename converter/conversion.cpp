#include "conversion.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "console.h"
#include "converter_messages.h"
#include "dat_frame.h"
#include "frame_view.h"
#include "mapped_file.h"
#include "wav_writer.h"

namespace {

// Frames either side of a program change that the cut search looks at, and
// frames before the cut that the silence scan looks at.
constexpr int kCutReach = 32;
constexpr int kSilenceReach = 330;

// Output names of one run. A name that comes back (the same program and rate
// after another program) gets "-2", "-3", ... so that no earlier file of
// this run is overwritten. The base "#NNN-rate" never ends in "-N" itself,
// so counting per base is enough for the names to stay distinct.
class SegmentNames {
 public:
  std::string take(int program, const char* ratePart) {
    char base[64];
    std::snprintf(base, sizeof base, "#%03d-%s", program, ratePart);
    int& n = taken[base];
    ++n;
    return n == 1 ? std::string(base) + ".wav"
                  : std::string(base) + "-" + std::to_string(n) + ".wav";
  }

 private:
  std::map<std::string, int> taken;  // names given so far, per base
};

class Conversion {
 public:
  Conversion(const uint8_t* image, int64_t n) : image(image), n(n), view(image, n) {}

  bool run() {
    if (n == 0) return true;  // a file shorter than one frame has nothing to convert
    segRate = dat::samplingCode(view.frameAt(0));
    for (int64_t i = 0; i < n && !mappedImageChanged(); ++i) walk(i);
    if (!mappedImageChanged()) closeSegment(endOfImage());
    if (mappedImageChanged()) {
      printStderr("%s", msg::kImageChanged);
      return false;
    }
    return ok;
  }

 private:
  void walk(int64_t i) {
    const dat::DatFrame& v = *view.getIdentification(i);
    int r = dat::samplingCode(v);
    if (r != segRate) {
      closeSegment(i);
      segStart = i + 1;
      segRate = r;
    }
    char text[4];
    dat::programText(v, text);
    if (!dat::namesProgram(text)) return;
    int p = dat::programNumber(v);
    if (p == segProgram) return;
    printStdout(msg::kFoundStartId, p);
    int64_t c = quietestNear(i);
    printStdout(msg::kStartIdCorrection, static_cast<int>(i - c));
    closeSegment(lastSoundingAtOrBefore(c));
    segStart = c + 1;
    segProgram = p;
  }

  double loudness(int64_t i) { return frameLoudness(&view, i); }

  // The cut: the quietest frame within kCutReach of i. Ties go to i, then to
  // the lowest frame above it; a frame below i must be strictly quieter.
  int64_t quietestNear(int64_t i) {
    double best = loudness(i);
    int64_t c = i;
    for (int64_t j = i; j <= i + kCutReach; ++j) {
      if (j < 0 || j >= n) continue;
      double l = loudness(j);
      if (l < best) {
        best = l;
        c = j;
      }
    }
    for (int64_t j = i; j >= i - kCutReach; --j) {
      if (j < 0 || j >= n) continue;
      double l = loudness(j);
      if (l < best) {
        best = l;
        c = j;
      }
    }
    return c;
  }

  // The highest frame from c down to max(1, c - kSilenceReach) with sound;
  // when there is none, c - kSilenceReach - 1, or 0 near the start.
  int64_t lastSoundingAtOrBefore(int64_t c) {
    int64_t e = c;
    for (;;) {
      if (e <= 0) break;
      if (loudness(e) > 0) {
        printStdout(msg::kTailCut, static_cast<int>(c - e));
        break;
      }
      --e;
      if (e < c - kSilenceReach) break;
    }
    return e;
  }

  // The last frame worth keeping: the highest frame from 2 up with sound
  // whose subId[3], and that of the two frames before it, is 0.
  int64_t endOfImage() {
    int64_t e = n - 1;
    if (n - 1 < 2) return e;
    for (int64_t f = n - 1; f >= 2; --f) {
      if (view.frameAt(f).subId[3] != 0) continue;
      if (view.frameAt(f - 1).subId[3] != 0) continue;
      if (view.frameAt(f - 2).subId[3] != 0) continue;
      if (loudness(f) > 0) {
        printStdout(msg::kTailCut, static_cast<int>(n - 1 - f));
        return f;
      }
    }
    return 1;
  }

  void closeSegment(int64_t last) {
    dat::RateInfo info = dat::rateInfo(segRate);
    std::string name = names.take(segProgram, info.namePart);
    if (!writeWavRange(name.c_str(), image, segStart, last, info.rate, info.bytesPerFrame)) {
      ok = false;
    }
  }

  const uint8_t* image;
  int64_t n;
  FrameView view;
  SegmentNames names;
  int segRate = 0;
  int segProgram = 0;
  int64_t segStart = 0;
  bool ok = true;
};

}  // namespace

bool convertFrames(const uint8_t* image, int64_t frameCount) {
  Conversion conversion(image, frameCount);
  return conversion.run();
}

bool writeWavRange(const char* name, const uint8_t* image, int64_t first, int64_t last,
                   uint32_t rate, uint32_t bytesPerFrame) {
  WavResult r = writeWav(name, image, first, last, rate, bytesPerFrame);
  if (r.kind == WavResult::CreateFailed) {
    printStderr(msg::kWavCreateFailed, name, std::strerror(r.error));
    return false;
  }
  if (r.framesLimit >= 0)
    printStderr(msg::kWavTooLarge, name, static_cast<long long>(r.framesLimit));
  if (r.kind == WavResult::WriteFailed)
    printStderr(msg::kWavWriteFailed, name, std::strerror(r.error));
  return r.complete();
}

int runSelthix() {
  prepareConsole();
  printStdout("%s", msg::kSelthixBanner);
  enlargeWorkingSet();
  MappedFile image;
  switch (image.map(dat::kImageName)) {
    case MappedFile::Failure::None:
      break;
    case MappedFile::Failure::Open:
      printStderr("%s", msg::kCreateFileFailed);
      return 1;
    case MappedFile::Failure::Size:
      printStderr("%s", msg::kGetFileSizeFailed);
      return 1;
    case MappedFile::Failure::Mapping:
      printStderr("%s", msg::kCreateFileMappingFailed);
      return 1;
    case MappedFile::Failure::View:
      printStderr("%s", msg::kMapViewOfFileFailed);
      return 1;
  }
  int64_t n = static_cast<int64_t>(image.size() / dat::kFrameSize);
  return convertFrames(image.data(), n) ? 0 : 1;
}
