// A whole file mapped read-only, acquired step by step so that the caller can
// tell which step failed. The destructor releases the view, the mapping and
// the file, in that order. One implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Opens an existing regular file for reading (others may read it too),
  // with the hint that it will be read sequentially. Anything else (a
  // directory, a pipe, a device) is refused without waiting on it.
  bool openFile(const char* name);
  // Reads the size of the open file.
  bool readSize();
  // Prepares a read-only mapping of the whole file. An empty file cannot be
  // mapped.
  bool createMapping();
  // Maps the whole file into the address space.
  bool mapView();
  // Asks for the view to stay in physical memory. Best effort.
  void lockView();

  const uint8_t* data() const { return view; }
  uint64_t size() const { return fileSize; }

 private:
  intptr_t file = -1;  // platform file handle
  intptr_t mapping = 0;  // platform mapping object, where there is one
  const uint8_t* view = nullptr;
  uint64_t fileSize = 0;
};

// True once the mapped file has become shorter than its view (another
// program truncated it): what lay beyond its new end now reads as zeros.
bool mappedImageChanged();

// Lets the process keep more of the image resident: on a system with
// per-process working-set limits, both limits become an eighth of the
// available physical memory. Best effort.
void enlargeWorkingSet();
