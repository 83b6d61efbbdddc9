#include "conversion.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>

#include "console.h"
#include "conversion_log.h"
#include "conversion_page.h"
#include "converter_messages.h"
#include "dat_frame.h"
#include "de_emphasis.h"
#include "digest_worker.h"
#include "file_marks.h"
#include "frame_view.h"
#include "interrupts.h"
#include "long_play.h"
#include "mapped_file.h"
#include "output_file.h"
#include "sha256.h"
#include "tape_time.h"
#include "wav_chunks.h"
#include "wav_writer.h"

namespace {

// Frames either side of a program change that the cut search looks at, and
// frames before the cut that the silence scan looks at.
constexpr int kCutReach = 32;
constexpr int kSilenceReach = 330;

// Each way a conversion ends before its work is done, and what the console
// and the log say of it (pointers: the texts follow the language).
struct EarlyEnd {
  ImageChange change;  // None: the user interrupted it
  const char* const* console;
  const char* const* log;
  const char* code;  // the record's
};
const EarlyEnd kEarlyEnds[] = {
    {ImageChange::Shortened, &msg::kImageChanged, &msg::kConversionEndShortened, "image-shortened"},
    {ImageChange::ReadError, &msg::kImageReadError, &msg::kConversionEndReadError,
     "image-read-error"},
    {ImageChange::Rewritten, &msg::kImageRewritten, &msg::kConversionEndRewritten,
     "image-rewritten"},
    {ImageChange::None, &msg::kConversionInterrupted, &msg::kEndInterrupted, "interrupted"},
};

// How the run ended early (a change of the image before an interrupt), or
// null.
const EarlyEnd* earlyEnd() {
  ImageChange change = mappedImageChange();
  if (change == ImageChange::None && !interruptRequested()) return nullptr;
  for (const EarlyEnd& e : kEarlyEnds) {
    if (e.change == change) return &e;
  }
  return nullptr;
}

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
  Conversion(const uint8_t* image, int64_t n, const ConversionOptions& options, ConversionLog* log,
             const ImageDate& date)
      : image(image),
        n(n),
        view(image, n),
        options(options),
        log(log),
        date(date),
        time(tapetime::analyse(image, n)) {}

  const tapetime::Analysis& tapeTime() const { return time; }
  // The files written with a "bext" chunk, for the CORE document.
  const std::vector<CoreRow>& coreRows() const { return core; }

  bool run() {
    if (n == 0) return true;  // a file shorter than one frame has nothing to convert
    segRate = dat::samplingCode(view.frameAt(0));
    for (int64_t i = 0; i < n && !stopped(); ++i) walk(i);
    if (!stopped()) {
      // Frames before segStart went to earlier files: they are not this one's.
      int64_t e = endOfImage();
      closeSegment(e, 0, n - 1 - std::max(e, segStart - 1), true);
    }
    if (const EarlyEnd* e = earlyEnd()) {
      printStderr("%s", *e->console);
      return false;
    }
    return ok;
  }

