#include "conversion_log.h"

#include <cerrno>
#include <cstring>

#include "console.h"
#include "conversion.h"
#include "converter_messages.h"
#include "dat_frame.h"
#include "long_play.h"
#include "wall_time.h"

namespace {

long long ll(int64_t v) {
  return static_cast<long long>(v);
}

std::string seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

double duration(const FileRecord& r) {
  return r.rate ? double(r.samplePairs) / r.rate : 0;
}

// The record's names of a file's states (what a conversion gives), by
// FileRecord::Outcome, and of its failures, by FileRecord::Failure.
const char* const kStateCodes[] = {"complete",
                                   "failed",
                                   "placeholder-32k",
                                   "long-play",
                                   "long-play-layout-unknown",
                                   "long-play-four-channels",
                                   "cut-4gib"};
const char* const kFailureCodes[] = {"none", "create-failed", "write-failed", "interrupted",
                                     "image-changed"};

// The log's word for a state that has one line of its own.
const char* stateWord(FileRecord::Outcome o) {
  return o == FileRecord::Placeholder       ? msg::kConversionLogPlaceholder
         : o == FileRecord::LongPlay        ? msg::kConversionLogLongPlay
         : o == FileRecord::LongPlayUnknown ? msg::kConversionLogLongPlayUnknown
         : o == FileRecord::FourChannels    ? msg::kConversionLogFourChannels
                                            : msg::kConversionLogComplete;
}

// The log's word for where a gap lies and how it was kept.
const char* placeText(const FileBreak& b) {
  return b.place == FileBreak::Before  ? msg::kConversionLogBeforeFile
         : b.place == FileBreak::After ? msg::kConversionLogAfterFile
         : b.filled                    ? msg::kConversionLogFilled
                                       : msg::kConversionLogJoined;
}

const char* const kPlaceCodes[] = {"inside", "before-file", "after-file"};

// A figure as the log writes it, or "none".
std::string figure(const std::optional<double>& v, const char* format) {
  if (!v) return msg::kLogNone.c_str();
  char text[32];
  std::snprintf(text, sizeof text, format, *v);
  return text;
}

std::string failureText(const FileRecord& r) {
  if (r.failure == FileRecord::Interrupted) return msg::kEndInterrupted.c_str();
  if (r.failure == FileRecord::ImageChanged) return msg::kConversionReasonImageChanged.c_str();
  return std::strerror(r.error);
}

}  // namespace

const char* convlog::eventCode(quality::Event::Kind k) {
  static const char* const codes[] = {"clip", "hold", "mute", "interpolation"};
  return codes[k];
}

const char* convlog::eventWord(quality::Event::Kind k) {
  return k == quality::Event::Clip   ? msg::kConcealedClip.c_str()
         : k == quality::Event::Hold ? msg::kConcealedHold.c_str()
         : k == quality::Event::Mute ? msg::kConcealedMute.c_str()
                                     : msg::kConcealedInterpolation.c_str();
}

ConversionLog::ConversionLog() : record(convlog::kRecordName, convlog::kSchema) {}

bool ConversionLog::open(const ConversionOptions& options) {
  check = options.check;
  doc.version = DAT_VERSION;
  doc.check = check;
  doc.options = {options.keepTime, options.bwf, options.convert32k, options.longPlay,
                 options.deEmphasis};
  doc.started = isoTime(systemClock());
  if (!options.tape.empty()) doc.tape = options.tape;
  if (!out.open(convlog::kName)) return false;
  doc.log = out.name();
  out.line(msg::kConversionLogProgram, DAT_VERSION);
  out.line(msg::kConversionLogOptions, options.text.empty() ? msg::kLogNone : options.text.c_str());
  if (!options.tape.empty()) out.line(msg::kLogTape, options.tape.c_str());
  if (check) out.line(msg::kConversionLogCheck);
  return true;
}

void ConversionLog::noImage(const char* message, const char* step) {
  records::ConversionImage image;
  image.name = dat::kImageName;
  image.failure = step;
  doc.image = image;
  std::string text = message;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  out.line(msg::kConversionLogNoImage, text.c_str());
}

