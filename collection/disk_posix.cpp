// POSIX: stat, lstat, realpath, mkdir, rmdir, link, rename.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "disk.h"

namespace disk {

bool isDirectory(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool standsUnder(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0;
}

bool absolutePath(const std::string& path, std::string* absolute) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return false;
  *absolute = resolved;
  std::free(resolved);
  return true;
}

bool makeDirectory(const char* path) {
  return mkdir(path, 0777) == 0;
}

bool removeDirectory(const char* path) {
  return rmdir(path) == 0;
}

bool hardLink(const char* from, const char* to) {
  return link(from, to) == 0;
}

bool renameToFree(const char* from, const char* to) {
  // rename() would replace an empty directory under `to`: looked at first
  // (what appears there in between is replaced only when it is empty).
  if (standsUnder(to)) {
    errno = EEXIST;
    return false;
  }
  return std::rename(from, to) == 0;
}

}  // namespace disk
