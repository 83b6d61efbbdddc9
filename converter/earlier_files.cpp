#include "earlier_files.h"

#include <set>

#include "conversion_log.h"
#include "conversion_page.h"
#include "dat_frame.h"
#include "file_marks.h"
#include "output_file.h"
#include "sha256.h"

namespace {

// A name a conversion writes beside the image: no path, none of the names
// of the run's own log, record, page or image, ending as its files do.
bool ourOutputName(const std::string& name) {
  auto endsWith = [&](const char* tail) {
    std::string t = tail;
    return name.size() > t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0;
  };
  if (name.empty() || name.find_first_of("/\\:") != std::string::npos || name[0] == '.') {
    return false;
  }
  if (name == convlog::kName || name == convlog::kRecordName || name == convpage::kName ||
      name == dat::kImageName) {
    return false;
  }
  return name == kCoreName || endsWith(".wav") || endsWith(".txt");
}

// True when `f` stands as it was written: the same size and time, or where
// they are not recorded (or the time moved) the same SHA-256.
bool asWritten(const records::WrittenFile& f) {
  FileStamp now;
  if (!stampOf(f.name.c_str(), &now)) return false;
  if (f.bytes >= 0 && now.size != f.bytes) return false;
  if (f.bytes >= 0 && now.modified == f.modified) return true;
  std::string digest;
  return f.sha256 && sha256File(f.name.c_str(), &digest) && digest == *f.sha256;
}

}  // namespace

std::vector<records::WrittenFile> earlierFiles() {
  Json d;
  if (readRecord(convlog::kRecordName, &d) != RecordRead::Read) return {};
  records::Conversion earlier = d.get<records::Conversion>();
  std::vector<records::WrittenFile> files = earlier.written;
  std::set<std::string> named;
  for (const records::WrittenFile& f : files) named.insert(f.name);
  for (const records::ConversionFile& f : earlier.files) {
    if (f.sha256 && named.insert(f.name).second) files.push_back({f.name, -1, 0, f.sha256});
  }
  return files;
}

void settleEarlierFiles(const std::vector<records::WrittenFile>& earlier, bool sweep,
                        ConversionLog& log) {
  std::set<std::string> now;
  for (const records::WrittenFile& f : log.document().written) now.insert(f.name);
  for (const records::WrittenFile& f : earlier) {
    if (now.count(f.name) != 0 || !ourOutputName(f.name)) continue;
    FileStamp stamp;
    if (!stampOf(f.name.c_str(), &stamp)) continue;  // gone already
    if (!sweep) {
      log.carriedOver(f);  // as the earlier run left it: a later run tells a change
    } else if (asWritten(f) && removeOwnFile(f.name.c_str())) {
      log.earlierRemoved(f.name);
    } else {
      log.earlierStale(f.name);
    }
  }
}
