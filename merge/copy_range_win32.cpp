// Win32 form of copyRange: the C runtime's _lseeki64, _read and _write on
// the streams' descriptors (the system has no copy between two files'
// stretches that leaves the bytes in it).
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "copy_range.h"

namespace {

bool failed(bool reading, int error, CopyFault* fault) {
  fault->reading = reading;
  fault->error = error != 0 ? error : EIO;
  return false;
}

}  // namespace

bool copyRange(FILE* from, int64_t at, int64_t length, FILE* to, CopyFault* fault) {
  errno = 0;
  if (std::fflush(to) != 0) return failed(false, errno, fault);
  int in = _fileno(from), out = _fileno(to);
  if (_lseeki64(in, at, SEEK_SET) != at) return failed(true, errno, fault);
  constexpr int64_t kBlock = 1 << 20;
  std::unique_ptr<char[]> buffer(new char[kBlock]);
  while (length > 0) {
    errno = 0;
    int got = _read(in, buffer.get(), static_cast<unsigned>(length < kBlock ? length : kBlock));
    if (got <= 0) return failed(true, got < 0 ? errno : EIO, fault);  // 0: the file ended first
    for (int put = 0; put < got;) {
      errno = 0;
      int n = _write(out, buffer.get() + put, static_cast<unsigned>(got - put));
      if (n <= 0) return failed(false, n < 0 ? errno : EIO, fault);
      put += n;
    }
    length -= got;
  }
  return true;
}