  static bool stopped() { return mappedImageChanged() || interruptRequested(); }

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
    int64_t e = lastSoundingAtOrBefore(c);
    closeSegment(e, c - e, 0);
    segStart = c + 1;
    segProgram = p;
  }

  int accuracy() const { return tapetime::accuracy(time.track.cycle); }

  bool longPlayAt(int64_t k) const {
    const dat::DatFrame& f = view.frameAt(k);
    return dat::longPlayCodes(dat::samplingCode(f), dat::quantizationCode(f));
  }

  double loudness(int64_t i) {
    return frameLoudness(&view, i, options.convert32k, options.longPlay);
  }

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

  // Writes frames segStart .. last; `cut` and `trim` frames after them are
  // left out before the next program and at the end of the image (`final`).
  void closeSegment(int64_t last, int64_t cut = 0, int64_t trim = 0, bool final = false) {
    dat::RateInfo info = dat::rateInfo(segRate);
    FileRecord record;
    record.name = names.take(segProgram, info.namePart);
    record.rate = info.rate;
    record.first = segStart;
    record.cutFrames = cut;
    record.trimFrames = trim;
    int64_t frames = segStart <= last ? last - segStart + 1 : 0;
    int quantization = frames > 0 ? dat::quantizationCode(view.frameAt(segStart)) : 0;
    bool longPlay = dat::longPlayCodes(segRate, quantization);
    AudioPath path;
    uint32_t bytesPerFrame =
        convertedBytes(segRate, quantization, options.convert32k, options.longPlay);
    if (bytesPerFrame == 0) {
      // Named as 12-bit long play whatever its rate code says.
      bool twelveBit = quantization == 1;
      record.outcome = twelveBit ? FileRecord::LongPlay : FileRecord::Placeholder;
      if (twelveBit && options.convert32k) printStdout(msg::kLongPlay, record.name.c_str());
    } else if (longPlay && !longPlayLayout(&record, last, &path)) {
      bytesPerFrame = 0;
    }
    if (options.longPlay && longPlay && frames > 0) {
      // Its frames last longer: the step of its time is taken from its ATIME.
      record.atimePerFrame = tapetime::positionsPerFrame(time.track, segStart, last);
      segmentBreaks = tapetime::breaks(time.track, segStart, last, record.atimePerFrame);
    }
    WavPlan plan;
    describe(&record, frames, bytesPerFrame, gapsOutside(last, final), &plan);
    segmentBreaks.clear();
    path.bytes = bytesPerFrame;
    if (path.layout != nullptr) plan.transform = {&AudioPath::apply, &path};
    if (options.check) {
      if (plan.framesLimit >= 0) record.outcome = FileRecord::Cut;
      if (log != nullptr) log->file(record);
      return;
    }
    write(&record, last, bytesPerFrame, plan);
    if (log != nullptr) log->file(record);
    if (!options.deEmphasis || record.emphasisOn == 0 || bytesPerFrame == 0 ||
        (record.outcome != FileRecord::Written && record.outcome != FileRecord::Cut)) {
      return;
    }
    // The access copy: the same frames, silence and marks through the filter.
    FileRecord copy = record;
    copy.name = record.name.substr(0, record.name.size() - 4) + "-deemph.wav";
    copy.derivedFrom = record.name;
    deemphasis::Filter filter(record.rate);
    path.filter = &filter;
    plan.transform = {&AudioPath::apply, &path};
    if (options.bwf) {
      bext = bextFields(copy, segProgram, options.keepTime, date.date, date.time, bextReference);
      bext.codingHistory += deEmphasisHistory(copy);
      plan.leading = bextChunk(bext);
    }
    write(&copy, last, bytesPerFrame, plan);
    if (log != nullptr) log->file(copy);
  }

  // How a file's bytes come from the frames' audio: as they are, or long
  // play decoded, and through the de-emphasis filter for the access copy.
  struct AudioPath {
    const longplay::Layout* layout = nullptr;
    deemphasis::Filter* filter = nullptr;
    uint32_t bytes = 0;  // per frame, in the file
    static void apply(void* state, const uint8_t* audio, uint8_t* out) {
      const AudioPath& p = *static_cast<const AudioPath*>(state);
      uint8_t decoded[longplay::kBytesPerFrame];
      const uint8_t* pcm = audio;
      if (p.layout != nullptr) {
        longplay::decode(audio, *p.layout, decoded);
        pcm = decoded;
      }
      if (p.filter != nullptr) {
        p.filter->run(pcm, out, p.bytes / 4);
      } else {
        std::memcpy(out, pcm, p.bytes);
      }
    }
  };

  // A long-play segment with --long-play: its layout, learnt from its
  // frames. False (a placeholder, with the reason said) when it has four
  // channels or its layout is not recognised.
  bool longPlayLayout(FileRecord* r, int64_t last, AudioPath* path) {
    if (dat::channelsCode(view.frameAt(segStart)) == 1) {
      r->outcome = FileRecord::FourChannels;
      printStdout(msg::kLongPlayFourChannels, r->name.c_str());
      return false;
    }
    std::vector<const dat::DatFrame*> frames;
    for (int64_t k = segStart; k <= last; ++k) frames.push_back(&view.frameAt(k));
    longplay::Choice c = longplay::choose(frames);
    char score[32];
    for (size_t k = 0; k < c.scores.size(); ++k) {
      std::snprintf(score, sizeof score, "%s%.3g", k == 0 ? "" : " ", c.scores[k]);
      r->layoutScores += score;
    }
    if (c.layout == nullptr && !c.silent) {
      r->outcome = FileRecord::LongPlayUnknown;
      printStdout(msg::kLongPlayUnrecognised, r->name.c_str(), r->layoutScores.c_str());
      return false;
    }
    path->layout = c.silent ? &longplay::layouts()[0] : c.layout;
    r->layout = c.silent ? "-" : path->layout->name;
    r->layoutMargin = c.silent ? 0 : c.margin;
    printStdout(msg::kLongPlayDecoded, r->name.c_str(), r->layout.c_str(), r->layoutMargin);
    return true;
  }

  // Writes the file `r` describes (frames segStart .. last as planned), its
  // label file with --keep-time, and tells in `r` what became of it.
  void write(FileRecord* r, int64_t last, uint32_t bytesPerFrame, const WavPlan& plan) {
    WavResult result;
    if (!writeWavRange(r->name.c_str(), image, segStart, last, r->rate, bytesPerFrame, &plan,
                       &result)) {
      ok = false;
    }
    if (result.kind != WavResult::Written) {
      r->outcome = FileRecord::Failed;
      bool stopped = result.kind == WavResult::Stopped || result.kind == WavResult::NotKept;
      r->failure = !stopped ? (result.kind == WavResult::CreateFailed ? FileRecord::CreateFailed
                                                                      : FileRecord::WriteFailed)
                   : interruptRequested() ? FileRecord::Interrupted
                                          : FileRecord::ImageChanged;
      r->error = result.error;
      return;
    }
    if (result.framesLimit >= 0) r->outcome = FileRecord::Cut;
    // Taken as the file was written; read back where it could not be.
    r->sha256 = result.sha256;
    errno = 0;
    if (r->sha256.empty() && !sha256File(r->name.c_str(), &r->sha256)) {
      r->sha256Error = errno;
      r->sha256.clear();
    }
    r->md5 = result.md5;
    if (options.bwf) core.push_back({r->name, r->rate, bext});
    if (options.keepTime && bytesPerFrame > 0 && r->derivedFrom.empty() &&
        !writeLabels(*r, bytesPerFrame / 4, accuracy()))
      ok = false;
  }

  // The file's frames, tape time, emphasis and breaks; with --keep-time its
  // gaps filled and marked, with --bwf its description. A segment too long
  // for one WAV file ends with its last frame that fits, before the silence
  // of a gap that does not: the file, its log and its marks tell nothing
  // beyond it, and its MD5 is of the audio it holds.
  void describe(FileRecord* r, int64_t frames, uint32_t bytesPerFrame,
                const std::vector<FileBreak>& outside, WavPlan* plan) {
    FileRecord whole = *r;
    describeFrames(r, frames, bytesPerFrame, outside, plan);
    int64_t fit = framesThatFit(frames, bytesPerFrame, *plan);
    if (fit == frames) return;
    *r = whole;
    *plan = WavPlan();
    plan->framesLimit = describeFrames(r, fit, bytesPerFrame, outside, plan);
    r->framesCut = frames - fit;
  }

  // The gaps that no file holds, told with the file they lie beside: those
  // after every earlier file's frames and up to segStart lie before this
  // one (frames segStart .. last); at the end of the image (`final`), those
  // after it too. A header-only file in between holds none of them: they
  // go to the next. Discontinuities between files are not told (a new
  // recording often begins with a program), nor, with --long-play, the
  // steps beside a long-play frame (the tape's time runs at another speed
  // there: a long-play segment's gaps are its own).
  std::vector<FileBreak> gapsOutside(int64_t last, bool final) {
    std::vector<FileBreak> outside;
    if (last < segStart && !final) return outside;
    for (; nextGap < time.breaks.size(); ++nextGap) {
      const tapetime::Break& b = time.breaks[nextGap];
      if (b.before > last && !final) break;
      if (b.before <= heldThrough || (b.before > segStart && b.before <= last) ||
          b.kind != tapetime::Break::Gap ||
          (options.longPlay && (longPlayAt(b.before - 1) || longPlayAt(b.before)))) {
        continue;
      }
      FileBreak::Place place = b.before <= segStart ? FileBreak::Before : FileBreak::After;
      outside.push_back({b, 0, false, place});
    }
    heldThrough = std::max(heldThrough, last);
    return outside;
  }

  // Of the first `frames` frames from segStart, how many fit in one WAV file
  // with the plan's silence before them and its chunks (which only shrink
  // when fewer frames are marked).
  int64_t framesThatFit(int64_t frames, uint32_t bytesPerFrame, const WavPlan& plan) const {
    int64_t room = wavFrameLimit(bytesPerFrame, plan.chunkBytes());
    int64_t fit = 0;
    for (const Silence& s : plan.silence) {
      int64_t before = s.before - segStart - fit;  // frames up to the gap
      if (before >= room) break;
      fit += before;
      room -= before;
      if (s.frames > room) return fit;
      room -= s.frames;
    }
    return std::min(frames, fit + room);
  }

  // describe() for the first `frames` frames from segStart; returns the
  // frames of audio and silence the file holds.
  int64_t describeFrames(FileRecord* r, int64_t frames, uint32_t bytesPerFrame,
                         const std::vector<FileBreak>& outside, WavPlan* plan) {
    r->frames = bytesPerFrame > 0 ? frames : 0;
    int64_t samplesPerFrame = bytesPerFrame / 4;
    int64_t firstTimed = -1;
    for (int64_t k = segStart; k < segStart + frames; ++k) {
      const dat::DatFrame& f = view.frameAt(k);
      if (dat::emphasisCode(f) == 1) {
        ++r->emphasisOn;
      } else {
        ++r->emphasisOther;
      }
      int64_t key = time.track.keys[k];
      if (key == tapetime::kNoTime) continue;
      tapetime::Time t = tapetime::fromKey(key);
      if (firstTimed < 0) {
        firstTimed = k;
        r->firstTime = t;
      }
      r->lastTime = t;
      r->hasTime = true;
    }
    std::vector<Marker> markers;
    auto tell = [&](const FileBreak& fb) {
      markers.push_back(
          {static_cast<uint32_t>(fb.sample), markerText(fb, accuracy()),
           static_cast<uint32_t>(fb.filled ? fb.where.missing * samplesPerFrame : 0)});
      r->breaks.push_back(fb);
    };
    for (const FileBreak& fb : outside) {
      if (fb.place == FileBreak::Before) tell(fb);
    }
    // A long-play segment's breaks are its own (its frames move the time on
    // by their own step).
    const std::vector<tapetime::Break>& all = r->atimePerFrame > 0 ? segmentBreaks : time.breaks;
    auto from =
        std::upper_bound(all.begin(), all.end(), segStart,
                         [](int64_t at, const tapetime::Break& b) { return at < b.before; });
    int64_t filled = 0;
    for (auto b = from; b != all.end() && b->before < segStart + frames; ++b) {
      FileBreak fb{*b, (b->before - segStart + filled) * samplesPerFrame, false};
      bool gap = b->kind == tapetime::Break::Gap;
      if (options.keepTime && gap && samplesPerFrame > 0) {
        plan->silence.push_back({b->before, b->missing});
        filled += b->missing;
        fb.filled = true;
      }
      // A gap kept to its length is a region of its silence.
      tell(fb);
    }
    r->samplePairs = (r->frames + filled) * samplesPerFrame;
    for (FileBreak fb : outside) {
      fb.sample = r->samplePairs;
      if (fb.place == FileBreak::After) tell(fb);
    }
    if (options.keepTime) plan->trailing = cueChunks(markers);
    if (options.bwf) {
      int64_t reference = 0;
      if (firstTimed >= 0) {
        reference = std::max<int64_t>(
            0, (tapetime::position(r->firstTime, time.track.cycle) - (firstTimed - segStart)) *
                   samplesPerFrame);
      }
      bextReference = static_cast<uint64_t>(reference);
      bext = bextFields(*r, segProgram, options.keepTime, date.date, date.time, bextReference);
      plan->leading = bextChunk(bext);
      plan->md5 = true;
    }
    return r->frames + filled;
  }

  const uint8_t* image;
  int64_t n;
  FrameView view;
  SegmentNames names;
  const ConversionOptions& options;
  ConversionLog* log;
  const ImageDate& date;
  tapetime::Analysis time;
  std::vector<tapetime::Break> segmentBreaks;  // a long-play segment's own, while it is closed
  uint64_t bextReference = 0;                  // the closed segment's, for its access copy
  size_t nextGap = 0;                          // time.breaks before it are told (gapsOutside)
  int64_t heldThrough = -1;                    // the last frame of the files so far
  int segRate = 0;
  int segProgram = 0;
  int64_t segStart = 0;
  bool ok = true;
  BextFields bext;  // the file's being written, with --bwf
  std::vector<CoreRow> core;
};

}  // namespace

