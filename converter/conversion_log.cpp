#include "conversion_log.h"

#include "console.h"
#include "converter_messages.h"

namespace {

long long ll(int64_t v) {
  return static_cast<long long>(v);
}

std::string seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

}  // namespace

bool ConversionLog::open(const std::string& options) {
  if (!out.open(convlog::kName)) return false;
  out.line(msg::kConversionLogProgram, DAT_VERSION);
  out.line(msg::kConversionLogOptions, options.empty() ? msg::kLogNone : options.c_str());
  return true;
}

void ConversionLog::noImage(const char* message) {
  std::string text = message;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  out.line(msg::kConversionLogNoImage, text.c_str());
}

void ConversionLog::image(int64_t frames, const tapetime::Analysis& time) {
  out.line(msg::kConversionLogImage, ll(frames));
  const tapetime::Track& t = time.track;
  if (t.badPacks > 0) out.line(msg::kConversionLogBadPacks, ll(t.badPacks));
  if (t.framesWithTime == 0) {
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
  if (!out.isOpen()) return;
  out.line(msg::kConversionLogFile, r.name.c_str());
  out.line(msg::kConversionLogRate, r.rate);
  if (r.frames > 0) {
    out.line(msg::kConversionLogFrames, ll(r.frames), ll(r.first), ll(r.first + r.frames - 1));
  } else {
    out.line(msg::kConversionLogNoFrames);
  }
  out.line(msg::kConversionLogSamples, ll(r.samplePairs));
  out.line(msg::kConversionLogLength, seconds(r.rate ? double(r.samplePairs) / r.rate : 0).c_str());
  out.line(msg::kLogFirstAtime, r.hasTime ? tapetime::text(r.firstTime).c_str() : msg::kLogNone);
  out.line(msg::kLogLastAtime, r.hasTime ? tapetime::text(r.lastTime).c_str() : msg::kLogNone);
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
      ++jumps;
      out.line(msg::kConversionLogJump, ll(b.sample), before.c_str(), after.c_str());
      continue;
    }
    ++gaps;
    missing += b.where.missing;
    double duration = tapetime::seconds(b.where.missing);
    out.line(msg::kConversionLogGap, ll(b.sample), before.c_str(), after.c_str(),
             ll(b.where.missing), seconds(duration).c_str(),
             b.filled ? msg::kConversionLogFilled : msg::kConversionLogJoined);
  }
  if (r.cutFrames > 0) out.line(msg::kConversionLogCutFrames, ll(r.cutFrames));
  if (r.trimFrames > 0) out.line(msg::kConversionLogTrimFrames, ll(r.trimFrames));
  if (r.outcome == FileRecord::Failed) {
    ++failed;
    out.line(msg::kConversionLogFailed, r.reason.c_str());
    return;
  }
  ++written;
  out.line("SHA-256: %s  %s", r.sha256.c_str(), r.name.c_str());
  if (!r.md5.empty()) out.line(msg::kConversionLogMd5, r.md5.c_str());
  if (r.outcome == FileRecord::Cut) {
    ++cut;
    out.line(msg::kConversionLogCut, ll(r.framesCut));
    return;
  }
  out.line(msg::kConversionLogState,
           r.outcome == FileRecord::Placeholder ? msg::kConversionLogPlaceholder
           : r.outcome == FileRecord::LongPlay  ? msg::kConversionLogLongPlay
                                                : msg::kConversionLogComplete);
}

void ConversionLog::staleRemoved(const std::string& name) {
  out.line(msg::kConversionLogStaleRemoved, escapeControls(name.c_str()).c_str());
}

void ConversionLog::finish(int exitStatus, const char* ending) {
  if (!out.isOpen()) return;
  out.line(msg::kConversionLogWritten, ll(written));
  out.line(msg::kConversionLogFailedFiles, ll(failed));
  if (cut > 0) out.line(msg::kConversionLogCutFiles, ll(cut));
  out.line(msg::kConversionLogGaps, ll(gaps), ll(missing));
  out.line(msg::kConversionLogJumps, ll(jumps));
  out.line(msg::kLogExitStatus, exitStatus);
  const char* said = ending != nullptr ? ending
                     : failed > 0      ? msg::kConversionEndSomeFailed
                     : cut > 0         ? msg::kConversionEndSomeCut
                                       : msg::kConversionEndAllWritten;
  out.line(msg::kConversionLogSummary, said, ll(written), ll(gaps), ll(missing), ll(jumps));
  out.close();
}
