#include "merge.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "block_digests.h"
#include "console.h"
#include "copy_range.h"
#include "dat_frame.h"
#include "decision.h"
#include "interrupts.h"
#include "json_record.h"
#include "log_file.h"
#include "log_messages.h"
#include "merge_messages.h"
#include "neighbour_records.h"
#include "output_file.h"
#include "page.h"
#include "placement.h"
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

// The report: each line on the console and in the log; and its twin for
// machines, "KOVRANT-MERGE.json" (schema "kovrant-merge/1", doc/schema/),
// with English keys and values free of the log's language, written whole at
// the end.
class Report {
 public:
  Report() : record(kRecordName, records::Merge::kSchema) {}
  void open(bool force) {
    errno = 0;
    if (!log.open(kLogName)) {
      printStderr(msg::kMergeLogFailed, std::strerror(errno));
    } else if (log.refusal() != 0) {
      printStderr(msg::kMergeLogElsewhere, std::strerror(log.refusal()), log.name().c_str());
    }
    d.version = DAT_VERSION;
    if (log.isOpen()) d.log = log.name();
    d.started = isoTime(systemClock());
    d.force = force;
  }
  records::Merge& doc() { return d; }
  // An input, or the result, refused: `code` says why (the console's text
  // tells it in the console's language), `input` which: its path as given
  // (null: the result). The entry, for what else the refusal names.
  records::MergeRefusal& refused(const char* code, const std::string* input,
                                 const char* reason = nullptr) {
    records::MergeRefusal r;
    r.code = code;
    if (input != nullptr) r.input = pathJson(*input);
    if (reason != nullptr) r.reason = reason;
    d.refusals.push_back(r);
    return d.refusals.back();
  }
  // The end: writes the record with the exit status and how the merge ended
  // ("done", "refused", "interrupted", "write-failed"). A record that cannot
  // be written is said; the exit status stays the merge's.
  void finish(int exitStatus, const char* ending) {
    d.ended = isoTime(systemClock());
    d.ending = ending;
    d.exitStatus = exitStatus;
    record.doc() = d;
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
                                     {"disagreement", msg::kPageDisagreement},
                                     {"legendInputs", msg::kPageLegendInputs},
                                     {"legendUnread", msg::kPageLegendUnread},
                                     {"legendMerged", msg::kPageLegendMerged},
                                     {"legendMergeFilled", msg::kPageLegendMergeFilled},
                                     {"legendMergeLeft", msg::kPageLegendMergeLeft},
                                     {"legendDisagreement", msg::kPageLegendDisagreement}});
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
  // A line of the log only (not the console, not a total).
  template <const char* Japanese, typename... Args>
  void sayInLog(const texts::Text<Japanese>& format, Args... args) {
    log.line(format, args...);
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
  records::Merge d;  // what record holds, as it is written
  std::string lastSaid;
  Json totals = Json::array();
  Json inputNames = Json::array();  // per input read, its name as shown
  Json inputGaps = Json::array();   // and its unread stretches
};

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
  std::vector<merging::FrameDigest> digests;
  std::optional<std::string> tape;  // the identity its records give
  // errno of the failed read; 0 when none failed.
  int readError = 0;

  ~Pass() {
    if (file != nullptr) std::fclose(file);
  }
};

// What the decision sees of an input.
merging::Input inputOf(const Pass& p) {
  return {&p.plan, &p.digests};
}

long long ll(int64_t v) {
  return static_cast<long long>(v);
}

std::string timeText(int64_t key) {
  return tapetime::text(tapetime::fromKey(key));
}

records::Atime atime(int64_t key, const tapetime::Cycle& cycle) {
  return records::atime(tapetime::fromKey(key), cycle);
}

// `p` cannot be read (the system's `error`): said, and recorded.
void unreadable(const Pass& p, int error, Report& report) {
  std::string reason = std::strerror(error);
  report.refuse(msg::kMergeUnreadable, p.name.c_str(), reason.c_str());
  report.refused("unreadable", &p.path, reason.c_str());
}

