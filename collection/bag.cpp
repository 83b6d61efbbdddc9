#include "bag.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "dat_frame.h"
#include "disk.h"
#include "file_digest.h"
#include "output_file_platform.h"
#include "sha256.h"
#include "two_processors.h"
#include "verify.h"
#include "wall_time.h"

namespace collection {

namespace {

// A bag being made: the directory and every file and directory made in it,
// removed again (the last made first) unless it is kept.
class Staging {
 public:
  ~Staging() { undo(); }
  bool begin(const std::string& bags, const std::string& id) {
    std::string stem =
        inDirectory(bags, "." + id + ".part-" + std::to_string(platform::processId()));
    for (int k = 0; k < 100; ++k) {
      root = stem + "-" + std::to_string(k);
      if (disk::makeDirectory(root.c_str())) {
        made.push_back({root, true});
        return directory("data") && directory("tags");
      }
      if (errno != EEXIST) break;
    }
    root.clear();
    return false;
  }
  bool directory(const std::string& name) {
    std::string path = inDirectory(root, name);
    if (!disk::makeDirectory(path.c_str())) return false;
    made.push_back({path, true});
    return true;
  }
  // A file about to be made (removed again should the bag fail).
  std::string file(const std::string& name) {
    made.push_back({inDirectory(root, name), false});
    return made.back().path;
  }
  const std::string& path() const { return root; }
  void keep() { made.clear(); }
  void undo() {
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
      if (it->directory) {
        disk::removeDirectory(it->path.c_str());
      } else {
        platform::removeName(it->path.c_str());
      }
    }
    made.clear();
  }

 private:
  struct Made {
    std::string path;
    bool directory;
  };
  std::string root;
  std::vector<Made> made;
};

// A file of the bag and where it comes from, and what placing it found.
struct BagFile {
  std::string name;  // in the bag: "data/...", "tags/..."
  std::string source, target;
  std::optional<int64_t> bytes;  // as the record says
  std::optional<std::string> sha256;
  bool payload = false;
  Placed placed;
};

// Placed as the payload is: linked and read, or copied; then compared with
// the record.
void place(BagFile* f) {
  bool linked = f->payload && disk::hardLink(f->source.c_str(), f->target.c_str());
  if (!(linked ? digestOf(f->target, &f->placed)
               : copyWithDigest(f->source, f->target, &f->placed))) {
    return;
  }
  if ((f->sha256 && f->placed.sha256 != *f->sha256) || (f->bytes && f->placed.size != *f->bytes)) {
    f->placed.failure = "differs";
  }
}

// "data/NAME" for the files the conversion wrote; false where a name is not
// a file's name (a record not written by the conversion).
bool payloadFiles(const TapeEntry& e, Staging* s, std::vector<BagFile>* files, BagResult* r) {
  for (const FileCheck& c : filesNamed(*e.conversion, e.path)) {
    if (c.nameRefused) {
      r->code = "name", r->file = c.name;
      return false;
    }
    BagFile f;
    f.name = "data/" + c.name;
    f.source = c.path;
    f.target = s->file(f.name);
    f.bytes = c.bytes, f.sha256 = c.sha256, f.payload = true;
    files->push_back(f);
  }
  return true;
}

// "tags/NAME" for each record, log and page that stands in the directory.
void tagFiles(const TapeEntry& e, Staging* s, std::vector<BagFile>* files) {
  std::vector<std::string> names = {"SELTHIX.json", "SELTHIX.html"};
  if (e.conversion && e.conversion->log) names.push_back(*e.conversion->log);
  if (e.capture) names.push_back(e.captureRecord);
  if (e.capture && e.capture->log) names.push_back(*e.capture->log);
  if (e.merge) names.push_back(dat::kMergeRecordName);
  if (e.merge && e.merge->log) names.push_back(*e.merge->log);
  if (e.merge) names.push_back("KOVRANT-MERGE.html");
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  for (const std::string& name : names) {
    FileStamp stamp;
    std::string source = inDirectory(e.path, name);
    if (!plainName(name) || !stampOf(source.c_str(), &stamp)) continue;
    BagFile f;
    f.name = "tags/" + name;
    f.source = source;
    f.target = s->file(f.name);
    files->push_back(f);
  }
}

// A path in a manifest: "%", CR and LF percent-encoded (RFC 8493, 2.1.3).
std::string manifestPath(const std::string& name) {
  std::string out;
  for (char c : name) {
    out += c == '%' ? "%25" : c == '\r' ? "%0D" : c == '\n' ? "%0A" : std::string(1, c);
  }
  return out;
}

std::string manifest(const std::vector<BagFile>& files, bool payload) {
  std::vector<std::string> lines;
  for (const BagFile& f : files) {
    if (f.payload == payload) lines.push_back(f.placed.sha256 + "  " + manifestPath(f.name) + "\n");
  }
  std::sort(lines.begin(), lines.end(),
            [](const std::string& a, const std::string& b) { return a.substr(66) < b.substr(66); });
  std::string out;
  for (const std::string& l : lines) out += l;
  return out;
}

// bagit.txt, bag-info.txt and manifest-sha256.txt, written and added to
// `files` (as tag files), then tagmanifest-sha256.txt of every tag file.
bool bagFiles(const TapeEntry& e, Staging* s, std::vector<BagFile>* files, BagResult* r) {
  for (const BagFile& f : *files)
    r->files += f.payload ? 1 : 0, r->bytes += f.payload ? f.placed.size : 0;
  std::string info = "Bag-Software-Agent: kovrant-collection " DAT_VERSION "\n";
  info += "Bagging-Date: " + isoTime(systemClock()).substr(0, 10) + "\n";
  info += "External-Identifier: " + e.tape().value_or("") + "\n";
  info += "Payload-Oxum: " + std::to_string(r->bytes) + "." + std::to_string(r->files) + "\n";
  std::pair<const char*, std::string> texts[] = {
      {"bagit.txt", "BagIt-Version: 1.0\nTag-File-Character-Encoding: UTF-8\n"},
      {"bag-info.txt", info},
      {"manifest-sha256.txt", manifest(*files, true)}};
  for (auto& t : texts) {
    BagFile f;
    f.name = t.first;
    f.target = s->file(f.name);
    if (!writeWithDigest(f.target, t.second, &f.placed)) {
      r->code = f.placed.failure, r->file = f.name, r->error = f.placed.error;
      return false;
    }
    files->push_back(f);
  }
  Placed placed;
  if (writeWithDigest(s->file("tagmanifest-sha256.txt"), manifest(*files, false), &placed)) {
    return true;
  }
  r->code = placed.failure, r->file = "tagmanifest-sha256.txt", r->error = placed.error;
  return false;
}

// Every file placed, on both processors; false, with the first that failed
// noted in `r`, where one did.
bool placeAll(std::vector<BagFile>* files, BagResult* r) {
  onTwoProcessors(files->size(), [files](size_t k) {
    BagFile& f = (*files)[k];
    if (f.payload) {
      place(&f);
    } else {
      copyWithDigest(f.source, f.target, &f.placed);
    }
  });
  for (const BagFile& f : *files) {
    if (f.placed.failure.empty()) continue;
    r->code = f.placed.failure, r->file = f.name, r->error = f.placed.error;
    return false;
  }
  return true;
}

}  // namespace

