#include "merge.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "copy_range.h"
#include "dat_frame.h"
#include "interrupts.h"
#include "json_record.h"
#include "log_file.h"
#include "merge_messages.h"
#include "output_file.h"
#include "page.h"
#include "placement.h"
#include "sha256.h"
#include "tape_time.h"
#include "wall_time.h"

namespace {

constexpr char kLogName[] = "KOVRANT-MERGE.LOG";
constexpr char kRecordName[] = "KOVRANT-MERGE.json";
constexpr char kPageName[] = "KOVRANT-MERGE.html";
// Frames read at a time (about 1 MiB), and the most that one copy into the
// result takes, so that an interrupt is seen between copies (about 3 MB).
constexpr size_t kFramesPerRead = 180;
constexpr int64_t kFramesPerCopy = 512;
// An input that shares at least this many frames with the base, and differs
// from it in more than half of them, holds another cassette's recording.
constexpr int64_t kSharedToJudge = 100;

// The report: each line on the console and in the log; and its twin for
// machines, "KOVRANT-MERGE.json" (schema "kovrant-merge/1", doc/schema/),
// with English keys and values free of the log's language, written whole at
// the end.
class Report {
 public:
  Report() : record(kRecordName, "kovrant-merge/1") {}
  void open(bool force) {
    errno = 0;
    if (!log.open(kLogName)) {
      printStderr(msg::kMergeLogFailed, std::strerror(errno));
    } else if (log.refusal() != 0) {
      printStderr(msg::kMergeLogElsewhere, std::strerror(log.refusal()), log.name().c_str());
    }
    Json& d = record.doc();
    d["program"] = "kovrant-merge";
    d["version"] = DAT_VERSION;
    d["log"] = log.isOpen() ? Json(log.name()) : Json();
    d["started"] = isoTime(systemClock());
    d["ended"] = nullptr;
    d["options"] = {{"force", force}};
    d["interruptsCaught"] = true;
    d["staleTemporariesRemoved"] = Json::array();
    for (const char* list : {"inputs", "refusals", "gaps", "disagreements"}) {
      d[list] = Json::array();
    }
    d["addedBefore"] = {{"frames", 0}, {"inputs", Json::array()}};
    d["addedAfter"] = d["addedBefore"];
    d["output"] = nullptr;
    d["totals"] = nullptr;
    d["ending"] = nullptr;
    d["exitStatus"] = nullptr;
  }
  Json& doc() { return record.doc(); }
  // An input, or the result, refused: `code` says why (the console's text
  // tells it in the console's language), `input` which: its path as given
  // (null: the result). The entry, for what else the refusal names.
  Json& refused(const char* code, const std::string* input, const char* reason = nullptr) {
    Json& list = record.doc()["refusals"];
    list.push_back({{"code", code},
                    {"input", input != nullptr ? pathJson(*input) : Json()},
                    {"reason", reason != nullptr ? Json(reason) : Json()}});
    return list.back();
  }
  // The end: writes the record with the exit status and how the merge ended
  // ("done", "refused", "interrupted", "write-failed"). A record that cannot
  // be written is said; the exit status stays the merge's.
  void finish(int exitStatus, const char* ending) {
    Json& d = record.doc();
    d["ended"] = isoTime(systemClock());
    d["ending"] = ending;
    d["exitStatus"] = exitStatus;
    errno = 0;
    if (!record.write()) {
      printStderr(msg::kMergeRecordFailed, std::strerror(errno != 0 ? errno : EIO));
    } else if (record.refusal() != 0) {
      printStderr(msg::kMergeRecordElsewhere, std::strerror(record.refusal()),
                  record.name().c_str());
    }
    // The summary is the last line said.
    page::PageFile(kPageName).write({{"kind", "merge"},
                                     {"summary", lastSaid},
                                     {"totals", totals},
                                     {"record", record.doc()},
                                     {"inputNames", inputNames},
                                     {"inputGaps", inputGaps}},
                                    {{"mergeTitle", msg::kPageMergeTitle},
                                     {"input", msg::kPageInput},
                                     {"merged", msg::kPageMerged},
                                     {"unread", msg::kPageUnread},
                                     {"mergeGap", msg::kPageMergeGap},
                                     {"added", msg::kPageAdded},
                                     {"disagreement", msg::kPageDisagreement}});
  }
  // An input read, for the page: its name as the console shows it, and the
  // stretches it did not read (where its placed frames do not run on).
  void input(const std::string& name, const merging::Placement& plan) {
    inputNames.push_back(name);
    Json list = Json::array();
    int64_t last = -1;
    for (int64_t key : plan.keys) {
      if (key < 0) continue;  // unplaced, or a repeat
      if (last >= 0) {
        tapetime::Time a = tapetime::fromKey(last), b = tapetime::fromKey(key);
        if (key != last && !tapetime::runsOn(a, b, plan.cycle)) {
          list.push_back({{"before", atimeJson(a, plan.cycle)},
                          {"after", atimeJson(b, plan.cycle)},
                          {"missing", tapetime::missingBetween(a, b, 1, plan.cycle)}});
        }
      }
      last = key;
    }
    inputGaps.push_back(list);
  }
  // A line said on the console (`refuse`: on standard error) and in the
  // log; its arguments are checked against the text when compiling.
  template <const char* Japanese, typename... Args>
  void say(const texts::Text<Japanese>& format, Args... args) {
    sayLine(false, textOf(format, args...));
  }
  template <const char* Japanese, typename... Args>
  void refuse(const texts::Text<Japanese>& format, Args... args) {
    sayLine(true, textOf(format, args...));
  }
  // The line said last is one of the totals the page shows.
  void keepAsTotal() { totals.push_back(lastSaid); }