void ConversionLog::image(int64_t frames, const tapetime::Analysis& time) {
  const tapetime::Track& t = time.track;
  cycle = t.cycle;
  bool timed = t.framesWithTime > 0;
  records::ConversionImage image;
  image.name = dat::kImageName;
  image.frames = frames;
  image.framesWithAtime = t.framesWithTime;
  image.badAtimePacks = t.badPacks;
  if (timed) {
    image.cycle = records::cycle(t.cycle);
    image.gapAccuracyFrames = tapetime::accuracy(t.cycle);
  }
  doc.image = image;
  out.line(msg::kConversionLogImage, ll(frames));
  if (t.badPacks > 0) out.line(msg::kConversionLogBadPacks, ll(t.badPacks));
  if (!timed) {
    out.line(msg::kConversionLogNoAtime);
    return;
  }
  out.line(msg::kConversionLogAtime, ll(frames), ll(t.framesWithTime));
  if (t.cycle.source == tapetime::Cycle::Tape) {
    if (t.cycle.phase != tapetime::Cycle().phase)
      out.line(msg::kConversionLogCycle, t.cycle.phase, t.cycle.phase + 3, t.cycle.phase + 6);
    out.line(msg::kConversionLogExact);
    return;
  }
  if (t.cycle.source == tapetime::Cycle::Mixed) {
    out.line(msg::kConversionLogMixedCycle, t.cycle.phase, t.cycle.phase + 3, t.cycle.phase + 6);
  }
  out.line(msg::kConversionLogAccuracy, tapetime::accuracy(t.cycle));
}

void ConversionLog::file(const FileRecord& r) {
  ++files;
  if (r.outcome == FileRecord::Failed) {
    ++failed;
  } else {
    if (!check) ++written;
    if (r.outcome == FileRecord::Cut) ++cut;
  }
  for (const FileBreak& b : r.breaks) {
    if (b.where.kind == tapetime::Break::Jump) {
      ++jumps;
    } else {
      ++gaps;
      missing += b.where.missing;
    }
  }
  for (const FileRecord::Concealed& e : r.events) ++concealed[e.event.kind];
  doc.files.push_back(fileRecord(r));
  if (out.isOpen()) fileText(r);
}

void ConversionLog::fileText(const FileRecord& r) {
  out.line(msg::kConversionLogFile, r.name.c_str());
  out.line(msg::kConversionLogRate, r.rate);
  if (r.frames > 0) {
    out.line(msg::kConversionLogFrames, ll(r.frames), ll(r.first), ll(r.first + r.frames - 1));
  } else {
    out.line(msg::kConversionLogNoFrames);
  }
  out.line(msg::kConversionLogSamples, ll(r.samplePairs));
  out.line(msg::kConversionLogLength, seconds(duration(r)).c_str());
  out.line(msg::kLogFirstAtime, r.hasTime ? tapetime::text(r.firstTime).c_str() : msg::kLogNone);
  out.line(msg::kLogLastAtime, r.hasTime ? tapetime::text(r.lastTime).c_str() : msg::kLogNone);
  if (!r.derivedFrom.empty()) out.line(msg::kConversionLogDerived, r.derivedFrom.c_str());
  if (!r.layout.empty()) out.line(msg::kConversionLogLayout, r.layout.c_str(), r.layoutMargin);
  if (r.atimePerFrame > 0) out.line(msg::kConversionLogLongPlayTime, r.atimePerFrame);
  if (!r.layoutScores.empty()) {
    out.line(msg::kConversionLogLayoutScores, longplay::scoresText(r.layoutScores).c_str());
  }
  if (r.emphasisOn == 0) {
    out.line(msg::kConversionLogNoEmphasis);
  } else if (r.emphasisOther == 0) {
    out.line(msg::kConversionLogEmphasis);
  } else {
    out.line(msg::kConversionLogMixedEmphasis, ll(r.emphasisOn), ll(r.emphasisOther));
  }
  for (const FileBreak& b : r.breaks) {
    std::string before = tapetime::text(b.where.timeBefore);
    std::string after = tapetime::text(b.where.timeAfter);
    if (b.where.kind == tapetime::Break::Jump) {
      out.line(msg::kConversionLogJump, ll(b.sample), before.c_str(), after.c_str());
      continue;
    }
    out.line(msg::kConversionLogGap, ll(b.sample), before.c_str(), after.c_str(),
             ll(b.where.missing), seconds(tapetime::seconds(b.where.missing)).c_str(),
             placeText(b));
  }
  if (r.measured) qualityText(r);
  stateText(r);
}

