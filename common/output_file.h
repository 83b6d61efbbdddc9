// Files the programs write. Neither ever writes through what already stands
// under a name: a symbolic link there is replaced, not followed, and a file
// that has other names keeps its content under them. A directory in the way
// is refused with EISDIR. One implementation per platform.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Creates `name` afresh as a byte stream for writing: what stands under the
// name is removed first, and the file is created only if the name is then
// free. nullptr, with errno set, on failure.
FILE* createFresh(const char* name);

// Creates `name` for writing only if nothing stands under it (an existing
// file is left as it is). nullptr, with errno set (EEXIST), otherwise.
FILE* createUnused(const char* name);

// Opens `name` for reading when it is a regular file: never waits on what
// else may stand under the name (a FIFO without a writer). nullptr, with
// errno set, otherwise.
FILE* openRegular(const char* name);

// The names a file goes under when another user's stands under its own
// name "STEM.EXT" in a shared directory: "STEM-1.EXT", "STEM-2.EXT", ...
// (`k` = 1, 2, ...), up to kFallbackNames of them.
constexpr int kFallbackNames = 99;
std::string fallbackName(const std::string& name, int k);

// True when `a` and `b` name one and the same file, also through a link.
bool sameFile(const char* a, const char* b);
// True when the open file `f` is this user's (POSIX: its owner; Windows:
// every file the user can open).
bool ownFile(FILE* f);
// Removes `name` when it is a regular file of this user's itself (not a
// link, whatever it leads to). False, with errno set, when it is not one or
// cannot be removed.
bool removeOwnFile(const char* name);

// Which file a name or stream leads to and how it stands: its identity (POSIX:
// device and inode; Windows: volume and file index), its size and its last
// modification (to the nanosecond where the file system keeps it; Windows:
// the last write, in 100 ns).
struct FileStamp {
  uint64_t device = 0, file = 0;
  int64_t size = 0, modified = 0;
  bool operator==(const FileStamp& o) const {
    return device == o.device && file == o.file && size == o.size && modified == o.modified;
  }
};
// The stamp of the open stream `f`, or of what `name` leads to. False when
// the system cannot tell.
bool stampOf(FILE* f, FileStamp* stamp);
bool stampOf(const char* name, FileStamp* stamp);

// Removes the temporary files that StagedFile left in the current directory
// for targets that `ours` accepts, when the process that wrote them has gone
// (an earlier run killed outright) and they are this user's. The names
// removed.
std::vector<std::string> removeStaleTemporaries(
    const std::function<bool(const std::string& target)>& ours);

// A file written under a temporary name beside its own and put in place
// whole by commit(); one that is not committed is removed.
class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile() { discard(); }
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary file for `name`. False, with errno set, when it
  // cannot be created or a directory stands under the name.
  bool create(const char* name);
  FILE* stream() const { return file; }
  // Closes the stream and renames the file into place. False, with errno
  // set, when either fails; the temporary file is then removed.
  bool commit();
  // As commit(), but where a file that may not be replaced stands under the
  // name (another user's in a shared directory), the file goes under the
  // first free "STEM-1.EXT", "STEM-2.EXT", ... instead (none is ever
  // replaced): name() tells which and refusal() why.
  bool commitBesideAnother();
  // Writes `text` as the whole file `name`: create(), the text,
  // commitBesideAnother(). False, with errno set, when any of them fails.
  bool writeWhole(const char* name, const std::string& text);
  const std::string& name() const { return target; }
  int refusal() const { return refused; }
  // Closes the stream, if open, and removes the temporary file.
  void discard();

 private:
  FILE* file = nullptr;
  std::string target;
  std::string temporary;
  int refused = 0;
};