 private:
  void sayLine(bool error, const std::string& text) {
    if (error) {
      printStderr("%s\n", text.c_str());
    } else {
      printStdout("%s\n", text.c_str());
    }
    log.line("%s", text.c_str());
    lastSaid = text;
  }

  LogFile log;
  JsonRecord record;
  std::string lastSaid;
  Json totals = Json::array();
  Json inputNames = Json::array();  // per input read, its name as shown
  Json inputGaps = Json::array();   // and its unread stretches
};

// A digest of a frame's bytes, to tell frames apart without keeping them:
// the first 128 bits of its SHA-256. Every bit of it depends on every bit of
// the frame, so frames that differ share one, however they differ, by a
// chance of about one in 2^128.
struct FrameDigest {
  uint64_t bits[2];
  bool operator!=(const FrameDigest& o) const {
    return bits[0] != o.bits[0] || bits[1] != o.bits[1];
  }
};

FrameDigest frameDigest(const uint8_t* frame) {
  Sha256 sum;
  sum.update(frame, dat::kFrameSize);
  uint8_t whole[32];
  sum.digest(whole);
  FrameDigest d;
  std::memcpy(d.bits, whole, sizeof d.bits);
  return d;
}

// One input, read once from start to end, a block of frames at a time: its
// frames and where each lies on the tape (merging::Placement), and the digest
// of each. The result is copied from its file by the places of its frames.
struct Pass {
  std::string path;  // as given
  std::string name;  // as the report shows it: the path as shownName gives it
  FILE* file = nullptr;
  FileStamp opened;  // the file as it was opened
  int64_t frames = 0;
  merging::Placement plan;
  std::vector<FrameDigest> digests;
  // errno of the failed read; 0 when none failed.
  int readError = 0;

