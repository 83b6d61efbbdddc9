#include "conversion_plan.h"

#include <algorithm>
#include <cstdio>

#include "console.h"
#include "converter_messages.h"
#include "dat_frame.h"
#include "file_marks.h"
#include "wav_chunks.h"

namespace {

// Frames either side of a program change that the cut search looks at, and
// frames before the cut that the silence scan looks at.
constexpr int kCutReach = 32;
constexpr int kSilenceReach = 330;

// What describing a file's frames needs of the run.
struct Context {
  const FrameView& view;
  const tapetime::Analysis& time;
  const ConversionOptions& options;
  const ImageDate& date;
  int program;
  int accuracy() const { return tapetime::accuracy(time.track.cycle); }
};

// Of the first `frames` frames of `f`, how many fit in one WAV file with the
// plan's silence before them and its chunks (which only shrink when fewer
// frames are marked).
int64_t framesThatFit(const FilePlan& f, int64_t frames) {
  int64_t room = wavFrameLimit(f.bytesPerFrame, f.wav.chunkBytes());
  int64_t fit = 0;
  for (const Silence& s : f.wav.silence) {
    int64_t before = s.before - f.first - fit;  // frames up to the gap
    if (before >= room) break;
    fit += before;
    room -= before;
    if (s.frames > room) return fit;
    room -= s.frames;
  }
  return std::min(frames, fit + room);
}

// The tape time and emphasis of the first `frames` frames of `f`; returns
// the first frame with a time (-1: none).
int64_t describeTime(const Context& c, FilePlan* f, int64_t frames) {
  FileRecord* r = &f->record;
  int64_t firstTimed = -1;
  for (int64_t k = f->first; k < f->first + frames; ++k) {
    ++(dat::emphasisCode(c.view.frameAt(k)) == 1 ? r->emphasisOn : r->emphasisOther);
    int64_t key = c.time.track.keys[k];
    if (key == tapetime::kNoTime) continue;
    tapetime::Time t = tapetime::fromKey(key);
    if (firstTimed < 0) {
      firstTimed = k;
      r->firstTime = t;
    }
    r->lastTime = t;
    r->hasTime = true;
  }
  return firstTimed;
}

// With --bwf: the file's description, its time reference from the first of
// its frames with a time (`firstTimed`, -1: none), and its MD5 chunk.
void describeBext(const Context& c, FilePlan* f, int64_t firstTimed) {
  const FileRecord& r = f->record;
  int64_t reference = 0;
  if (firstTimed >= 0) {
    int64_t at = tapetime::position(r.firstTime, c.time.track.cycle) - (firstTimed - f->first);
    reference = std::max<int64_t>(0, at * (f->bytesPerFrame / 4));
  }
  f->bext = bextFields(r, c.program, c.options, c.date, static_cast<uint64_t>(reference));
  f->wav.leading = bextChunk(f->bext);
  f->wav.md5 = true;
}

// The file's frames, tape time, emphasis and breaks (those beside it that no
// file holds, `outside`, at its ends); with --keep-time its gaps filled and
// marked, with --bwf its description. Only the first `frames` frames of its
// range; returns the frames of audio and silence it holds.
int64_t describeFrames(const Context& c, FilePlan* f, int64_t frames,
                       const std::vector<FileBreak>& outside) {
  FileRecord* r = &f->record;
  r->frames = f->bytesPerFrame > 0 ? frames : 0;
  int64_t samplesPerFrame = f->bytesPerFrame / 4;
  int64_t firstTimed = describeTime(c, f, frames);
  std::vector<Marker> markers;
  auto tell = [&](const FileBreak& fb) {
    markers.push_back({static_cast<uint32_t>(fb.sample), markerText(fb, c.accuracy()),
                       static_cast<uint32_t>(fb.filled ? fb.where.missing * samplesPerFrame : 0)});
    r->breaks.push_back(fb);
  };
  for (const FileBreak& fb : outside) {
    if (fb.place == FileBreak::Before) tell(fb);
  }
  // A long-play segment's breaks are its own (its frames move the time on
  // by their own step).
  std::vector<tapetime::Break> own;
  if (r->atimePerFrame > 0)
    own = tapetime::breaks(c.time.track, f->first, f->last, r->atimePerFrame);
  const std::vector<tapetime::Break>& all = r->atimePerFrame > 0 ? own : c.time.breaks;
  auto from = std::upper_bound(all.begin(), all.end(), f->first,
                               [](int64_t at, const tapetime::Break& b) { return at < b.before; });
  int64_t filled = 0;
  for (auto b = from; b != all.end() && b->before < f->first + frames; ++b) {
    FileBreak fb{*b, (b->before - f->first + filled) * samplesPerFrame, false};
    if (c.options.keepTime && b->kind == tapetime::Break::Gap && samplesPerFrame > 0) {
      f->wav.silence.push_back({b->before, b->missing});
      filled += b->missing;
      fb.filled = true;  // a region of its silence
    }
    tell(fb);
  }
  r->samplePairs = (r->frames + filled) * samplesPerFrame;
  for (FileBreak fb : outside) {
    fb.sample = r->samplePairs;
    if (fb.place == FileBreak::After) tell(fb);
  }
  if (c.options.keepTime) f->wav.trailing = cueChunks(markers);
  if (c.options.bwf) describeBext(c, f, firstTimed);
  return r->frames + filled;
}

// A long-play segment with --long-play: its layout, learnt from its frames.
// False (a placeholder, with the reason said) when it has four channels or
// its layout is not recognised.
bool longPlayLayout(const FrameView& view, FilePlan* f, std::vector<std::string>* said) {
  FileRecord& r = f->record;
  if (dat::channelsCode(view.frameAt(f->first)) == 1) {
    r.outcome = FileRecord::FourChannels;
    said->push_back(textOf(msg::kLongPlayFourChannels, r.name.c_str()));
    return false;
  }
  std::vector<const dat::DatFrame*> frames;
  for (int64_t k = f->first; k <= f->last; ++k) frames.push_back(&view.frameAt(k));
  longplay::Choice c = longplay::choose(frames);
  r.layoutScores = c.scores;
  if (c.layout == nullptr && !c.silent) {
    r.outcome = FileRecord::LongPlayUnknown;
    said->push_back(textOf(msg::kLongPlayUnrecognised, r.name.c_str(),
                           longplay::scoresText(r.layoutScores).c_str()));
    return false;
  }
  f->layout = c.silent ? &longplay::layouts()[0] : c.layout;
  r.layout = c.silent ? "-" : f->layout->name;
  r.layoutMargin = c.silent ? 0 : c.margin;
  said->push_back(textOf(msg::kLongPlayDecoded, r.name.c_str(), r.layout.c_str(), r.layoutMargin));
  return true;
}

// The access copy of `f` (--de-emphasis): the same frames, silence and
// marks through the filter, its description naming it as derived.
FilePlan accessCopy(const Context& c, const FilePlan& f) {
  FilePlan copy = f;
  copy.deEmphasis = true;
  copy.record.name = f.record.name.substr(0, f.record.name.size() - 4) + "-deemph.wav";
  copy.record.derivedFrom = f.record.name;
  if (c.options.bwf) {
    copy.bext = bextFields(copy.record, c.program, c.options, c.date, f.bext.timeReference);
    copy.bext.codingHistory += deEmphasisHistory(copy.record);
    copy.wav.leading = bextChunk(copy.bext);
  }
  return copy;
}

}  // namespace

