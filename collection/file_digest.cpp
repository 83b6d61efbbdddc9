#include "file_digest.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "output_file.h"
#include "sha256.h"

namespace {

constexpr size_t kPiece = 256 << 10;

bool failed(Placed* p, const char* step) {
  p->failure = step;
  p->error = errno != 0 ? errno : EIO;
  return false;
}

// Reads `in` to its end into the digest, writing each piece to `out` where
// there is one. False, noted in `p`, where a step fails.
bool stream(FILE* in, FILE* out, Placed* p) {
  std::vector<uint8_t> piece(kPiece);
  Sha256 sha;
  std::setvbuf(in, nullptr, _IONBF, 0);
  errno = 0;
  for (size_t n; (n = std::fread(piece.data(), 1, piece.size(), in)) > 0;) {
    sha.update(piece.data(), n);
    p->size += static_cast<int64_t>(n);
    if (out != nullptr && std::fwrite(piece.data(), 1, n, out) != n) {
      return failed(p, "write-failed");
    }
  }
  if (std::ferror(in) != 0) return failed(p, "read-failed");
  p->sha256 = sha.hex();
  return true;
}

}  // namespace

bool digestOf(const std::string& path, Placed* p) {
  errno = 0;
  FILE* in = openRegular(path.c_str());
  if (in == nullptr) return failed(p, "read-failed");
  bool read = stream(in, nullptr, p);
  std::fclose(in);
  return read;
}

bool copyWithDigest(const std::string& from, const std::string& to, Placed* p) {
  errno = 0;
  FILE* in = openRegular(from.c_str());
  if (in == nullptr) return failed(p, "read-failed");
  FILE* out = createUnused(to.c_str());
  if (out == nullptr) {
    std::fclose(in);
    return failed(p, "write-failed");
  }
  bool copied = stream(in, out, p);
  std::fclose(in);
  errno = 0;
  if (std::fclose(out) != 0 && copied) return failed(p, "write-failed");
  return copied;
}

bool writeWithDigest(const std::string& to, const std::string& text, Placed* p) {
  errno = 0;
  FILE* out = createUnused(to.c_str());
  if (out == nullptr) return failed(p, "write-failed");
  bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  errno = written ? 0 : errno;
  if (std::fclose(out) != 0 || !written) return failed(p, "write-failed");
  Sha256 sha;
  sha.update(text.data(), text.size());
  p->size = static_cast<int64_t>(text.size());
  p->sha256 = sha.hex();
  return true;
}