const WavChecks kConversionChecks = {
    [] { return mappedImageChanged() || interruptRequested(); },
    [] { return mappedImageChange() == ImageChange::None && !interruptRequested(); },
};

bool convertFrames(const uint8_t* image, int64_t frameCount, const ConversionOptions& options,
                   ConversionLog* log, const ImageDate& date, Json* levels) {
  // The frames' peaks for the page's level strip: on the second core where
  // there is one, from the start (it also brings the image's pages in ahead
  // of the walk over the frames), else after the conversion.
  std::vector<int32_t> peaks;
  DigestWorker side;
  bool beside = levels != nullptr && side.start();
  if (beside) side.post([&] { peaks = framePeaks(image, frameCount, options.convert32k); });
  Conversion conversion(image, frameCount, options, log, date);
  if (log != nullptr) log->image(frameCount, conversion.tapeTime());
  bool ok = conversion.run();
  side.finish();
  if (levels != nullptr && !Conversion::stopped()) {
    if (!beside) peaks = framePeaks(image, frameCount, options.convert32k);
    *levels = levelStrip(peaks, conversion.tapeTime().track);
  }
  // The files written, also by a conversion that ended early; an image
  // without a whole frame gives no file at all.
  if (options.bwf && !options.check && frameCount > 0) writeCoreDocument(conversion.coreRows());
  return ok;
}