std::string SegmentNames::take(int program, const char* ratePart) {
  char number[64];
  std::snprintf(number, sizeof number, "%03d-%s", program, ratePart);
  std::string base = prefix + number;
  int& n = taken[base];
  ++n;
  return n == 1 ? base + ".wav" : base + "-" + std::to_string(n) + ".wav";
}

ConversionPlanner::ConversionPlanner(const uint8_t* image, int64_t n,
                                     const ConversionOptions& options, const ImageDate& date)
    : image(image),
      n(n),
      view(image, n),
      options(options),
      date(date),
      time(tapetime::analyse(image, n)),
      names(options.tapeNames ? options.tape + "_" : "#"),
      ended(n == 0) {  // a file shorter than one frame has nothing to convert
  if (n > 0) segRate = dat::samplingCode(view.frameAt(0));
}

bool ConversionPlanner::next(SegmentPlan* segment) {
  while (ready.empty() && at < n) walk(at++);
  if (ready.empty() && !ended) {
    ended = true;
    // Frames before segStart went to earlier files: they are not this one's.
    int64_t e = endOfImage();
    closeSegment(e, 0, n - 1 - std::max(e, segStart - 1), true);
  }
  if (ready.empty()) return false;
  *segment = std::move(ready.front());
  ready.pop_front();
  return true;
}

void ConversionPlanner::walk(int64_t i) {
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
  said.push_back(textOf(msg::kFoundStartId, p));
  int64_t c = quietestNear(i);
  said.push_back(textOf(msg::kStartIdCorrection, static_cast<int>(i - c)));
  int64_t e = lastSoundingAtOrBefore(c);
  closeSegment(e, c - e, 0);
  segStart = c + 1;
  segProgram = p;
}

double ConversionPlanner::loudness(int64_t i) {
  return frameLoudness(&view, i, options.convert32k, options.longPlay, &said);
}

// The cut: the quietest frame within kCutReach of i. Ties go to i, then to
// the lowest frame above it; a frame below i must be strictly quieter.
int64_t ConversionPlanner::quietestNear(int64_t i) {
  double best = loudness(i);
  int64_t c = i;
  for (int step : {1, -1}) {
    for (int64_t j = i; j >= i - kCutReach && j <= i + kCutReach; j += step) {
      if (j < 0 || j >= n) continue;
      double l = loudness(j);
      if (l < best) {
        best = l;
        c = j;
      }
    }
  }
  return c;
}