  ~Pass() {
    if (file != nullptr) std::fclose(file);
  }
};

long long ll(int64_t v) {
  return static_cast<long long>(v);
}

std::string timeText(int64_t key) {
  return tapetime::text(tapetime::fromKey(key));
}

Json atime(int64_t key, const tapetime::Cycle& cycle) {
  return atimeJson(tapetime::fromKey(key), cycle);
}

// Places the frames of `p` on the tape (merging::place): reads its keys,
// a frame delivered twice in a row marked as a repeat. False, with the
// message said, when the pass has no ATIME or its time goes backwards.
bool place(Pass& p, Report& report) {
  std::vector<int64_t> keys;
  // Slot 0 keeps the last frame that is not a repeat when the block it was
  // read in is read over; the frames are read into the slots after it.
  std::unique_ptr<uint8_t[]> block(new uint8_t[(kFramesPerRead + 1) * dat::kFrameSize]);
  uint8_t* const frames = block.get() + dat::kFrameSize;
  const uint8_t* previous = nullptr;
  int64_t previousKey = tapetime::kNoTime;
  size_t got = kFramesPerRead;
  while (got == kFramesPerRead && !interruptRequested()) {
    errno = 0;
    // A frame cut short at the end of the file is not read.
    got = std::fread(frames, dat::kFrameSize, kFramesPerRead, p.file);
    // A failed read keeps its reason; the end of the file has none.
    if (got < kFramesPerRead && std::ferror(p.file) != 0) p.readError = errno != 0 ? errno : EIO;
    for (size_t i = 0; i < got; ++i) {
      const uint8_t* frame = frames + i * dat::kFrameSize;
      p.digests.push_back(frameDigest(frame));
      int64_t k = tapetime::frameKey(dat::frameAt(frame));
      bool repeat = k != tapetime::kNoTime && k == previousKey &&
                    std::memcmp(previous, frame, dat::kFrameSize) == 0;
      if (!repeat) {
        previous = frame;
        previousKey = k;
      }
      keys.push_back(repeat ? merging::kRepeat : k);
    }
    if (previous != nullptr && previous != block.get()) {
      std::memcpy(block.get(), previous, dat::kFrameSize);
      previous = block.get();
    }
  }
  if (p.readError != 0) {
    std::string reason = std::strerror(p.readError);
    report.refuse(msg::kMergeUnreadable, p.name.c_str(), reason.c_str());
    report.refused("unreadable", &p.path, reason.c_str());
    return false;
  }
  p.frames = static_cast<int64_t>(keys.size());
  if (p.frames == 0) {
    report.refuse(msg::kMergeEmpty, p.name.c_str());
    report.refused("empty", &p.path);
    return false;
  }
  p.plan = merging::place(std::move(keys));
  if (p.plan.timed == 0) {
    report.refuse(msg::kMergeNoTime, p.name.c_str());
    report.refused("no-atime", &p.path);
    return false;
  }
  if (p.plan.backwards) {
    report.refuse(msg::kMergeBackwards, p.name.c_str(), timeText(p.plan.backFrom).c_str(),
                  timeText(p.plan.backTo).c_str());
    Json& r = report.refused("backwards", &p.path);
    r["from"] = atime(p.plan.backFrom, p.plan.cycle);
    r["to"] = atime(p.plan.backTo, p.plan.cycle);
    return false;
  }
  return true;
}

// The numbers (1-based) of the inputs in `mask`.
std::vector<int> inputNumbers(uint64_t mask) {
  std::vector<int> numbers;
  for (int k = 0; k < 64; ++k) {
    if ((mask >> k & 1) != 0) numbers.push_back(k + 1);
  }
  return numbers;
}

// The same as "2,3", or "-".
std::string inputList(uint64_t mask) {
  std::string out;
  for (int number : inputNumbers(mask)) out += (out.empty() ? "" : ",") + std::to_string(number);
  return out.empty() ? "-" : out;
}

class Merge {
 public:
  Merge(std::vector<std::unique_ptr<Pass>>& passes, Report& report, FILE* out)
      : takenFrom(passes.size(), 0), passes(passes), report(report), out(out) {}