void ConversionLog::qualityText(const FileRecord& r) {
  const quality::Channel* c = r.channels;
  out.line(msg::kConversionLogLevels, figure(c[0].peakDb, "%.2f").c_str(),
           figure(c[1].peakDb, "%.2f").c_str(), figure(c[0].rmsDb, "%.2f").c_str(),
           figure(c[1].rmsDb, "%.2f").c_str(), figure(c[0].dcOffset, "%.6f").c_str(),
           figure(c[1].dcOffset, "%.6f").c_str());
  for (const FileRecord::Concealed& e : r.events) {
    const char* channel = e.event.channel == 0   ? msg::kChannelLeft.c_str()
                          : e.event.channel == 1 ? msg::kChannelRight.c_str()
                                                 : msg::kChannelBoth.c_str();
    out.line(msg::kConversionLogConcealed, convlog::eventWord(e.event.kind), ll(e.event.sample),
             ll(e.event.length), channel,
             e.hasTime ? tapetime::text(e.time).c_str() : msg::kLogNone.c_str());
  }
}

void ConversionLog::stateText(const FileRecord& r) {
  if (r.cutFrames > 0) out.line(msg::kConversionLogCutFrames, ll(r.cutFrames));
  if (r.trimFrames > 0) out.line(msg::kConversionLogTrimFrames, ll(r.trimFrames));
  if (r.outcome == FileRecord::Failed) {
    out.line(msg::kConversionLogFailed, failureText(r).c_str());
    return;
  }
  if (check) {
    if (r.outcome == FileRecord::Cut) {
      out.line(msg::kConversionLogCheckedCut, ll(r.framesCut));
    } else {
      out.line(msg::kConversionLogChecked, stateWord(r.outcome));
    }
    return;
  }
  out.line("SHA-256: %s  %s", r.sha256.empty() ? std::strerror(r.sha256Error) : r.sha256.c_str(),
           r.name.c_str());
  if (!r.md5.empty()) out.line(msg::kConversionLogMd5, r.md5.c_str());
  if (r.outcome == FileRecord::Cut) {
    out.line(msg::kConversionLogCut, ll(r.framesCut));
    return;
  }
  out.line(msg::kConversionLogState, stateWord(r.outcome));
}

records::Atime ConversionLog::atime(const tapetime::Time& t) const {
  return records::atime(t, cycle);
}

void ConversionLog::breaksRecord(const FileRecord& r, records::ConversionFile* f) const {
  for (const FileBreak& b : r.breaks) {
    records::Atime before = atime(b.where.timeBefore), after = atime(b.where.timeAfter);
    if (b.where.kind == tapetime::Break::Jump) {
      f->discontinuities.push_back({b.sample, b.where.before, before, after});
      continue;
    }
    f->gaps.push_back({b.sample, b.where.before, before, after, b.where.missing,
                       tapetime::seconds(b.where.missing), b.filled, kPlaceCodes[b.place]});
  }
}

records::ConversionFile ConversionLog::fileRecord(const FileRecord& r) const {
  records::ConversionFile f;
  bool failedFile = r.outcome == FileRecord::Failed;
  bool inPlace = !failedFile && !check;
  f.name = r.name;
  f.rate = r.rate;
  f.frames = r.frames;
  if (r.frames > 0) f.firstFrame = r.first, f.lastFrame = r.first + r.frames - 1;
  f.samplePairs = r.samplePairs;
  f.duration = duration(r);
  if (r.hasTime) f.firstAtime = atime(r.firstTime), f.lastAtime = atime(r.lastTime);
  f.emphasisOn = r.emphasisOn;
  f.emphasisOff = r.emphasisOther;
  breaksRecord(r, &f);
  f.cutFrames = r.cutFrames;
  f.trimFrames = r.trimFrames;
  f.framesPast4GiB = r.framesCut;
  if (inPlace && !r.sha256.empty()) f.sha256 = r.sha256;
  if (inPlace && r.sha256.empty()) f.sha256Errno = r.sha256Error;
  if (inPlace && !r.md5.empty()) f.md5 = r.md5;
  if (!r.layout.empty() || !r.layoutScores.empty()) {
    f.longPlay = records::LongPlay{std::nullopt, r.layoutMargin, r.layoutScores, r.atimePerFrame};
    if (!r.layout.empty()) f.longPlay->layout = r.layout;
  }
  if (!r.derivedFrom.empty()) f.derivedFrom = r.derivedFrom;
  f.state = check && !failedFile ? "not-written" : kStateCodes[r.outcome];
  if (check && !failedFile) f.stateIfConverted = kStateCodes[r.outcome];
  if (failedFile) {
    bool system = r.failure == FileRecord::CreateFailed || r.failure == FileRecord::WriteFailed;
    f.failure = records::Failure{kFailureCodes[r.failure], std::nullopt};
    if (system) f.failure->error = r.error;
  }
  for (int c = 0; c < 2; ++c) {
    f.qc.peakDb[c] = r.channels[c].peakDb;
    f.qc.rmsDb[c] = r.channels[c].rmsDb;
    f.qc.dcOffset[c] = r.channels[c].dcOffset;
  }
  for (const FileRecord::Concealed& e : r.events) {
    records::QcEvent q{convlog::eventCode(e.event.kind), e.event.sample, e.event.length,
                       std::nullopt, std::nullopt};
    if (e.event.channel >= 0) q.channel = e.event.channel;
    if (e.hasTime) q.atime = atime(e.time);
    f.qc.events.push_back(q);
  }
  return f;
}

