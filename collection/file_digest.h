// A file's bytes read once for their SHA-256: in place, copied to a new
// file, or written from a text. The bag's files are placed so.
#pragma once

#include <cstdint>
#include <string>

// What placing a file found: its size and SHA-256, or what failed
// ("read-failed", "write-failed", and the bag's own "differs") with the
// system's errno.
struct Placed {
  int64_t size = 0;
  std::string sha256;
  std::string failure;
  int error = 0;
};

// The file `path` read.
bool digestOf(const std::string& path, Placed* placed);
// `from` copied to the new file `to` (created only where nothing stands,
// never through a link) as it is read.
bool copyWithDigest(const std::string& from, const std::string& to, Placed* placed);
// `text` written as the new file `to`.
bool writeWithDigest(const std::string& to, const std::string& text, Placed* placed);
