// A whole file mapped read-only. The destructor releases the view, the
// mapping and the file, in that order. One implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Where mapping a file can fail; the caller names the step.
  enum class Failure {
    None,
    Open,     // no regular file to read under the name (a directory, a pipe, a device: refused at
              // once)
    Size,     // its size cannot be read
    Mapping,  // it cannot be mapped: empty, or larger than the address space
    View,     // the view cannot be placed in the address space
  };

  // Maps the whole regular file `name` read-only, for reading from start to
  // end (others may read it too), and asks for it to stay in physical memory
  // (best effort).
  Failure map(const char* name);

  const uint8_t* data() const { return view; }
  uint64_t size() const { return fileSize; }

 private:
  intptr_t file = -1;                     // platform file handle
  [[maybe_unused]] intptr_t mapping = 0;  // platform mapping object, where there is one
  const uint8_t* view = nullptr;
  uint64_t fileSize = 0;
};

// True once reading the mapped file has failed (see mappedImageChange):
// what lay beyond the failed page now reads as zeros. Cheap: for every frame.
bool mappedImageChanged();

// What became of the mapped file since it was mapped.
enum class ImageChange {
  None,
  Shortened,  // another program truncated it: the view reached past its end
  ReadError,  // a page of it could not be read (an I/O error): its size is whole
  Rewritten,  // its size or modification time changed, or its name now leads
              // to another file (written again in place, replaced)
};
// Looks at the file itself too (its size, time and identity): before a file
// made from it is committed, and at the end.
ImageChange mappedImageChange();
// How a read fault at byte `offset` of a file whose size is now `size` came
// about: past the end, the file was shortened; inside it, the page could not
// be read.
ImageChange busErrorKind(uint64_t offset, int64_t size);

// Lets the process keep more of the image resident: on a system with
// per-process working-set limits, both limits become an eighth of the
// available physical memory. Best effort.
void enlargeWorkingSet();