// The highest frame from c down to max(1, c - kSilenceReach) with sound;
// when there is none, c - kSilenceReach - 1, or 0 near the start.
int64_t ConversionPlanner::lastSoundingAtOrBefore(int64_t c) {
  int64_t e = c;
  for (;;) {
    if (e <= 0) break;
    if (loudness(e) > 0) {
      said.push_back(textOf(msg::kTailCut, static_cast<int>(c - e)));
      break;
    }
    --e;
    if (e < c - kSilenceReach) break;
  }
  return e;
}

// The last frame worth keeping: the highest frame from 2 up with sound
// whose subId[3], and that of the two frames before it, is 0.
int64_t ConversionPlanner::endOfImage() {
  if (n - 1 < 2) return n - 1;
  for (int64_t f = n - 1; f >= 2; --f) {
    if (view.frameAt(f).subId[3] != 0) continue;
    if (view.frameAt(f - 1).subId[3] != 0) continue;
    if (view.frameAt(f - 2).subId[3] != 0) continue;
    if (loudness(f) > 0) {
      said.push_back(textOf(msg::kTailCut, static_cast<int>(n - 1 - f)));
      return f;
    }
  }
  return 1;
}

bool ConversionPlanner::longPlayAt(int64_t k) const {
  const dat::DatFrame& f = view.frameAt(k);
  return dat::longPlayCodes(dat::samplingCode(f), dat::quantizationCode(f));
}

// Plans frames segStart .. last; `cut` and `trim` frames after them are
// left out before the next program and at the end of the image (`final`).
void ConversionPlanner::closeSegment(int64_t last, int64_t cut, int64_t trim, bool final) {
  SegmentPlan s;
  FilePlan& f = s.file;
  FileRecord& r = f.record;
  dat::RateInfo info = dat::rateInfo(segRate);
  r.name = names.take(segProgram, info.namePart);
  r.rate = info.rate;
  r.first = f.first = segStart;
  f.last = last;
  r.cutFrames = cut;
  r.trimFrames = trim;
  int quantization = segStart <= last ? dat::quantizationCode(view.frameAt(segStart)) : 0;
  bool longPlay = dat::longPlayCodes(segRate, quantization);
  f.bytesPerFrame = convertedBytes(segRate, quantization, options.convert32k, options.longPlay);
  if (f.bytesPerFrame == 0) {
    // Named as 12-bit long play whatever its rate code says.
    bool twelveBit = quantization == 1;
    r.outcome = twelveBit ? FileRecord::LongPlay : FileRecord::Placeholder;
    if (twelveBit && options.convert32k) said.push_back(textOf(msg::kLongPlay, r.name.c_str()));
  } else if (longPlay && !longPlayLayout(view, &f, &said)) {
    f.bytesPerFrame = 0;
  }
  // A long-play segment's frames last longer: its step is its own ATIME's.
  if (options.longPlay && longPlay && segStart <= last)
    r.atimePerFrame = tapetime::positionsPerFrame(time.track, segStart, last);
  describe(&f, gapsOutside(last, final));
  s.said = std::move(said);
  said.clear();
  if (options.deEmphasis && r.emphasisOn > 0 && f.bytesPerFrame > 0) {
    s.hasCopy = true;
    s.copy = accessCopy(Context{view, time, options, date, segProgram}, f);
  }
  ready.push_back(std::move(s));
}

// The gaps that no file holds, told with the file they lie beside: those
// after every earlier file's frames and up to segStart lie before this one
// (frames segStart .. last); at the end of the image (`final`), those after
// it too. A header-only file in between holds none of them: they go to the
// next. Discontinuities between files are not told (a new recording often
// begins with a program), nor, with --long-play, the steps beside a
// long-play frame (the tape's time runs at another speed there: a long-play
// segment's gaps are its own).
std::vector<FileBreak> ConversionPlanner::gapsOutside(int64_t last, bool final) {
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

// The file's description (describeFrames). A segment too long for one WAV
// file ends with its last frame that fits, before the silence of a gap that
// does not: the file, its log and its marks tell nothing beyond it, and its
// MD5 is of the audio it holds.
void ConversionPlanner::describe(FilePlan* f, const std::vector<FileBreak>& outside) {
  Context c{view, time, options, date, segProgram};
  int64_t frames = f->first <= f->last ? f->last - f->first + 1 : 0;
  FilePlan whole = *f;
  describeFrames(c, f, frames, outside);
  int64_t fit = framesThatFit(*f, frames);
  if (fit == frames) return;
  *f = whole;
  f->wav.framesLimit = describeFrames(c, f, fit, outside);
  f->record.framesCut = frames - fit;
  f->record.outcome = FileRecord::Cut;
}
