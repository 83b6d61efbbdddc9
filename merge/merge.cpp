#include "merge.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "dat_frame.h"
#include "log_file.h"
#include "merge_messages.h"
#include "output_file.h"
#include "tape_time.h"

namespace {

constexpr char kLogName[] = "KOVRANT-MERGE.LOG";
constexpr int64_t kUnplaced = -1;
constexpr size_t kStreamBuffer = 1 << 20;

// The report: each line on the console (code page 932) and in the log (UTF-8).
class Report {
 public:
  void open() {
    errno = 0;
    if (!log.open(kLogName)) {
      printStderr(msg::kMergeLogFailed, std::strerror(errno));
    } else if (log.refusal() != 0) {
      printStderr(msg::kMergeLogElsewhere, std::strerror(log.refusal()), log.name().c_str());
    }
  }
  void say(bool error, const char* console, const char* utf8, ...) {
    va_list args, again;
    va_start(args, utf8);
    va_copy(again, args);
    char text[1024];
    std::vsnprintf(text, sizeof text, console, args);
    if (error) {
      printStderr("%s\n", text);
    } else {
      printStdout("%s\n", text);
    }
    std::vsnprintf(text, sizeof text, utf8, again);
    log.line("%s", text);
    va_end(again);
    va_end(args);
  }

 private:
  LogFile log;
};

#define SAY(report, name, ...) (report).say(false, msg::name, msg::name##Utf8, __VA_ARGS__)
#define REFUSE(report, name, ...) (report).say(true, msg::name, msg::name##Utf8, __VA_ARGS__)

// One input, read from start to end (twice: to place its frames, then to
// merge them), a frame at a time: its frames and where each lies on the
// tape (its key, see tapetime::key; kUnplaced for a frame without ATIME
// whose place cannot be told from its neighbours).
struct Pass {
  std::string name;
  FILE* file = nullptr;
  int64_t frames = 0;
  std::vector<int64_t> keys;
  int64_t firstKey = 0, lastKey = 0;  // of its placed frames
  uint8_t buffer[dat::kFrameSize];
  int64_t loaded = -1;                                      // the frame in buffer
  std::unique_ptr<char[]> stream{new char[kStreamBuffer]};  // few, large reads

  ~Pass() {
    if (file != nullptr) std::fclose(file);
  }
  // Frame i, read on from the last one asked for (i never goes back until
  // restart()); null when it cannot be read.
  const uint8_t* frame(int64_t i) {
    while (loaded < i) {
      if (std::fread(buffer, dat::kFrameSize, 1, file) != 1) return nullptr;
      ++loaded;
    }
    return buffer;
  }
  bool restart() {
    loaded = -1;
    return std::fseek(file, 0, SEEK_SET) == 0;
  }
};

std::string timeText(int64_t key) {
  return tapetime::text(tapetime::fromKey(key));
}

// Places the frames of `p` on the tape. A frame without ATIME takes its
// place from the nearest frame before it that has one (from the first one
// after it at the start), as long as that keeps it before the next frame
// with ATIME. False, with the message said, when the pass has no ATIME or
// its time goes backwards.
bool place(Pass& p, Report& report) {
  std::vector<int64_t> timed;  // the frames with ATIME, in order
  std::vector<tapetime::Time> times;
  for (int64_t i = 0; p.frame(i) != nullptr; ++i) {
    p.keys.push_back(kUnplaced);
    tapetime::Time t;
    if (!tapetime::frameTime(dat::frameAt(p.buffer), &t)) continue;
    p.keys[i] = tapetime::key(t);
    if (!timed.empty() && p.keys[i] <= p.keys[timed.back()]) {
      REFUSE(report, kMergeBackwards, p.name.c_str(), tapetime::text(times.back()).c_str(),
             tapetime::text(t).c_str());
      return false;
    }
    timed.push_back(i);
    times.push_back(t);
  }
  p.frames = static_cast<int64_t>(p.keys.size());
  if (std::ferror(p.file) != 0 || !p.restart()) {
    REFUSE(report, kMergeUnreadable, p.name.c_str(), std::strerror(errno != 0 ? errno : EIO));
    return false;
  }
  if (p.frames == 0) {
    REFUSE(report, kMergeEmpty, p.name.c_str());
    return false;
  }
  if (timed.empty()) {
    REFUSE(report, kMergeNoTime, p.name.c_str());
    return false;
  }
  size_t next = 0;  // the first frame with ATIME after i
  for (int64_t i = 0; i < p.frames; ++i) {
    if (next < timed.size() && timed[next] == i) {
      ++next;
      continue;
    }
    int64_t from = next == 0 ? timed[0] : timed[next - 1];
    int64_t position = tapetime::position(times[next == 0 ? 0 : next - 1]) + (i - from);
    if (position < 0) continue;
    int64_t k = tapetime::key(tapetime::timeAt(position));
    bool beforeNext = next == timed.size() || k < p.keys[timed[next]];
    bool afterPrevious = next == 0 || k > p.keys[timed[next - 1]];
    if (beforeNext && afterPrevious) p.keys[i] = k;
  }
  p.firstKey = p.keys[timed.front()];
  p.lastKey = p.keys[timed.back()];
  for (int64_t k : p.keys) {
    if (k == kUnplaced) continue;
    p.firstKey = std::min(p.firstKey, k);
    p.lastKey = std::max(p.lastKey, k);
  }
  return true;
}

// The numbers (1-based) of the inputs in `mask`, as "2,3", or "-".
std::string inputList(uint64_t mask) {
  std::string out;
  for (int k = 0; k < 64; ++k) {
    if ((mask >> k & 1) == 0) continue;
    if (!out.empty()) out += ',';
    out += std::to_string(k + 1);
  }
  return out.empty() ? "-" : out;
}

class Merge {
 public:
  Merge(std::vector<std::unique_ptr<Pass>>& passes, Report& report, FILE* out)
      : passes(passes), report(report), out(out) {}