  // Writes the merged frames in tape order, each run of frames that follow
  // one another in one input's file copied from it at once (copyRange: the
  // result's stream is never written through); false when an input cannot
  // be read or the result cannot be written.
  bool run() {
    std::vector<int64_t> at(passes.size(), 0);
    Pass& base = *passes[0];
    for (;;) {
      if (interruptRequested()) {
        interrupted = true;
        return false;
      }
      // The base's frames that cannot be placed go out in their order.
      // Repeats are passed over everywhere.
      while (at[0] < base.frames && base.plan.keys[at[0]] < 0) {
        if (base.plan.keys[at[0]] == merging::kUnplaced) {
          if (!emit(0, at[0])) return false;
          ++fromBase;
          ++takenFrom[0];
        }
        ++at[0];
      }
      for (size_t k = 1; k < passes.size(); ++k) {
        while (at[k] < passes[k]->frames && passes[k]->plan.keys[at[k]] < 0) ++at[k];
      }
      int64_t next = INT64_MAX;
      for (size_t k = 0; k < passes.size(); ++k) {
        if (at[k] < passes[k]->frames) next = std::min(next, passes[k]->plan.keys[at[k]]);
      }
      if (next == INT64_MAX) break;
      // The frame of the first input that has this place; the others that
      // have it too are compared with it by their digests (frameDigest).
      size_t chosenFrom = passes.size();
      FrameDigest chosen{};  // its digest
      for (size_t k = 0; k < passes.size(); ++k) {
        if (at[k] >= passes[k]->frames || passes[k]->plan.keys[at[k]] != next) continue;
        FrameDigest digest = passes[k]->digests[at[k]++];
        if (chosenFrom == passes.size()) {
          chosen = digest;
          chosenFrom = k;
        } else if (digest != chosen) {
          ++disagreements;
          report.say(msg::kMergeDisagree, timeText(next).c_str(), static_cast<int>(chosenFrom + 1),
                     static_cast<int>(k + 1));
          report.doc()["disagreements"].push_back({{"atime", atime(next, base.plan.cycle)},
                                                   {"kept", chosenFrom + 1},
                                                   {"differs", k + 1}});
        }
      }
      if (!emit(chosenFrom, at[chosenFrom] - 1)) return false;
      taken(next, chosenFrom);
    }
    if (!copyRun()) return false;
    closeGap(-1);
    if (before > 0) report.say(msg::kMergeBefore, ll(before), inputList(beforeFrom).c_str());
    if (after > 0) report.say(msg::kMergeAfter, ll(after), inputList(afterFrom).c_str());
    report.doc()["addedBefore"] = {{"frames", before}, {"inputs", inputNumbers(beforeFrom)}};
    report.doc()["addedAfter"] = {{"frames", after}, {"inputs", inputNumbers(afterFrom)}};
    return true;
  }

  // Per input, the frames of the result taken from it.
  std::vector<int64_t> takenFrom;
  int64_t written = 0, fromBase = 0, filled = 0, before = 0, after = 0;
  int64_t gaps = 0, gapsFilled = 0, stillMissing = 0, disagreements = 0;
  bool readFailed = false, interrupted = false;
  int writeError = 0;

 private:
  // Frame i of input k goes to the result next: it joins the run of frames
  // waiting to be copied when it follows the run's last in the same file;
  // otherwise the run is copied first and a new one begins with it.
  bool emit(size_t k, int64_t i) {
    if (runLength > 0 &&
        (k != runFrom || i != runStart + runLength || runLength == kFramesPerCopy) && !copyRun()) {
      return false;
    }
    if (runLength == 0) {
      runFrom = k;
      runStart = i;
    }
    ++runLength;
    return true;
  }

  // Copies the waiting run from its input's file to the result. A run that
  // cannot be read whole (the input became shorter or unreadable since it
  // was placed: EIO when it ended first) is said as the input's failure.
  bool copyRun() {
    if (runLength == 0) return true;
    Pass& p = *passes[runFrom];
    CopyFault fault;
    if (!copyRange(p.file, runStart * dat::kFrameSize, runLength * dat::kFrameSize, out, &fault)) {
      if (!fault.reading) {
        writeError = fault.error;
        return false;
      }
      std::string reason = std::strerror(fault.error);
      report.refuse(msg::kMergeUnreadable, p.name.c_str(), reason.c_str());
      report.refused("unreadable", &p.path, reason.c_str());
      readFailed = true;
      return false;
    }
    written += runLength;
    runLength = 0;
    return true;
  }