void ConversionLog::putInPlace(const std::string& name, const std::string& sha256) {
  FileStamp stamp;
  if (!stampOf(name.c_str(), &stamp)) return;
  records::WrittenFile f{name, stamp.size, stamp.modified, std::nullopt};
  if (!sha256.empty()) f.sha256 = sha256;
  doc.written.push_back(f);
}

void ConversionLog::earlierRemoved(const std::string& name) {
  doc.earlier.removed.push_back(name);
  out.line(msg::kConversionLogEarlierRemoved, name.c_str());
}

void ConversionLog::earlierStale(const std::string& name) {
  doc.earlier.stale.push_back(name);
  out.line(msg::kConversionLogEarlierStale, name.c_str());
}

void ConversionLog::writeUnfinished() {
  doc.ending = "unfinished";
  record.doc() = doc;
  record.write();
}

void ConversionLog::staleRemoved(const std::string& name) {
  doc.staleTemporariesRemoved.push_back(pathJson(name));
  out.line(msg::kConversionLogStaleRemoved, shownName(name.c_str()).c_str());
}

void ConversionLog::finish(int exitStatus, const char* ending, const char* endingCode) {
  doc.ended = isoTime(systemClock());
  doc.totals = records::ConversionTotals{files,        written,      failed,      cut,
                                         gaps,         missing,      jumps,       concealed[0],
                                         concealed[1], concealed[2], concealed[3]};
  doc.exitStatus = exitStatus;
  doc.ending = endingCode;
  record.doc() = doc;
  const char* said = ending != nullptr ? ending
                     : check           ? msg::kConversionEndChecked
                     : failed > 0      ? msg::kConversionEndSomeFailed
                     : cut > 0         ? msg::kConversionEndSomeCut
                                       : msg::kConversionEndAllWritten;
  summaryLine = textOf(msg::kConversionLogSummary, said, ll(files - failed), ll(gaps), ll(missing),
                       ll(jumps));
  totalLines = {textOf(msg::kConversionLogWritten, ll(written))};
  if (check) totalLines.push_back(textOf(msg::kConversionLogWouldWrite, ll(files - failed)));
  totalLines.push_back(textOf(msg::kConversionLogFailedFiles, ll(failed)));
  if (cut > 0) totalLines.push_back(textOf(msg::kConversionLogCutFiles, ll(cut)));
  totalLines.push_back(textOf(msg::kConversionLogGaps, ll(gaps), ll(missing)));
  totalLines.push_back(textOf(msg::kConversionLogJumps, ll(jumps)));
  totalLines.push_back(textOf(msg::kConversionLogConcealedTotals, ll(concealed[1]),
                              ll(concealed[2]), ll(concealed[3]), ll(concealed[0])));
  totalLines.push_back(textOf(msg::kLogExitStatus, exitStatus));
  if (out.isOpen()) {
    for (const std::string& line : totalLines) out.line("%s", line.c_str());
    out.line("%s", summaryLine.c_str());
    out.close();
  }
  errno = 0;
  if (!record.write()) {
    printStderr(msg::kConversionRecordWriteFailed, convlog::kRecordName,
                std::strerror(errno != 0 ? errno : EIO));
  } else if (record.refusal() != 0) {
    printStderr(msg::kConversionRecordElsewhere, std::strerror(record.refusal()),
                record.name().c_str());
  }
}
