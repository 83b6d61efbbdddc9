#include "neighbour_records.h"

#include "console.h"
#include "dat_frame.h"
#include "log_messages.h"
#include "output_file.h"

namespace {

// `name` read into a record of type T; none when it is missing or not this
// user's, and none with the reason said when it is refused.
template <typename T>
std::optional<T> readBeside(const std::string& name, RecordRead* outcome) {
  Json d;
  RecordRead read = readRecord(name.c_str(), &d);
  *outcome = read;
  const char* why = read == RecordRead::TooLarge    ? msg::kRecordTooLarge.c_str()
                    : read == RecordRead::TooDeep   ? msg::kRecordTooDeep.c_str()
                    : read == RecordRead::Malformed ? msg::kRecordMalformed.c_str()
                                                    : nullptr;
  if (why != nullptr) printStderr(msg::kRecordNotRead, shownName(name.c_str()).c_str(), why);
  if (read != RecordRead::Read) return std::nullopt;
  return d.get<T>();
}

}  // namespace

std::optional<std::string> NeighbourRecords::tape() const {
  if (merge) return merge->tape;
  if (capture) return capture->tape;
  return std::nullopt;
}

std::string NeighbourRecords::tapeRecord() const {
  return merge ? mergeName : captureName;
}

namespace {

// Whether the capture's record `c` describes an image of `frames` frames.
bool describes(const std::optional<records::Capture>& c, int64_t frames) {
  return c && c->ended && c->counts && c->counts->framesWritten == frames;
}

}  // namespace

int64_t imageFrames(const std::string& image) {
  FileStamp stamp;
  return stampOf(image.c_str(), &stamp) ? stamp.size / dat::kFrameSize : -1;
}

NeighbourRecords neighbourRecords(const std::string& image, int64_t frames) {
  NeighbourRecords n;
  if (frames < 0) return n;
  size_t slash = image.find_last_of("/\\");
  std::string dir = slash == std::string::npos ? "" : image.substr(0, slash + 1);
  std::string base = image.substr(dir.size());
  // An earlier capture kept as KOVRANT-N.IMG: its record KOVRANT-N.json.
  for (int k = 1; k <= kFallbackNames; ++k) {
    if (base != fallbackName(dat::kImageName, k)) continue;
    RecordRead read;
    std::string name = dir + fallbackName(dat::kCaptureRecordName, k);
    std::optional<records::Capture> c = readBeside<records::Capture>(name, &read);
    if (describes(c, frames)) n.capture = c, n.captureName = name;
    return n;
  }
  // KOVRANT.json; where it is another user's, this user's capture went to
  // the first free KOVRANT-N.json, but one with a KOVRANT-N.IMG beside it
  // is an earlier capture kept, not this image's.
  RecordRead read;
  std::string name = dir + dat::kCaptureRecordName;
  std::optional<records::Capture> c = readBeside<records::Capture>(name, &read);
  for (int k = 1; read == RecordRead::NotOurs && k <= kFallbackNames; ++k) {
    name = dir + fallbackName(dat::kCaptureRecordName, k);
    FileStamp kept;
    if (stampOf((dir + fallbackName(dat::kImageName, k)).c_str(), &kept)) continue;
    c = readBeside<records::Capture>(name, &read);
    if (read == RecordRead::Read && !describes(c, frames)) read = RecordRead::NotOurs;
  }
  if (describes(c, frames)) n.capture = c, n.captureName = name;
  std::string merged = dir + dat::kMergeRecordName;
  std::optional<records::Merge> m = readBeside<records::Merge>(merged, &read);
  if (m && m->ended && m->output && m->output->frames == frames) n.merge = m, n.mergeName = merged;
  return n;
}