  // A frame at `key` from input `from` goes to the result: keeps the account of
  // the base's gaps and of what came before and after it.
  void taken(int64_t key, size_t from) {
    const Pass& base = *passes[0];
    // The report names inputs 1-64 by number; more are counted all the same.
    uint64_t bit = from < 64 ? uint64_t{1} << from : 0;
    ++takenFrom[from];
    if (from == 0) {
      ++fromBase;
      closeGap(key);
      lastBaseKey = key;
      return;
    }
    if (key < base.plan.firstKey) {
      ++before;
      beforeFrom |= bit;
    } else if (key > base.plan.lastKey) {
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
      const tapetime::Cycle& cycle = passes[0]->plan.cycle;
      if (!tapetime::runsOn(a, b, cycle)) {
        int64_t missing = std::max<int64_t>(1, tapetime::missingBetween(a, b, 1, cycle));
        int64_t left = missing > gapFilled ? missing - gapFilled : 0;
        ++gaps;
        if (left == 0) ++gapsFilled;
        stillMissing += left;
        report.say(msg::kMergeGap, tapetime::text(a).c_str(), tapetime::text(b).c_str(),
                   ll(missing), ll(gapFilled), inputList(gapFrom).c_str(), ll(left));
        report.doc()["gaps"].push_back({{"before", atime(lastBaseKey, cycle)},
                                        {"after", atime(key, cycle)},
                                        {"missing", missing},
                                        {"filled", gapFilled},
                                        {"inputs", inputNumbers(gapFrom)},
                                        {"left", left}});
      }
    }
    gapFilled = 0;
    gapFrom = 0;
  }

  std::vector<std::unique_ptr<Pass>>& passes;
  Report& report;
  FILE* out;
  // The run of frames waiting to be copied: runLength frames of input
  // runFrom, from its frame runStart on.
  size_t runFrom = 0;
  int64_t runStart = 0, runLength = 0;
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
    p->path = inputs[k];
    p->name = shownName(inputs[k]);
    if (sameFile(inputs[k], dat::kImageName)) {
      report.refuse(msg::kMergeIsOutput, p->name.c_str());
      report.refused("is-output", &p->path);
      return false;
    }
    struct stat st;
    errno = 0;
    if (stat(inputs[k], &st) != 0) {
      std::string reason = std::strerror(errno);
      report.refuse(msg::kMergeUnreadable, p->name.c_str(), reason.c_str());
      report.refused("unreadable", &p->path, reason.c_str());
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      report.refuse(msg::kMergeNotAFile, p->name.c_str());
      report.refused("not-a-file", &p->path);
      return false;
    }
    p->file = std::fopen(inputs[k], "rb");
    if (p->file == nullptr || !stampOf(p->file, &p->opened)) {
      std::string reason = std::strerror(errno);
      report.refuse(msg::kMergeUnreadable, p->name.c_str(), reason.c_str());
      report.refused("unreadable", &p->path, reason.c_str());
      return false;
    }
    // Read in blocks of whole frames straight into the merge's own buffer.
    std::setvbuf(p->file, nullptr, _IONBF, 0);
    if (!place(*p, report) || interruptRequested()) return false;
    report.say(msg::kMergeInput, k + 1, p->name.c_str(), static_cast<long long>(p->frames),
               timeText(p->plan.firstKey).c_str(), timeText(p->plan.lastKey).c_str());
    if (p->plan.badPacks > 0) report.say(msg::kMergeBadPacks, k + 1, ll(p->plan.badPacks));
    if (p->plan.repeats > 0) report.say(msg::kMergeRepeats, k + 1, ll(p->plan.repeats));
    report.doc()["inputs"].push_back({{"number", k + 1},
                                      {"path", pathJson(p->path)},
                                      {"frames", p->frames},
                                      {"firstAtime", atime(p->plan.firstKey, p->plan.cycle)},
                                      {"lastAtime", atime(p->plan.lastKey, p->plan.cycle)},
                                      {"badAtimePacks", p->plan.badPacks},
                                      {"repeats", p->plan.repeats},
                                      {"forced", nullptr},
                                      {"framesTaken", 0}});
    report.input(p->name, p->plan);
    passes.push_back(std::move(p));
  }
  const Pass& base = *passes[0];
  for (size_t k = 1; k < passes.size(); ++k) {
    const Pass& p = *passes[k];
    if (p.plan.lastKey < base.plan.firstKey || p.plan.firstKey > base.plan.lastKey) {
      report.refuse(msg::kMergeNoOverlap, p.name.c_str(), timeText(p.plan.firstKey).c_str(),
                    timeText(p.plan.lastKey).c_str(), timeText(base.plan.firstKey).c_str(),
                    timeText(base.plan.lastKey).c_str());
      report.refused("no-overlap", &p.path);
      return false;
    }
  }
  return true;
}

