#include "tape_entry.h"

#include <algorithm>

#include "console.h"
#include "dat_frame.h"
#include "disk.h"
#include "log_messages.h"
#include "output_file.h"

namespace collection {

namespace {

constexpr char kConversionRecordName[] = "SELTHIX.json";

// The record `name` in the entry's directory read as a T; none where it is
// missing, and none, noted in `notRead` (and said on the console unless it
// is another user's), where it is refused.
template <typename T>
std::optional<T> readIn(TapeEntry* e, const std::string& name) {
  Json d;
  std::string path = inDirectory(e->path, name);
  RecordRead read = readRecord(path.c_str(), &d);
  if (read == RecordRead::Read) {
    e->recordsRead.push_back(name);
    return d.get<T>();
  }
  const char* code = read == RecordRead::NotOurs    ? "not-ours"
                     : read == RecordRead::TooLarge ? "too-large"
                     : read == RecordRead::TooDeep  ? "too-deep"
                                                    : "malformed";
  if (read == RecordRead::Missing) return std::nullopt;
  e->notRead.push_back({name, code});
  const char* why = read == RecordRead::TooLarge  ? msg::kRecordTooLarge.c_str()
                    : read == RecordRead::TooDeep ? msg::kRecordTooDeep.c_str()
                                                  : msg::kRecordMalformed.c_str();
  if (read != RecordRead::NotOurs)
    printStderr(msg::kRecordNotRead, shownName(path.c_str()).c_str(), why);
  return std::nullopt;
}

bool standsIn(const std::string& dir, const std::string& name, FileStamp* stamp) {
  return stampOf(inDirectory(dir, name).c_str(), stamp);
}

// The capture's record, and the earlier captures kept beside it. Where
// another user's KOVRANT.json stands, this user's capture went to the first
// free KOVRANT-N.json that has no KOVRANT-N.IMG beside it.
void readCaptures(TapeEntry* e) {
  e->capture = readIn<records::Capture>(e, dat::kCaptureRecordName);
  if (e->capture) e->captureRecord = dat::kCaptureRecordName;
  bool fallback = !e->notRead.empty() && e->notRead.back().name == dat::kCaptureRecordName &&
                  e->notRead.back().why == "not-ours";
  for (int k = 1; k <= kFallbackNames; ++k) {
    std::string image = fallbackName(dat::kImageName, k);
    std::string record = fallbackName(dat::kCaptureRecordName, k);
    FileStamp imageStamp, recordStamp;
    bool hasImage = standsIn(e->path, image, &imageStamp);
    bool hasRecord = standsIn(e->path, record, &recordStamp);
    if (!hasImage && hasRecord && fallback && !e->capture) {
      e->capture = readIn<records::Capture>(e, record);
      if (e->capture) e->captureRecord = record;
      continue;
    }
    if (!hasImage && !hasRecord) continue;
    KeptCapture kept;
    if (hasImage) kept.image = image, kept.imageFrames = imageStamp.size / dat::kFrameSize;
    if (hasRecord) kept.record = record, kept.capture = readIn<records::Capture>(e, record);
    e->kept.push_back(kept);
  }
}

// The path from the directory `from` to `to`, both absolute with "/"
// between their parts; none where they have no common root.
std::optional<std::string> relativePath(const std::string& from, const std::string& to) {
  auto parts = [](const std::string& path) {
    std::vector<std::string> out;
    for (size_t at = 0, next; at <= path.size(); at = next + 1) {
      next = path.find('/', at);
      if (next == std::string::npos) next = path.size();
      if (next > at || out.empty()) out.push_back(path.substr(at, next - at));
    }
    return out;
  };
  std::vector<std::string> a = parts(from), b = parts(to);
  if (a.empty() || b.empty() || a[0] != b[0]) return std::nullopt;
  size_t common = 0;
  while (common < a.size() && common < b.size() && a[common] == b[common]) ++common;
  std::string out;
  for (size_t k = common; k < a.size(); ++k) out += "../";
  for (size_t k = common; k < b.size(); ++k) out += b[k] + "/";
  return out;
}

}  // namespace

std::string inDirectory(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  char last = dir.back();
  return last == '/' || last == '\\' ? dir + name : dir + "/" + name;
}

TapeEntry readTapeDirectory(const std::string& path, const std::string& here) {
  TapeEntry e;
  e.path = path;
  readCaptures(&e);
  e.merge = readIn<records::Merge>(&e, dat::kMergeRecordName);
  e.conversion = readIn<records::Conversion>(&e, kConversionRecordName);
  FileStamp page;
  std::string absolute;
  if (standsIn(path, "SELTHIX.html", &page) && disk::absolutePath(path, &absolute)) {
    std::optional<std::string> link = relativePath(here, absolute);
    if (link && nameAsText(link->c_str(), &absolute)) e.page = absolute + "SELTHIX.html";
  }
  return e;
}

std::optional<std::string> TapeEntry::tape() const {
  if (conversion && conversion->tape) return conversion->tape;
  if (merge && merge->tape) return merge->tape;
  if (capture && capture->tape) return capture->tape;
  return std::nullopt;
}

std::string TapeEntry::tapeRecord() const {
  if (conversion && conversion->tape) return kConversionRecordName;
  if (merge && merge->tape) return dat::kMergeRecordName;
  if (capture && capture->tape) return captureRecord;
  return "";
}

const char* TapeEntry::verdict() const {
  if (recordsRead.empty()) return "no-records";
  if (verify && !verify->problems.empty()) return "changed";
  if (!conversion || conversion->check) return "not-converted";
  const records::Conversion& c = *conversion;
  if (c.ending.value_or("") != "done" || c.exitStatus.value_or(-1) != 0 || !c.totals) {
    return "failed";
  }
  if (c.totals->gaps > 0 || c.totals->discontinuities > 0) return "gaps";
  return "complete";
}

void sortEntries(std::vector<TapeEntry>* entries) {
  std::stable_sort(entries->begin(), entries->end(), [](const TapeEntry& a, const TapeEntry& b) {
    std::optional<std::string> ta = a.tape(), tb = b.tape();
    if (ta.has_value() != tb.has_value()) return ta.has_value();
    if (ta && *ta != *tb) return *ta < *tb;
    return a.path < b.path;
  });
}

}  // namespace collection
