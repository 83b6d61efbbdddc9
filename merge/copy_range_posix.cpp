// POSIX form of copyRange: the kernel's own copy where the system has one
// (copyInKernel), which leaves the bytes in the kernel; where it cannot
// (another file system, not a regular file, an old kernel, a file system
// that copies nothing), a loop of pread(2) and write(2).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "copy_in_kernel.h"
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
  int in = fileno(from), out = fileno(to);
  // Whatever stopped the kernel's copy (EXDEV, EINVAL, ENOSYS, EOPNOTSUPP,
  // nothing copied before the end, or a real failure) the loop meets again,
  // and tells whether the reading or the writing failed.
  copyInKernel(in, out, &at, &length);
  if (length == 0) return true;
  constexpr int64_t kBlock = 1 << 20;
  std::unique_ptr<char[]> buffer(new char[kBlock]);
  while (length > 0) {
    ssize_t got = pread(in, buffer.get(), static_cast<size_t>(length < kBlock ? length : kBlock),
                        static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return failed(true, got < 0 ? errno : EIO, fault);  // 0: the file ended first
    for (ssize_t put = 0; put < got;) {
      ssize_t n = write(out, buffer.get() + put, static_cast<size_t>(got - put));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return failed(false, n < 0 ? errno : EIO, fault);
      put += n;
    }
    at += got;
    length -= got;
  }
  return true;
}
