#include "verify.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "output_file.h"
#include "sha256.h"
#include "two_processors.h"
#include "wav_md5.h"

namespace collection {

namespace {

// A piece of a file at a time: within the processor's second-level cache,
// where the digests read it again.
constexpr size_t kPiece = 256 << 10;

std::string lower(std::string hex) {
  for (char& c : hex) c = c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
  return hex;
}

// The digests of the open file `f`, read from its start; false, with errno
// set, where a read fails.
bool digestsOf(FILE* f, FileCheck* c, Sha256* sha, WavMd5* wav) {
  std::vector<uint8_t> piece(kPiece);
  std::setvbuf(f, nullptr, _IONBF, 0);
  errno = 0;
  for (size_t n; (n = std::fread(piece.data(), 1, piece.size(), f)) > 0;) {
    if (c->sha256) sha->update(piece.data(), n);
    if (c->md5) wav->feed(piece.data(), n);
    c->read += static_cast<int64_t>(n);
  }
  if (std::ferror(f) == 0) return true;
  if (errno == 0) errno = EIO;
  return false;
}

void compare(FileCheck* c, Sha256* sha, WavMd5* wav) {
  std::vector<std::string>& problems = c->found.problems;
  if (c->sha256) {
    c->sha256Found = sha->hex();
    if (c->sha256Found != lower(*c->sha256)) problems.push_back("sha256");
  }
  if (!c->md5) return;
  if (!wav->hasChunk()) {
    problems.push_back("no-md5-chunk");
    return;
  }
  if (wav->chunk() != lower(*c->md5)) problems.push_back("md5-chunk");
  if (wav->data() != wav->chunk()) problems.push_back("md5-data");
}

}  // namespace

bool plainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\:") == std::string::npos;
}

std::vector<FileCheck> filesNamed(const records::Conversion& c, const std::string& dir) {
  std::vector<FileCheck> out;
  auto entry = [&](const std::string& name) -> FileCheck& {
    for (FileCheck& f : out) {
      if (f.name == name) return f;
    }
    out.emplace_back();
    out.back().name = out.back().found.name = name;
    out.back().path = inDirectory(dir, name);
    out.back().nameRefused = !plainName(name);
    return out.back();
  };
  for (const records::WrittenFile& w : c.written) {
    FileCheck& f = entry(w.name);
    f.bytes = w.bytes;
    f.sha256 = w.sha256;
  }
  for (const records::ConversionFile& file : c.files) {
    if (!file.sha256) continue;  // not kept
    FileCheck& f = entry(file.name);
    if (!f.sha256) f.sha256 = file.sha256;
    f.md5 = file.md5;
  }
  return out;
}

void checkFile(FileCheck* c) {
  std::vector<std::string>& problems = c->found.problems;
  if (c->nameRefused) {
    problems.push_back("name");
    return;
  }
  errno = 0;
  FILE* f = openRegular(c->path.c_str());
  if (f == nullptr) {
    bool missing = errno == ENOENT || errno == ENOTDIR;
    problems.push_back(missing ? "missing" : "unreadable");
    if (!missing) c->found.error = errno;
    return;
  }
  FileStamp stamp;
  if (c->bytes && stampOf(f, &stamp) && stamp.size != *c->bytes) problems.push_back("size");
  Sha256 sha;
  WavMd5 wav;
  bool read = !c->sha256 && !c->md5 ? true : digestsOf(f, c, &sha, &wav);
  int error = errno;
  std::fclose(f);
  if (!read) {
    problems.push_back("unreadable");
    c->found.error = error;
    return;
  }
  compare(c, &sha, &wav);
}

void checkFiles(std::vector<FileCheck*>* files) {
  // The largest first, so that the two threads end together.
  std::stable_sort(files->begin(), files->end(), [](const FileCheck* a, const FileCheck* b) {
    return a->bytes.value_or(0) > b->bytes.value_or(0);
  });
  onTwoProcessors(files->size(), [files](size_t k) { checkFile((*files)[k]); });
}

}  // namespace collection