  // Writes the merged frames in tape order; false when an input cannot be
  // read or the result cannot be written.
  bool run() {
    std::vector<int64_t> at(passes.size(), 0);
    Pass& base = *passes[0];
    for (;;) {
      // The base's frames that cannot be placed go out in their order.
      while (at[0] < base.frames && base.keys[at[0]] == kUnplaced) {
        if (!emit(base, at[0])) return false;
        ++fromBase;
        ++at[0];
      }
      for (size_t k = 1; k < passes.size(); ++k) {
        while (at[k] < passes[k]->frames && passes[k]->keys[at[k]] == kUnplaced) ++at[k];
      }
      int64_t next = INT64_MAX;
      for (size_t k = 0; k < passes.size(); ++k) {
        if (at[k] < passes[k]->frames) next = std::min(next, passes[k]->keys[at[k]]);
      }
      if (next == INT64_MAX) break;
      // The frame of the first input that has this place; the others that
      // have it too are compared with it.
      const uint8_t* chosen = nullptr;
      size_t chosenFrom = 0;
      for (size_t k = 0; k < passes.size(); ++k) {
        if (at[k] >= passes[k]->frames || passes[k]->keys[at[k]] != next) continue;
        const uint8_t* f = passes[k]->frame(at[k]);
        ++at[k];
        if (f == nullptr) return unreadable(*passes[k]);
        if (chosen == nullptr) {
          chosen = f;
          chosenFrom = k;
        } else if (std::memcmp(chosen, f, dat::kFrameSize) != 0) {
          ++disagreements;
          SAY(report, kMergeDisagree, timeText(next).c_str(), static_cast<int>(chosenFrom + 1),
              static_cast<int>(k + 1));
        }
      }
      if (!emit(*passes[chosenFrom], at[chosenFrom] - 1)) return false;
      taken(next, chosenFrom);
    }
    closeGap(-1);
    if (before > 0) SAY(report, kMergeBefore, ll(before), inputList(beforeFrom).c_str());
    if (after > 0) SAY(report, kMergeAfter, ll(after), inputList(afterFrom).c_str());
    return true;
  }

  int64_t written = 0, fromBase = 0, filled = 0, before = 0, after = 0;
  int64_t gaps = 0, gapsFilled = 0, stillMissing = 0, disagreements = 0;
  bool readFailed = false;
  int writeError = 0;

 private:
  static long long ll(int64_t v) { return static_cast<long long>(v); }

  // Writes frame i of p to the result.
  bool emit(Pass& p, int64_t i) {
    const uint8_t* frame = p.frame(i);
    if (frame == nullptr) return unreadable(p);
    errno = 0;
    if (std::fwrite(frame, dat::kFrameSize, 1, out) != 1) {
      writeError = errno != 0 ? errno : EIO;
      return false;
    }
    ++written;
    return true;
  }

  // An input that became shorter or unreadable since it was placed.
  bool unreadable(const Pass& p) {
    REFUSE(report, kMergeUnreadable, p.name.c_str(),
           std::strerror(std::ferror(p.file) != 0 && errno != 0 ? errno : EIO));
    readFailed = true;
    return false;
  }

  // A frame at `key` from input `from` was written: keeps the account of
  // the base's gaps and of what came before and after it.
  void taken(int64_t key, size_t from) {
    const Pass& base = *passes[0];
    // The report names inputs 1-64 by number; more are counted all the same.
    uint64_t bit = from < 64 ? uint64_t{1} << from : 0;
    if (from == 0) {
      ++fromBase;
      closeGap(key);
      lastBaseKey = key;
      return;
    }
    if (key < base.firstKey) {
      ++before;
      beforeFrom |= bit;
    } else if (key > base.lastKey) {
      ++after;
      afterFrom |= bit;
    } else {
      ++filled;
      ++gapFilled;
      gapFrom |= bit;
    }
  }