// The keys of an input's frames, read in order: a frame delivered twice in
// a row (the same time and bytes as the one before it) is a repeat.
class FrameKeys {
 public:
  // `slot`: room for one frame, where the last that is not a repeat is kept
  // when the block it was read in is read over.
  explicit FrameKeys(uint8_t* slot) : slot(slot) {}
  // The keys of the `count` frames at `frames` follow in `keys`. The frames
  // may then be read over.
  void add(const uint8_t* frames, size_t count, std::vector<int64_t>& keys) {
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* frame = frames + i * dat::kFrameSize;
      int64_t k = tapetime::frameKey(dat::frameAt(frame));
      bool repeat = k != tapetime::kNoTime && k == previousKey &&
                    std::memcmp(previous, frame, dat::kFrameSize) == 0;
      if (!repeat) {
        previous = frame;
        previousKey = k;
      }
      keys.push_back(repeat ? merging::kRepeat : k);
    }
    if (previous != nullptr && previous != slot) {
      std::memcpy(slot, previous, dat::kFrameSize);
      previous = slot;
    }
  }

 private:
  uint8_t* const slot;
  const uint8_t* previous = nullptr;
  int64_t previousKey = tapetime::kNoTime;
};

// Reads up to kFramesPerRead frames of `p` into `block`: how many. A frame
// cut short at the end of the file is not read; a failed read keeps its
// errno in p.readError (the end of the file has none).
size_t readBlock(Pass& p, uint8_t* block) {
  errno = 0;
  size_t got = std::fread(block, dat::kFrameSize, kFramesPerRead, p.file);
  if (got < kFramesPerRead && std::ferror(p.file) != 0) p.readError = errno != 0 ? errno : EIO;
  return got;
}

// Reads `p` from start to end, a block of frames at a time: the key of each
// frame into `keys` and its digest into p.digests. The digests of a block
// are taken while the next is read (BlockDigests), so that two blocks are
// read in turn; the frames' keys are taken as each is read.
void readFrames(Pass& p, std::vector<int64_t>& keys) {
  std::unique_ptr<uint8_t[]> memory(new uint8_t[(2 * kFramesPerRead + 1) * dat::kFrameSize]);
  uint8_t* const blocks[2] = {memory.get(), memory.get() + kFramesPerRead * dat::kFrameSize};
  FrameKeys frameKeys(memory.get() + 2 * kFramesPerRead * dat::kFrameSize);
  merging::BlockDigests digests;
  size_t got = kFramesPerRead;
  for (int b = 0; got == kFramesPerRead && !interruptRequested(); b = 1 - b) {
    got = readBlock(p, blocks[b]);
    frameKeys.add(blocks[b], got, keys);
    digests.finish();  // the block before
    digests.begin(blocks[b], got, &p.digests);
  }
  digests.finish();
}

