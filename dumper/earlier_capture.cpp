#include "earlier_capture.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "dat_frame.h"
#include "dumper_messages.h"
#include "json_record.h"
#include "output_file.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kImage = dat::kImageName;
constexpr const char* kLog = dat::kCaptureLogName;
constexpr const char* kRecord = dat::kCaptureRecordName;

// What stands under `name` itself (a link is not followed).
fs::file_type typeOf(const std::string& name) {
  std::error_code error;
  return fs::symlink_status(name, error).type();
}

bool isFree(const std::string& name) {
  return typeOf(name) == fs::file_type::not_found;
}

// A file under `name` that is not this user's (one this user may not even
// read counts).
bool anotherUsersFile(const char* name) {
  errno = 0;
  FILE* f = openRegular(name);
  if (f == nullptr) return errno == EACCES;
  bool theirs = !ownFile(f);
  std::fclose(f);
  return theirs;
}

// The whole frames of the file of its own under KOVRANT.IMG; 0 for none.
int64_t imageFrames() {
  if (typeOf(kImage) != fs::file_type::regular) return 0;
  std::error_code error;
  std::uintmax_t size = fs::file_size(kImage, error);
  return error ? 0 : static_cast<int64_t>(size / dat::kFrameSize);
}

// True when `name` is KOVRANT.LOG or one of its numbered names and a file
// of this user's.
bool ownLog(const std::string& name) {
  bool ours = name == kLog;
  for (int k = 1; k <= kFallbackNames && !ours; ++k) ours = name == fallbackName(kLog, k);
  if (!ours || typeOf(name) != fs::file_type::regular) return false;
  FILE* f = openRegular(name.c_str());
  bool own = f != nullptr && ownFile(f);
  if (f != nullptr) std::fclose(f);
  return own;
}

// The record that describes an image of `frames` frames and the log it
// names (earlier_capture.h); left empty where there is none.
void describing(int64_t frames, std::string* record, std::string* log) {
  int numbered = anotherUsersFile(kRecord) ? kFallbackNames : 0;
  for (int k = 0; k <= numbered; ++k) {
    std::string name = k == 0 ? kRecord : fallbackName(kRecord, k);
    if (k > 0 && !isFree(fallbackName(kImage, k))) continue;  // a kept capture's
    Json doc;
    if (readRecord(name.c_str(), &doc) != RecordRead::Read) continue;
    records::Capture c = doc.get<records::Capture>();
    if (!c.counts || c.counts->framesWritten != frames) continue;
    *record = name;
    if (c.log && ownLog(*c.log)) *log = *c.log;
    return;
  }
}

// The number of the first free numbered name of `name`; 0 when none is.
int firstFree(const char* name) {
  for (int k = 1; k <= kFallbackNames; ++k) {
    if (isFree(fallbackName(name, k))) return k;
  }
  return 0;
}

// The number of the kept names: the first at which all three are free and
// that this capture's log or record will not take beside the kept image
// (beside another user's, it takes the first free numbered name); 0 when
// there is none.
int keptNumber(bool withLog, bool withRecord) {
  int logTakes = !withLog && anotherUsersFile(kLog) ? firstFree(kLog) : 0;
  int recordTakes = !withRecord && anotherUsersFile(kRecord) ? firstFree(kRecord) : 0;
  for (int k = 1; k <= kFallbackNames; ++k) {
    if (k != logTakes && k != recordTakes && isFree(fallbackName(kImage, k)) &&
        isFree(fallbackName(kLog, k)) && isFree(fallbackName(kRecord, k))) {
      return k;
    }
  }
  return 0;
}

}  // namespace

Earlier keepEarlierCapture(records::CaptureKept* kept, int* error) {
  *kept = records::CaptureKept();
  kept->frames = imageFrames();
  if (kept->frames == 0) return Earlier::None;
  std::string record, log;
  describing(kept->frames, &record, &log);
  int n = keptNumber(!log.empty(), !record.empty());
  // Renamed to names seen free just now. A rename, not a second name made
  // and the first removed: where the first cannot be removed (another user's
  // file in a shared directory) neither could the second, and the file
  // would stay under both.
  std::string image = fallbackName(kImage, n);
  if (n == 0 || std::rename(kImage, image.c_str()) != 0) {
    *error = n == 0 ? EEXIST : errno;
    return Earlier::NotKept;
  }
  kept->image = image;
  // The frames are safe; a record or log that cannot follow them stays.
  if (!record.empty() && std::rename(record.c_str(), fallbackName(kRecord, n).c_str()) == 0) {
    kept->record = fallbackName(kRecord, n);
  }
  if (!log.empty() && std::rename(log.c_str(), fallbackName(kLog, n).c_str()) == 0) {
    kept->log = fallbackName(kLog, n);
  }
  return Earlier::Kept;
}

std::string keptNames(const records::CaptureKept& kept) {
  std::string names = kept.image;
  for (const std::optional<std::string>& name : {kept.log, kept.record}) {
    if (name) names += std::string(msg::kNameSeparator) + *name;
  }
  return names;
}