bool writeWavRange(const char* name, const uint8_t* image, int64_t first, int64_t last,
                   uint32_t rate, uint32_t bytesPerFrame, const WavPlan* plan, WavResult* result) {
  WavResult r = writeWav(name, image, first, last, rate, bytesPerFrame, plan, &kConversionChecks);
  if (result != nullptr) *result = r;
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

namespace {

// The image's modification time for the Broadcast WAV description.
ImageDate imageDate() {
  ImageDate d;
  struct stat st;
  if (stat(dat::kImageName, &st) != 0) return d;
  std::time_t t = st.st_mtime;
  const std::tm* local = std::localtime(&t);
  if (local == nullptr) return d;
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", local);
  d.date = text;
  std::strftime(text, sizeof text, "%H:%M:%S", local);
  d.time = text;
  return d;
}

// The console's message and the log's line for an image that cannot be
// mapped; `step` names the step that failed for the record.
int noImage(page::PageFile& page, ConversionLog& log, const char* message, const char* step) {
  printStderr("%s", message);
  log.noImage(message, step);
  log.finish(1, msg::kConversionEndNoImage, "no-image");
  writeConversionPage(page, log, Json());
  return 1;
}

// The temporary names of this program's output files: "#...wav", "#...txt",
// its record "SELTHIX.json", its page and the CORE document.
bool isOurTarget(const std::string& target) {
  auto endsWith = [&](const char* tail) {
    size_t n = std::strlen(tail);
    return target.size() > n && target.compare(target.size() - n, n, tail) == 0;
  };
  if (target == convlog::kRecordName || target == kCoreName || target == convpage::kName)
    return true;
  return !target.empty() && target[0] == '#' && (endsWith(".wav") || endsWith(".txt"));
}

}  // namespace

int runSelthix(const ConversionOptions& options) {
  prepareConsole();
  printStdout("%s", msg::kSelthixBanner);
  InterruptGuard interrupts;
  if (!interrupts.installed()) printStderr("%s", msg::kConversionNotInterruptible);
  ConversionLog log;
  errno = 0;
  if (!log.open(options)) {
    printStderr(msg::kConversionLogCreateFailed, std::strerror(errno));
  } else if (log.refusal() != 0) {
    printStderr(msg::kConversionLogElsewhere, std::strerror(log.refusal()), log.name().c_str());
  }
  for (const std::string& name : removeStaleTemporaries(isOurTarget)) log.staleRemoved(name);
  log.writeUnfinished();
  page::PageFile page(convpage::kName);
  writeConversionPage(page, log, Json(), false);
  enlargeWorkingSet();
  MappedFile image;
  switch (image.map(dat::kImageName)) {
    case MappedFile::Failure::None:
      break;
    case MappedFile::Failure::Open:
      return noImage(page, log, msg::kCreateFileFailed, "open");
    case MappedFile::Failure::Size:
      return noImage(page, log, msg::kGetFileSizeFailed, "size");
    case MappedFile::Failure::Mapping:
      return noImage(page, log, msg::kCreateFileMappingFailed, "mapping");
    case MappedFile::Failure::View:
      return noImage(page, log, msg::kMapViewOfFileFailed, "view");
  }
  int64_t n = static_cast<int64_t>(image.size() / dat::kFrameSize);
  Json levels;
  int status = convertFrames(image.data(), n, options, &log, imageDate(), &levels) ? 0 : 1;
  const EarlyEnd* early = earlyEnd();
  if (early != nullptr && early->change == ImageChange::None) status = kInterruptedStatus;
  if (options.check && early == nullptr) {
    if (log.breaks() > 0) {
      printStdout(msg::kCheckFound, static_cast<long long>(log.breaks()));
      status = kBreaksFoundStatus;
    } else {
      printStdout("%s", msg::kCheckClean);
    }
  }
  log.finish(status, early != nullptr ? *early->log : nullptr,
             early != nullptr ? early->code : "done");
  writeConversionPage(page, log, levels);
  return status;
}