void writeBag(TapeEntry* e, const std::string& bags) {
  BagResult r;
  r.state = "failed";
  std::string id = e->tape().value_or("");
  r.path = inDirectory(bags, id);
  Staging s;
  std::vector<BagFile> files;
  errno = 0;
  if (disk::standsUnder(r.path.c_str())) {
    r.code = "in-the-way";
  } else if (!s.begin(bags, id)) {
    r.code = "write-failed", r.error = errno != 0 ? errno : EIO;
  } else if (payloadFiles(*e, &s, &files, &r) && (tagFiles(*e, &s, &files), true) &&
             placeAll(&files, &r) && bagFiles(*e, &s, &files, &r)) {
    errno = 0;
    if (disk::renameToFree(s.path().c_str(), r.path.c_str())) {
      s.keep();
      r.state = "written";
    } else {
      r.code = errno == EEXIST ? "in-the-way" : "write-failed";
      r.error = errno == EEXIST ? 0 : errno;
    }
  }
  if (r.state != "written") r.files = r.bytes = 0;
  e->bag = r;
}

void chooseBags(std::vector<TapeEntry>* entries) {
  auto rank = [](const TapeEntry& e) {
    return (std::string(e.verdict()) == "complete" ? 0 : 2) + (e.merge ? 0 : 1);
  };
  for (TapeEntry& e : *entries) {
    std::string v = e.verdict();
    const char* code = !e.tape()                                   ? "no-identity"
                       : v == "not-converted" || v == "no-records" ? "not-converted"
                       : v == "failed"                             ? "failed"
                       : v == "changed"                            ? "changed"
                                                                   : nullptr;
    if (code != nullptr) e.bag = BagResult{"refused", code, "", "", 0, 0, 0};
  }
  for (TapeEntry& e : *entries) {
    if (e.bag) continue;
    for (const TapeEntry& other : *entries) {
      if (&other == &e || other.bag || other.tape() != e.tape()) continue;
      bool better = rank(other) < rank(e) || (rank(other) == rank(e) && other.path < e.path);
      if (better) e.bag = BagResult{"refused", "other", other.path, "", 0, 0, 0};
    }
  }
}

}  // namespace collection
