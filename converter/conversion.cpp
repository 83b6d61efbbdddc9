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
#include "earlier_files.h"
#include "file_marks.h"
#include "frame_view.h"
#include "interrupts.h"
#include "long_play.h"
#include "mapped_file.h"
#include "output_file.h"
#include "quality.h"
#include "sha256.h"
#include "side_thread.h"
#include "tape_time.h"
#include "wav_chunks.h"
#include "wav_writer.h"

namespace {

// Each way a conversion ends before its work is done, and what the console
// and the log say of it (pointers: the texts follow the language).
struct EarlyEnd {
  ImageChange change;  // None: the user interrupted it
  const char* const* console;
  const char* const* log;
  const char* code;  // the record's
};
const EarlyEnd kEarlyEnds[] = {
    {ImageChange::Shortened, &msg::kImageChanged.text, &msg::kConversionEndShortened.text,
     "image-shortened"},
    {ImageChange::ReadError, &msg::kImageReadError.text, &msg::kConversionEndReadError.text,
     "image-read-error"},
    {ImageChange::Rewritten, &msg::kImageRewritten.text, &msg::kConversionEndRewritten.text,
     "image-rewritten"},
    {ImageChange::None, &msg::kConversionInterrupted.text, &msg::kEndInterrupted.text,
     "interrupted"},
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

bool stopped() {
  return mappedImageChanged() || interruptRequested();
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

// The image frame that holds sample pair `sample` of the file `f` (a pair
// of its filled silence: the frame after the gap).
int64_t frameOfSample(const FilePlan& f, int64_t sample) {
  int64_t perFrame = std::max<int64_t>(f.bytesPerFrame / 4, 1), filled = 0;
  for (const Silence& s : f.wav.silence) {
    int64_t starts = (s.before - f.first + filled) * perFrame;
    if (sample < starts) break;
    if (sample < starts + s.frames * perFrame) return s.before;
    filled += s.frames;
  }
  return f.first + sample / perFrame - filled;
}

// How the bytes of the file `f` come from its frames, set up for its
// writing or measuring: the transform of the plan, the meter of its samples.
struct FileAudio {
  explicit FileAudio(FilePlan& f) : path{f.layout, nullptr, f.bytesPerFrame}, meter(f.record.rate) {
    if (f.deEmphasis) {
      filter.reset(new deemphasis::Filter(f.record.rate));
      path.filter = filter.get();
    }
    if (f.layout != nullptr || f.deEmphasis) f.wav.transform = {&AudioPath::apply, &path};
    f.wav.meter = &meter;
  }
  AudioPath path;
  std::unique_ptr<deemphasis::Filter> filter;
  quality::Meter meter;
};

// Carries out the planned files: each WAV file with its digests and
// figures, its label file with --keep-time and its access copy, and tells
// the log; with --check, measures each as its writing would and writes none.
class FileWriter {
 public:
  FileWriter(const uint8_t* image, const ConversionOptions& options, ConversionLog* log,
             const tapetime::Track& track)
      : image(image), options(options), log(log), track(track) {}

  void segment(SegmentPlan& s) {
    if (options.check) {
      measure(s.file);
      return;
    }
    bool kept = write(s.file);
    if (s.hasCopy && kept) write(s.copy);
  }
  bool ok = true;             // every file written whole
  std::vector<CoreRow> core;  // the files written with a "bext" chunk

 private:
  // Writes the file `f` plans, its label file, and tells in its record what
  // became of it. True when it was put in place.
  bool write(FilePlan& f) {
    FileRecord* r = &f.record;
    FileAudio audio(f);
    WavResult result;
    if (!writeWavRange(r->name.c_str(), image, f.first, f.last, r->rate, f.bytesPerFrame, &f.wav,
                       &result)) {
      ok = false;
    }
    bool kept = result.kind == WavResult::Written;
    if (!kept) {
      failed(r, result);
    } else {
      // Taken as the file was written; read back where it could not be.
      r->sha256 = result.sha256;
      errno = 0;
      if (r->sha256.empty() && !sha256File(r->name.c_str(), &r->sha256)) {
        r->sha256Error = errno;
        r->sha256.clear();
      }
      r->md5 = result.md5;
      measured(f, audio.meter);
      if (log != nullptr) log->putInPlace(r->name, r->sha256);
      if (options.bwf) core.push_back({r->name, r->rate, f.bext});
      if (options.keepTime && f.bytesPerFrame > 0 && r->derivedFrom.empty()) labels(*r, f);
    }
    if (log != nullptr) log->file(*r);
    return kept;
  }

  // --check: the file measured as its writing would, and told.
  void measure(FilePlan& f) {
    FileAudio audio(f);
    if (measureWav(image, f.first, f.last, f.bytesPerFrame, f.wav, &kConversionChecks)) {
      measured(f, audio.meter);
    }
    if (log != nullptr) log->file(f.record);
  }

  // The figures and events of the file `f`'s samples, into its record.
  void measured(FilePlan& f, quality::Meter& meter) {
    FileRecord& r = f.record;
    if (f.bytesPerFrame == 0) return;
    meter.finish();
    r.measured = true;
    r.channels[0] = meter.channel(0);
    r.channels[1] = meter.channel(1);
    for (const quality::Event& e : meter.events()) {
      FileRecord::Concealed c{e, false, {}};
      int64_t frame = frameOfSample(f, e.sample);
      int64_t key =
          frame < static_cast<int64_t>(track.keys.size()) ? track.keys[frame] : tapetime::kNoTime;
      if (key != tapetime::kNoTime) c.hasTime = true, c.time = tapetime::fromKey(key);
      r.events.push_back(c);
    }
  }

  // The label file beside the file `r` (--keep-time).
  void labels(const FileRecord& r, const FilePlan& f) {
    if (!writeLabels(r, f.bytesPerFrame / 4, tapetime::accuracy(track.cycle))) {
      ok = false;
    } else if (log != nullptr) {
      log->putInPlace(r.name.substr(0, r.name.size() - 4) + ".txt", "");
    }
  }

  static void failed(FileRecord* r, const WavResult& result) {
    r->outcome = FileRecord::Failed;
    bool stoppedHere = result.kind == WavResult::Stopped || result.kind == WavResult::NotKept;
    r->failure = !stoppedHere ? (result.kind == WavResult::CreateFailed ? FileRecord::CreateFailed
                                                                        : FileRecord::WriteFailed)
                 : interruptRequested() ? FileRecord::Interrupted
                                        : FileRecord::ImageChanged;
    r->error = result.error;
  }

  const uint8_t* image;
  const ConversionOptions& options;
  ConversionLog* log;
  const tapetime::Track& track;
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
  SideThread side;
  bool beside = levels != nullptr && side.start();
  if (beside) side.post([&] { peaks = framePeaks(image, frameCount, options.convert32k); });
  ConversionPlanner planner(image, frameCount, options, date);
  const tapetime::Track& track = planner.tapeTime().track;
  if (log != nullptr) log->image(frameCount, planner.tapeTime());
  FileWriter writer(image, options, log, track);
  SegmentPlan s;
  while (!stopped() && planner.next(&s)) {
    for (const std::string& text : s.said) printStdout("%s", text.c_str());
    writer.segment(s);
  }
  bool ok = writer.ok;
  const EarlyEnd* early = frameCount > 0 ? earlyEnd() : nullptr;
  if (early != nullptr) {
    printStderr("%s", *early->console);
    ok = false;
  }
  side.finish();
  if (levels != nullptr && !stopped()) {
    if (!beside) peaks = framePeaks(image, frameCount, options.convert32k);
    *levels = levelStrip(peaks, track);
  }
  // The files written, also by a conversion that ended early; an image
  // without a whole frame gives no file at all.
  if (options.bwf && !options.check && frameCount > 0) {
    std::string core = writeCoreDocument(writer.core);
    if (!core.empty() && log != nullptr) log->putInPlace(core, "");
  }
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

// What a run writes beside its files besides them, and the records beside
// the image that it read at its start.
struct Reports {
  ConversionLog log;
  page::PageFile page{convpage::kName};
  NeighbourRecords neighbours;
  std::vector<records::WrittenFile> earlier;  // the files of the run before
  void writePage(const Json& levels, bool say = true) {
    writeConversionPage(page, log, neighbours, levels, say);
  }
};

// The console's message and the log's line for an image that cannot be
// mapped; `step` names the step that failed for the record.
int noImage(Reports& r, const char* message, const char* step) {
  printStderr("%s", message);
  r.log.noImage(message, step);
  r.log.finish(1, msg::kConversionEndNoImage, "no-image");
  r.writePage(Json());
  return 1;
}

// The tape's identity: --tape's, else the one the image's record gives.
// False, with the refusal said, when they differ, or when --tape-names has
// no identity to name the files after.
bool resolveTape(const NeighbourRecords& beside, ConversionOptions* options) {
  std::optional<std::string> recorded = beside.tape();
  if (!options->tape.empty() && recorded && *recorded != options->tape) {
    printStderr(msg::kTapeIdDiffers, options->tape.c_str(), recorded->c_str(),
                beside.tapeRecord().c_str());
    return false;
  }
  if (options->tape.empty() && recorded) options->tape = *recorded;
  if (options->tapeNames && options->tape.empty()) {
    printStderr(msg::kTapeNamesWithoutId);
    return false;
  }
  return true;
}

// Begins the log and the record (and the page) of a run: the names that
// went elsewhere said, stale temporaries of killed runs swept.
void begin(Reports& r, const ConversionOptions& options) {
  errno = 0;
  if (!r.log.open(options)) {
    printStderr(msg::kConversionLogCreateFailed, std::strerror(errno));
  } else if (r.log.refusal() != 0) {
    printStderr(msg::kConversionLogElsewhere, std::strerror(r.log.refusal()), r.log.name().c_str());
  }
  // The temporary names of this program's output files: its WAV and label
  // files, its record, its page and the CORE document.
  std::string prefix = options.tapeNames ? options.tape + "_" : "#";
  auto ours = [&](const std::string& target) {
    auto endsWith = [&](const char* tail) {
      size_t n = std::strlen(tail);
      return target.size() > n && target.compare(target.size() - n, n, tail) == 0;
    };
    if (target == convlog::kRecordName || target == kCoreName || target == convpage::kName)
      return true;
    return target.compare(0, prefix.size(), prefix) == 0 && (endsWith(".wav") || endsWith(".txt"));
  };
  for (const std::string& name : removeStaleTemporaries(ours)) r.log.staleRemoved(name);
  r.log.writeUnfinished();
  r.writePage(Json(), false);
}

// The end of a run whose conversion gave `ok`: the exit status, the check's
// verdict, the log's and the record's end, the page.
int finish(Reports& r, const ConversionOptions& options, bool ok, const Json& levels) {
  int status = ok ? 0 : 1;
  const EarlyEnd* early = earlyEnd();
  if (early != nullptr && early->change == ImageChange::None) status = kInterruptedStatus;
  if (options.check && early == nullptr) {
    if (r.log.breaks() > 0) {
      printStdout(msg::kCheckFound, static_cast<long long>(r.log.breaks()));
      status = kBreaksFoundStatus;
    } else {
      printStdout(msg::kCheckClean);
    }
  }
  settleEarlierFiles(r.earlier, !options.check && early == nullptr, r.log);
  r.log.finish(status, early != nullptr ? *early->log : nullptr,
               early != nullptr ? early->code : "done");
  r.writePage(levels);
  return status;
}

}  // namespace

int runSelthix(const ConversionOptions& given) {
  prepareConsole();
  printStdout(msg::kSelthixBanner);
  InterruptGuard interrupts;
  if (!interrupts.installed()) printStderr(msg::kConversionNotInterruptible);
  ConversionOptions options = given;
  Reports r;
  r.neighbours = neighbourRecords(dat::kImageName, imageFrames(dat::kImageName));
  if (!resolveTape(r.neighbours, &options)) return kRefusedStatus;
  r.earlier = earlierFiles();
  begin(r, options);
  enlargeWorkingSet();
  MappedFile image;
  switch (image.map(dat::kImageName)) {
    case MappedFile::Failure::None:
      break;
    case MappedFile::Failure::Open:
      return noImage(r, msg::kCreateFileFailed, "open");
    case MappedFile::Failure::Size:
      return noImage(r, msg::kGetFileSizeFailed, "size");
    case MappedFile::Failure::Mapping:
      return noImage(r, msg::kCreateFileMappingFailed, "mapping");
    case MappedFile::Failure::View:
      return noImage(r, msg::kMapViewOfFileFailed, "view");
  }
  int64_t n = static_cast<int64_t>(image.size() / dat::kFrameSize);
  Json levels;
  bool ok = convertFrames(image.data(), n, options, &r.log, imageDate(), &levels);
  return finish(r, options, ok, levels);
}