// The frames of `p` that the base holds too (at the same place on the tape),
// and how many of them differ, by their digests.
void compareWithBase(const Pass& base, const Pass& p, int64_t* shared, int64_t* differing) {
  *shared = *differing = 0;
  size_t a = 0, b = 0;
  const std::vector<int64_t>&baseKeys = base.plan.keys, &keys = p.plan.keys;
  while (a < baseKeys.size() && b < keys.size()) {
    // Frames without a place of their own, and repeats, are passed over.
    int64_t ka = baseKeys[a], kb = keys[b];
    if (ka < 0 || (kb >= 0 && ka < kb)) {
      ++a;
    } else if (kb < 0 || kb < ka) {
      ++b;
    } else {
      ++*shared;
      if (base.digests[a++] != p.digests[b++]) ++*differing;
    }
  }
}

// Every cassette's ATIME starts at 00:00:00, so two cassettes' recordings
// overlap by their time: one that shares kSharedToJudge frames or more with
// the base and differs in more than half of them is another cassette's. False,
// with each such input named, unless `force`.
bool oneCassette(const std::vector<std::unique_ptr<Pass>>& passes, bool force, Report& report) {
  const Pass& base = *passes[0];
  bool one = true;
  for (size_t k = 1; k < passes.size(); ++k) {
    int64_t shared = 0, differing = 0;
    compareWithBase(base, *passes[k], &shared, &differing);
    if (shared < kSharedToJudge || differing * 2 <= shared) continue;
    Json share = {{"shared", shared}, {"differing", differing}};
    if (force) {
      report.say(msg::kMergeForced, passes[k]->name.c_str(), base.name.c_str(),
                 static_cast<long long>(shared), static_cast<long long>(differing));
      report.doc()["inputs"][k]["forced"] = share;
    } else {
      report.refuse(msg::kMergeOtherCassette, passes[k]->name.c_str(), base.name.c_str(),
                    static_cast<long long>(shared), static_cast<long long>(differing));
      report.refused("other-cassette", &passes[k]->path).update(share);
      one = false;
    }
  }
  return one;
}

// True when every input is still, under its name, the file that was opened,
// of the same size and modification time; otherwise what was read of it may
// belong to two recordings, and the input is named.
bool inputsUnchanged(const std::vector<std::unique_ptr<Pass>>& passes, Report& report) {
  for (const std::unique_ptr<Pass>& p : passes) {
    FileStamp now, named;
    if (!stampOf(p->file, &now) || !stampOf(p->path.c_str(), &named) || !(now == p->opened) ||
        !(named == p->opened)) {
      report.refuse(msg::kMergeInputChanged, p->name.c_str());
      report.refused("input-changed", &p->path);
      return false;
    }
  }
  return true;
}

