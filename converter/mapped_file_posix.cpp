// POSIX form of the read-only mapping: open(2), fstat(2), mmap(2).
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "mapped_file.h"

namespace {

// A file truncated under its mapping raises SIGBUS on the next read beyond
// its new end. The handler maps zero pages over the rest of the view, so the
// read goes on, and records the change for the program to report.
// Atomic: the fault may come on the thread that takes the frames' peaks
// while the conversion's thread reads it (lock-free, so safe in a handler).
std::atomic<int> changed{static_cast<int>(ImageChange::None)};
static_assert(std::atomic<int>::is_always_lock_free, "set in a signal handler");
uintptr_t viewStart = 0;
uintptr_t viewEnd = 0;
uintptr_t pageSize = 4096;
int viewFile = -1;
struct sigaction previousBusAction;
// The mapped file as it was mapped, and its name.
struct stat mappedAs;
const char* mappedName = nullptr;

void onBusError(int, siginfo_t* info, void*) {
  uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  if (at >= viewStart && at < viewEnd) {
    // The file's size now tells a shortened file from a page that could not
    // be read (fstat is safe here).
    struct stat now;
    ImageChange kind = fstat(viewFile, &now) == 0
                           ? busErrorKind(at - viewStart, static_cast<int64_t>(now.st_size))
                           : ImageChange::ReadError;
    uintptr_t from = at & ~(pageSize - 1);
    if (mmap(reinterpret_cast<void*>(from), viewEnd - from, PROT_READ,
             MAP_PRIVATE | MAP_FIXED | MAP_ANONYMOUS, -1, 0) != MAP_FAILED) {
      changed = static_cast<int>(kind);
      return;
    }
  }
  // Not the view's: the usual end on return.
  sigaction(SIGBUS, &previousBusAction, nullptr);
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool mappedImageChanged() {
  return changed != static_cast<int>(ImageChange::None);
}

ImageChange mappedImageChange() {
  if (mappedImageChanged()) return static_cast<ImageChange>(changed.load());
  if (viewFile < 0) return ImageChange::None;
  struct stat now, named;
  bool same = fstat(viewFile, &now) == 0 && now.st_size == mappedAs.st_size &&
              sameTime(now.st_mtim, mappedAs.st_mtim) && stat(mappedName, &named) == 0 &&
              named.st_dev == mappedAs.st_dev && named.st_ino == mappedAs.st_ino;
  return same ? ImageChange::None : ImageChange::Rewritten;
}

MappedFile::~MappedFile() {
  if (view != nullptr) {
    sigaction(SIGBUS, &previousBusAction, nullptr);
    viewStart = viewEnd = 0;
    viewFile = -1;
    munmap(const_cast<uint8_t*>(view), static_cast<size_t>(fileSize));
  }
  if (file >= 0) ::close(static_cast<int>(file));
}

MappedFile::Failure MappedFile::map(const char* name) {
  // Without O_NONBLOCK a FIFO would wait here for a writer.
  int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Failure::Open;
  file = fd;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return Failure::Open;
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (fstat(fd, &st) != 0 || st.st_size < 0) return Failure::Size;
  fileSize = static_cast<uint64_t>(st.st_size);
  if (fileSize == 0 || fileSize > SIZE_MAX) return Failure::Mapping;
  void* p = mmap(nullptr, static_cast<size_t>(fileSize), PROT_READ, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return Failure::View;
  view = static_cast<const uint8_t*>(p);
  madvise(p, static_cast<size_t>(fileSize), MADV_SEQUENTIAL);
  pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  viewStart = reinterpret_cast<uintptr_t>(p);
  viewEnd = viewStart + ((static_cast<uintptr_t>(fileSize) + pageSize - 1) & ~(pageSize - 1));
  changed = static_cast<int>(ImageChange::None);
  viewFile = fd;
  mappedAs = st;
  mappedName = name;
  struct sigaction action {};
  action.sa_sigaction = onBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  if (sigaction(SIGBUS, &action, &previousBusAction) != 0) {
    // Without the handler a shortened image would end the program: refuse.
    munmap(p, static_cast<size_t>(fileSize));
    view = nullptr;
    viewStart = viewEnd = 0;
    viewFile = -1;
    return Failure::View;
  }
  // No memory lock: pinning the whole image (mlock) would read all of it
  // before the first frame is converted and hold it against the rest of the
  // system; the sequential advice already keeps read-ahead ahead of the walk.
  return Failure::None;
}

void enlargeWorkingSet() {
  // Linux keeps no per-process working-set limit: resident pages are only
  // bounded by memory pressure, so there is nothing to enlarge.
}