  // The base's frame at `key` (or the end, -1) follows the one at
  // lastBaseKey: where they do not run on, the stretch between was a gap.
  void closeGap(int64_t key) {
    if (key >= 0 && lastBaseKey >= 0) {
      tapetime::Time a = tapetime::fromKey(lastBaseKey), b = tapetime::fromKey(key);
      if (!tapetime::runsOn(a, b)) {
        int64_t missing = tapetime::position(b) - tapetime::position(a) - 1;
        if (missing < 1) missing = 1;
        int64_t left = missing > gapFilled ? missing - gapFilled : 0;
        ++gaps;
        if (left == 0) ++gapsFilled;
        stillMissing += left;
        SAY(report, kMergeGap, tapetime::text(a).c_str(), tapetime::text(b).c_str(), ll(missing),
            ll(gapFilled), inputList(gapFrom).c_str(), ll(left));
      }
    }
    gapFilled = 0;
    gapFrom = 0;
  }

  std::vector<std::unique_ptr<Pass>>& passes;
  Report& report;
  FILE* out;
  int64_t lastBaseKey = -1;
  int64_t gapFilled = 0;
  uint64_t gapFrom = 0, beforeFrom = 0, afterFrom = 0;
};

// Opens and places every input; false, with the reason said, when one cannot
// be merged.
bool readInputs(int count, char** inputs, std::vector<std::unique_ptr<Pass>>& passes,
                Report& report) {
  for (int k = 0; k < count; ++k) {
    std::unique_ptr<Pass> p(new Pass);
    p->name = inputs[k];
    if (sameFile(inputs[k], dat::kImageName)) {
      REFUSE(report, kMergeIsOutput, inputs[k]);
      return false;
    }
    struct stat st;
    errno = 0;
    if (stat(inputs[k], &st) != 0) {
      REFUSE(report, kMergeUnreadable, inputs[k], std::strerror(errno));
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      REFUSE(report, kMergeNotAFile, inputs[k]);
      return false;
    }
    p->file = std::fopen(inputs[k], "rb");
    if (p->file == nullptr) {
      REFUSE(report, kMergeUnreadable, inputs[k], std::strerror(errno));
      return false;
    }
    std::setvbuf(p->file, p->stream.get(), _IOFBF, kStreamBuffer);
    if (!place(*p, report)) return false;
    SAY(report, kMergeInput, k + 1, inputs[k], static_cast<long long>(p->frames),
        timeText(p->firstKey).c_str(), timeText(p->lastKey).c_str());
    passes.push_back(std::move(p));
  }
  const Pass& base = *passes[0];
  for (size_t k = 1; k < passes.size(); ++k) {
    const Pass& p = *passes[k];
    if (p.lastKey < base.firstKey || p.firstKey > base.lastKey) {
      REFUSE(report, kMergeNoOverlap, p.name.c_str(), timeText(p.firstKey).c_str(),
             timeText(p.lastKey).c_str(), timeText(base.firstKey).c_str(),
             timeText(base.lastKey).c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int runMerge(int count, char** inputs) {
  prepareConsole();
  Report report;
  report.open();
  SAY(report, kMergeProgram, DAT_VERSION);
  std::vector<std::unique_ptr<Pass>> passes;
  std::unique_ptr<char[]> stream(new char[kStreamBuffer]);  // outlives the result's stream
  StagedFile result;
  bool ok = readInputs(count, inputs, passes, report);
  if (ok) {
    errno = 0;
    ok = result.create(dat::kImageName);
    if (!ok) REFUSE(report, kMergeWriteFailed, std::strerror(errno));
  }
  if (!ok) {
    SAY(report, kMergeStatus, 1);
    SAY(report, kMergeSummaryRefused, "");
    return 1;
  }
  std::setvbuf(result.stream(), stream.get(), _IOFBF, kStreamBuffer);
  Merge merge(passes, report, result.stream());
  ok = merge.run();
  int error = merge.writeError;
  if (ok) {
    errno = 0;
    ok = result.commit();
    error = errno != 0 ? errno : EIO;
  }
  if (!ok) {
    result.discard();
    if (!merge.readFailed) REFUSE(report, kMergeWriteFailed, std::strerror(error));
    SAY(report, kMergeStatus, 1);
    SAY(report, kMergeSummaryRefused, "");
    return 1;
  }
  SAY(report, kMergeWritten, static_cast<long long>(merge.written),
      static_cast<long long>(merge.fromBase), static_cast<long long>(merge.filled),
      static_cast<long long>(merge.before + merge.after));
  SAY(report, kMergeStatus, 0);
  SAY(report, kMergeSummary, static_cast<long long>(merge.gaps),
      static_cast<long long>(merge.gapsFilled), static_cast<long long>(merge.stillMissing),
      static_cast<long long>(merge.disagreements));
  return 0;
}