// The temporary files of the result, the record and the page: "KOVRANT.IMG",
// "KOVRANT-MERGE.json", "KOVRANT-MERGE.html".
bool isOurTarget(const std::string& target) {
  return target == dat::kImageName || target == kRecordName || target == kPageName;
}

// The end of a run that writes nothing: the temporary file removed, the exit
// status and the summary said, the record written.
int notMerged(Report& report, StagedFile& result) {
  result.discard();
  if (interruptRequested()) {
    report.refuse(msg::kMergeInterrupted);
    report.say(msg::kMergeStatus, kInterruptedStatus);
    report.say(msg::kMergeSummaryInterrupted);
    report.finish(kInterruptedStatus, "interrupted");
    return kInterruptedStatus;
  }
  report.say(msg::kMergeStatus, 1);
  report.say(msg::kMergeSummaryRefused);
  bool writeFailed = false;
  for (const Json& r : report.doc()["refusals"]) writeFailed |= r["code"] == "write-failed";
  report.finish(1, writeFailed ? "write-failed" : "refused");
  return 1;
}

// The result could not be written: said, and recorded.
void writeFailed(Report& report, int error) {
  std::string reason = std::strerror(error != 0 ? error : EIO);
  report.refuse(msg::kMergeWriteFailed, reason.c_str());
  report.refused("write-failed", nullptr, reason.c_str());
}

}  // namespace

int runMerge(int count, char** inputs, bool force) {
  prepareConsole();
  InterruptGuard interrupts;  // outlives the result's temporary file
  Report report;
  report.open(force);
  report.say(msg::kMergeProgram, DAT_VERSION);
  if (force) report.say(msg::kMergeOptions, "--force");
  if (!interrupts.installed()) {
    report.refuse(msg::kMergeNotInterruptible);
    report.doc()["interruptsCaught"] = false;
  }
  for (const std::string& name : removeStaleTemporaries(isOurTarget)) {
    report.say(msg::kMergeStaleRemoved, name.c_str());
    report.doc()["staleTemporariesRemoved"].push_back(pathJson(name));
  }
  std::vector<std::unique_ptr<Pass>> passes;
  StagedFile result;
  bool ok = readInputs(count, inputs, passes, report) && oneCassette(passes, force, report) &&
            !interruptRequested();
  if (ok) {
    errno = 0;
    ok = result.create(dat::kImageName);
    if (!ok) writeFailed(report, errno);
  }
  if (!ok) return notMerged(report, result);
  Merge merge(passes, report, result.stream());
  ok = merge.run();
  if (!ok && !merge.readFailed && !merge.interrupted) writeFailed(report, merge.writeError);
  ok = ok && inputsUnchanged(passes, report) && !interruptRequested();
  if (ok) {
    errno = 0;
    ok = result.commit();
    if (!ok) writeFailed(report, errno);
  }
  if (!ok) return notMerged(report, result);
  report.say(msg::kMergeWritten, static_cast<long long>(merge.written),
             static_cast<long long>(merge.fromBase), static_cast<long long>(merge.filled),
             static_cast<long long>(merge.before + merge.after));
  report.keepAsTotal();
  report.say(msg::kMergeStatus, 0);
  report.keepAsTotal();
  report.say(msg::kMergeSummary, static_cast<long long>(merge.gaps),
             static_cast<long long>(merge.gapsFilled), static_cast<long long>(merge.stillMissing),
             static_cast<long long>(merge.disagreements));
  Json& d = report.doc();
  for (size_t k = 0; k < passes.size(); ++k) d["inputs"][k]["framesTaken"] = merge.takenFrom[k];
  d["output"] = {{"name", dat::kImageName},
                 {"frames", merge.written},
                 {"fromBase", merge.fromBase},
                 {"filled", merge.filled},
                 {"added", merge.before + merge.after}};
  d["totals"] = {{"gaps", merge.gaps},
                 {"gapsFilled", merge.gapsFilled},
                 {"missingFrames", merge.stillMissing},
                 {"disagreements", merge.disagreements}};
  report.finish(0, "done");
  return 0;
}