// Places the frames of `p` on the tape (readFrames, merging::place). False,
// with the message said, when the pass cannot be read, has no frames or no
// ATIME, or its time goes backwards.
bool place(Pass& p, Report& report) {
  std::vector<int64_t> keys;
  readFrames(p, keys);
  if (p.readError != 0) {
    unreadable(p, p.readError, report);
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
    records::MergeRefusal& r = report.refused("backwards", &p.path);
    r.from = atime(p.plan.backFrom, p.plan.cycle);
    r.to = atime(p.plan.backTo, p.plan.cycle);
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

// Copies the decided runs into the result, each from its input's file
// (copyRange: the result's stream is never written through) in pieces of at
// most kFramesPerCopy frames, and says the decision's gaps and disagreements
// as the copy comes to them; false when an input cannot be read, the result
// cannot be written or the user interrupts.
class Copy {
 public:
  Copy(const std::vector<std::unique_ptr<Pass>>& passes, const merging::Decision& decision,
       Report& report, FILE* out)
      : passes(passes), decision(decision), report(report), out(out) {}

  bool run() {
    int64_t copied = 0;  // the result's frames
    for (const merging::Run& r : decision.runs) {
      for (int64_t done = 0; done < r.count;) {
        int64_t count = std::min(kFramesPerCopy, r.count - done);
        if (interruptRequested()) {
          interrupted = true;
          return false;
        }
        sayUpTo(copied + count);
        if (!copyPiece(*passes[r.input], r.first + done, count)) return false;
        done += count;
        copied += count;
      }
    }
    sayAdded();
    return true;
  }

  bool readFailed = false, interrupted = false;
  int writeError = 0;

 private:
  // A piece is copied once the result's frame after it (`end`) is reached:
  // after that frame's disagreements are said, before the gap it ends.
  void sayUpTo(int64_t end) {
    const std::vector<merging::Gap>& gaps = decision.gaps;
    const std::vector<merging::Disagreement>& differing = decision.disagreements;
    for (;;) {
      bool gap = nextGap < gaps.size() && gaps[nextGap].frame < end;
      bool disagreement = nextDisagreement < differing.size() &&
                          differing[nextDisagreement].frame <= end &&
                          (!gap || differing[nextDisagreement].frame <= gaps[nextGap].frame);
      if (disagreement) {
        sayDisagreement(differing[nextDisagreement++]);
      } else if (gap) {
        sayGap(gaps[nextGap++]);
      } else {
        return;
      }
    }
  }

  void sayDisagreement(const merging::Disagreement& d) {
    report.say(msg::kMergeDisagree, timeText(d.key).c_str(), static_cast<int>(d.kept + 1),
               static_cast<int>(d.differs + 1));
    report.doc().disagreements.push_back(
        {atime(d.key, cycle()), static_cast<int>(d.kept + 1), static_cast<int>(d.differs + 1)});
  }

  void sayGap(const merging::Gap& g) {
    report.say(msg::kMergeGap, timeText(g.before).c_str(), timeText(g.after).c_str(), ll(g.missing),
               ll(g.filled), inputList(g.from).c_str(), ll(g.left));
    report.doc().gaps.push_back({atime(g.before, cycle()), atime(g.after, cycle()), g.missing,
                                 g.filled, inputNumbers(g.from), g.left});
  }

  void sayAdded() {
    const merging::Added &before = decision.before, &after = decision.after;
    if (before.frames > 0) {
      report.say(msg::kMergeBefore, ll(before.frames), inputList(before.from).c_str());
    }
    if (after.frames > 0) {
      report.say(msg::kMergeAfter, ll(after.frames), inputList(after.from).c_str());
    }
    report.doc().addedBefore = {before.frames, inputNumbers(before.from)};
    report.doc().addedAfter = {after.frames, inputNumbers(after.from)};
  }

  // Copies `count` frames of `p` from its frame `first` on to the result. A
  // piece that cannot be read whole (the input became shorter or unreadable
  // since it was placed: EIO when it ended first) is said as the input's
  // failure.
  bool copyPiece(const Pass& p, int64_t first, int64_t count) {
    CopyFault fault;
    if (copyRange(p.file, first * dat::kFrameSize, count * dat::kFrameSize, out, &fault)) {
      return true;
    }
    if (!fault.reading) {
      writeError = fault.error;
      return false;
    }
    unreadable(p, fault.error, report);
    readFailed = true;
    return false;
  }

  const tapetime::Cycle& cycle() const { return passes[0]->plan.cycle; }

  const std::vector<std::unique_ptr<Pass>>& passes;
  const merging::Decision& decision;
  Report& report;
  FILE* out;
  size_t nextGap = 0, nextDisagreement = 0;  // the first not yet said
};

// Opens the input `p` names. False, with the reason said, when it is the
// result itself, cannot be opened or is not a regular file.
bool openInput(Pass& p, Report& report) {
  const char* path = p.path.c_str();
  if (sameFile(path, dat::kImageName)) {
    report.refuse(msg::kMergeIsOutput, p.name.c_str());
    report.refused("is-output", &p.path);
    return false;
  }
  errno = 0;
  p.file = openRegular(path);
  if (p.file != nullptr && stampOf(p.file, &p.opened)) {
    // Read in blocks of whole frames straight into the merge's own buffer.
    std::setvbuf(p.file, nullptr, _IONBF, 0);
    return true;
  }
  int error = errno;
  struct stat st;
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
    report.refuse(msg::kMergeNotAFile, p.name.c_str());
    report.refused("not-a-file", &p.path);
  } else {
    unreadable(p, error, report);
  }
  return false;
}

// The input `p`, number `number`, read and placed: said and recorded.
void sayInput(int number, const Pass& p, Report& report) {
  const merging::Placement& plan = p.plan;
  report.say(msg::kMergeInput, number, p.name.c_str(), ll(p.frames),
             timeText(plan.firstKey).c_str(), timeText(plan.lastKey).c_str());
  if (plan.badPacks > 0) report.say(msg::kMergeBadPacks, number, ll(plan.badPacks));
  if (plan.repeats > 0) report.say(msg::kMergeRepeats, number, ll(plan.repeats));
  records::MergeInput in;
  in.number = number;
  in.path = pathJson(p.path);
  in.tape = p.tape;
  in.frames = p.frames;
  in.firstAtime = atime(plan.firstKey, plan.cycle);
  in.lastAtime = atime(plan.lastKey, plan.cycle);
  in.badAtimePacks = plan.badPacks;
  in.repeats = plan.repeats;
  report.doc().inputs.push_back(in);
  report.input(p.name, plan);
}

// False, with the input named, when one's ATIME does not overlap the base's.
bool overlapBase(const std::vector<std::unique_ptr<Pass>>& passes, Report& report) {
  const merging::Placement& base = passes[0]->plan;
  for (size_t k = 1; k < passes.size(); ++k) {
    const Pass& p = *passes[k];
    if (p.plan.lastKey < base.firstKey || p.plan.firstKey > base.lastKey) {
      report.refuse(msg::kMergeNoOverlap, p.name.c_str(), timeText(p.plan.firstKey).c_str(),
                    timeText(p.plan.lastKey).c_str(), timeText(base.firstKey).c_str(),
                    timeText(base.lastKey).c_str());
      report.refused("no-overlap", &p.path);
      return false;
    }
  }
  return true;
}

// Opens and places every input; false, with the reason said, when one cannot
// be merged.
bool readInputs(int count, char** inputs, std::vector<std::unique_ptr<Pass>>& passes,
                Report& report) {
  for (int k = 0; k < count; ++k) {
    std::unique_ptr<Pass> p(new Pass);
    p->path = inputs[k];
    p->name = shownName(inputs[k]);
    if (!openInput(*p, report) || !place(*p, report) || interruptRequested()) return false;
    p->tape = neighbourRecords(p->path, p->frames).tape();
    sayInput(k + 1, *p, report);
    passes.push_back(std::move(p));
  }
  return overlapBase(passes, report);
}

// False, with each input that holds another cassette's recording
// (merging::anotherCassette) named, unless `force`.
bool oneCassette(const std::vector<std::unique_ptr<Pass>>& passes, bool force, Report& report) {
  const Pass& base = *passes[0];
  bool one = true;
  for (size_t k = 1; k < passes.size(); ++k) {
    merging::Share s = merging::shareWithBase(inputOf(base), inputOf(*passes[k]));
    if (!merging::anotherCassette(s)) continue;
    records::Share share{s.shared, s.differing};
    if (force) {
      report.say(msg::kMergeForced, passes[k]->name.c_str(), base.name.c_str(), ll(s.shared),
                 ll(s.differing));
      report.doc().inputs[k].forced = share;
    } else {
      report.refuse(msg::kMergeOtherCassette, passes[k]->name.c_str(), base.name.c_str(),
                    ll(s.shared), ll(s.differing));
      report.refused("other-cassette", &passes[k]->path).share = share;
      one = false;
    }
  }
  return one;
}

// The tape's identity: `given` (--tape), else the first an input's records
// give. False, with each input of another identity named, unless `force`:
// inputs of two identities are passes of two cassettes.
bool oneTape(const std::vector<std::unique_ptr<Pass>>& passes, const std::string& given, bool force,
             Report& report) {
  std::optional<std::string> tape;
  if (!given.empty()) tape = given;
  for (const std::unique_ptr<Pass>& p : passes) {
    if (!tape) tape = p->tape;
  }
  report.doc().tape = tape;
  if (tape) report.sayInLog(msg::kLogTape, tape->c_str());
  bool one = true;
  for (const std::unique_ptr<Pass>& p : passes) {
    if (!p->tape || *p->tape == *tape) continue;
    if (force) {
      report.say(msg::kMergeOtherTapeForced, p->name.c_str(), p->tape->c_str(), tape->c_str());
      continue;
    }
    report.refuse(msg::kMergeOtherTape, p->name.c_str(), p->tape->c_str(), tape->c_str());
    records::MergeRefusal& r = report.refused("other-tape", &p->path);
    r.tape = p->tape;
    r.baseTape = tape;
    one = false;
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
  for (const records::MergeRefusal& r : report.doc().refusals)
    writeFailed |= r.code == "write-failed";
  report.finish(1, writeFailed ? "write-failed" : "refused");
  return 1;
}

// The result could not be written: said, and recorded.
void writeFailed(Report& report, int error) {
  std::string reason = std::strerror(error != 0 ? error : EIO);
  report.refuse(msg::kMergeWriteFailed, reason.c_str());
  report.refused("write-failed", nullptr, reason.c_str());
}

// The end of a merge that was written: its totals said and recorded.
void reportMerged(const merging::Decision& d, Report& report) {
  int64_t added = d.before.frames + d.after.frames;
  int64_t gaps = static_cast<int64_t>(d.gaps.size());
  int64_t disagreements = static_cast<int64_t>(d.disagreements.size());
  report.say(msg::kMergeWritten, ll(d.frames), ll(d.takenFrom[0]), ll(d.filled), ll(added));
  report.keepAsTotal();
  report.say(msg::kMergeStatus, 0);
  report.keepAsTotal();
  report.say(msg::kMergeSummary, ll(gaps), ll(d.gapsFilled), ll(d.stillMissing), ll(disagreements));
  records::Merge& doc = report.doc();
  for (size_t k = 0; k < d.takenFrom.size(); ++k) doc.inputs[k].framesTaken = d.takenFrom[k];
  doc.output = records::MergeOutput{dat::kImageName, d.frames, d.takenFrom[0], d.filled, added};
  doc.totals = records::MergeTotals{gaps, d.gapsFilled, d.stillMissing, disagreements};
  report.finish(0, "done");
}

}  // namespace

int runMerge(int count, char** inputs, bool force, const std::string& tape) {
  prepareConsole();
  InterruptGuard interrupts;  // outlives the result's temporary file
  Report report;
  report.open(force);
  report.say(msg::kMergeProgram, DAT_VERSION);
  if (force) report.say(msg::kMergeOptions, "--force");
  if (!interrupts.installed()) {
    report.refuse(msg::kMergeNotInterruptible);
    report.doc().interruptsCaught = false;
  }
  for (const std::string& name : removeStaleTemporaries(isOurTarget)) {
    report.say(msg::kMergeStaleRemoved, name.c_str());
    report.doc().staleTemporariesRemoved.push_back(pathJson(name));
  }
  std::vector<std::unique_ptr<Pass>> passes;
  StagedFile result;
  bool ok = readInputs(count, inputs, passes, report) && oneTape(passes, tape, force, report) &&
            oneCassette(passes, force, report) && !interruptRequested();
  if (ok) {
    errno = 0;
    ok = result.create(dat::kImageName);
    if (!ok) writeFailed(report, errno);
  }
  if (!ok) return notMerged(report, result);
  std::vector<merging::Input> decided;
  for (const std::unique_ptr<Pass>& p : passes) decided.push_back(inputOf(*p));
  const merging::Decision decision = merging::decide(decided);
  Copy copy(passes, decision, report, result.stream());
  ok = copy.run();
  if (!ok && !copy.readFailed && !copy.interrupted) writeFailed(report, copy.writeError);
  ok = ok && inputsUnchanged(passes, report) && !interruptRequested();
  if (ok) {
    errno = 0;
    ok = result.commit();
    if (!ok) writeFailed(report, errno);
  }
  if (!ok) return notMerged(report, result);
  reportMerged(decision, report);
  return 0;
}
