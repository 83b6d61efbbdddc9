// POSIX form of the read-only mapping: open(2), fstat(2), mmap(2).
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "mapped_file.h"

MappedFile::~MappedFile() {
  if (view != nullptr) munmap(const_cast<uint8_t*>(view), static_cast<size_t>(fileSize));
  if (file >= 0) ::close(static_cast<int>(file));
}

bool MappedFile::openFile(const char* name) {
  int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  file = fd;
  // A directory opens for reading here, but is no file to map.
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return false;
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return true;
}

bool MappedFile::readSize() {
  struct stat st;
  if (fstat(static_cast<int>(file), &st) != 0 || st.st_size < 0) return false;
  fileSize = static_cast<uint64_t>(st.st_size);
  return true;
}

bool MappedFile::createMapping() {
  // mmap(2) has no separate mapping object; what can make one impossible is
  // checked here: an empty file, or one larger than the address space.
  if (fileSize == 0 || fileSize > SIZE_MAX) return false;
  mapping = 1;  // ready for mapView
  return true;
}

bool MappedFile::mapView() {
  if (mapping == 0) return false;
  void* p = mmap(nullptr, static_cast<size_t>(fileSize), PROT_READ, MAP_SHARED,
                 static_cast<int>(file), 0);
  if (p == MAP_FAILED) return false;
  view = static_cast<const uint8_t*>(p);
  madvise(p, static_cast<size_t>(fileSize), MADV_SEQUENTIAL);
  return true;
}

void MappedFile::lockView() {
  // Pinning the whole image (mlock) would read all of it before the first
  // frame is converted and hold it against the rest of the system; the
  // sequential advice already keeps read-ahead ahead of the walk.
}

void enlargeWorkingSet() {
  // Linux keeps no per-process working-set limit: resident pages are only
  // bounded by memory pressure, so there is nothing to enlarge.
}
