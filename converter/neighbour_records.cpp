#include "neighbour_records.h"

#include "console.h"
#include "converter_messages.h"
#include "dat_frame.h"
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
  return merge ? dat::kMergeRecordName : dat::kCaptureRecordName;
}

namespace {

// Whether the capture's record `c` describes an image of `frames` frames.
bool describes(const std::optional<records::Capture>& c, int64_t frames) {
  return c && c->ended && c->counts && c->counts->framesWritten == frames;
}

}  // namespace

NeighbourRecords neighbourRecords(int64_t frames) {
  NeighbourRecords n;
  if (frames < 0) return n;
  // KOVRANT.json; where it is another user's, this user's capture went to
  // the first free KOVRANT-N.json, but one with a KOVRANT-N.IMG beside it
  // is an earlier capture kept, not this image's.
  RecordRead read;
  std::optional<records::Capture> c = readBeside<records::Capture>(dat::kCaptureRecordName, &read);
  for (int k = 1; read == RecordRead::NotOurs && k <= kFallbackNames; ++k) {
    std::string name = fallbackName(dat::kCaptureRecordName, k);
    FileStamp kept;
    if (stampOf(fallbackName(dat::kImageName, k).c_str(), &kept)) continue;
    c = readBeside<records::Capture>(name, &read);
    if (read == RecordRead::Read && !describes(c, frames)) read = RecordRead::NotOurs;
  }
  if (describes(c, frames)) n.capture = c;
  std::optional<records::Merge> m = readBeside<records::Merge>(dat::kMergeRecordName, &read);
  if (m && m->ended && m->output && m->output->frames == frames) n.merge = m;
  return n;
}
