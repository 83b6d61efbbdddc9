#include "neighbour_records.h"

#include "console.h"
#include "converter_messages.h"
#include "dat_frame.h"
#include "output_file.h"

namespace {

// `name` read into a record of type T; none when it is missing or not this
// user's, and none with the reason said when it is refused.
template <typename T>
std::optional<T> readBeside(const std::string& name, bool* missing) {
  Json d;
  RecordRead read = readRecord(name.c_str(), &d);
  *missing = read == RecordRead::Missing;
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

NeighbourRecords neighbourRecords(int64_t frames) {
  NeighbourRecords n;
  if (frames < 0) return n;
  bool missing = false;
  for (int k = 0; k <= kFallbackNames && !missing; ++k) {
    std::string name = k == 0 ? dat::kCaptureRecordName : fallbackName(dat::kCaptureRecordName, k);
    std::optional<records::Capture> c = readBeside<records::Capture>(name, &missing);
    if (c && c->ended && c->counts && c->counts->framesWritten == frames) {
      n.capture = c;
      break;
    }
  }
  std::optional<records::Merge> m = readBeside<records::Merge>(dat::kMergeRecordName, &missing);
  if (m && m->ended && m->output && m->output->frames == frames) n.merge = m;
  return n;
}
