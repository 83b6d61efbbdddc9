// POSIX file-system steps: O_EXCL | O_NOFOLLOW, lstat, unlink, rename.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "output_file_platform.h"

namespace platform {

FILE* createNew(const char* name) {
  int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  FILE* f = fdopen(fd, "wb");
  if (f == nullptr) {
    int error = errno;
    close(fd);
    unlink(name);
    errno = error;
  }
  return f;
}

bool directoryUnder(const char* name) {
  struct stat st;
  if (lstat(name, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  errno = EISDIR;
  return true;
}

bool removeName(const char* name) {
  return unlink(name) == 0 || errno == ENOENT;
}

bool moveOver(const char* from, const char* to) {
  return std::rename(from, to) == 0;
}

bool moveToFree(const char* from, const char* to) {
  // A second name made only if it is free, then the first removed.
  return link(from, to) == 0 && unlink(from) == 0;
}

unsigned long processId() {
  return static_cast<unsigned long>(getpid());
}

bool sameFile(const char* a, const char* b) {
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

FileStamp stampFrom(const struct stat& st) {
  FileStamp stamp;
  stamp.device = static_cast<uint64_t>(st.st_dev);
  stamp.file = static_cast<uint64_t>(st.st_ino);
  stamp.size = static_cast<int64_t>(st.st_size);
  stamp.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return stamp;
}

}  // namespace

bool stampOf(FILE* f, FileStamp* stamp) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0) return false;
  *stamp = stampFrom(st);
  return true;
}

FILE* openRegular(const char* name) {
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  int flags = fcntl(fd, F_GETFL);
  FILE* f = nullptr;
  if (fstat(fd, &st) != 0) {
    // errno set
  } else if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  } else if (flags != -1 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != -1) {
    f = fdopen(fd, "rb");
  }
  if (f == nullptr) {
    int error = errno;
    close(fd);
    errno = error;
  }
  return f;
}

bool stampOf(const char* name, FileStamp* stamp) {
  struct stat st;
  if (stat(name, &st) != 0) return false;
  *stamp = stampFrom(st);
  return true;
}

std::vector<std::string> namesHere() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(".")) {
    while (dirent* e = readdir(dir)) names.push_back(e->d_name);
    closedir(dir);
  }
  return names;
}

bool ownRegularFile(const char* name) {
  struct stat st;
  return lstat(name, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
}

bool ownFile(FILE* f) {
  struct stat st;
  return fstat(fileno(f), &st) == 0 && st.st_uid == geteuid();
}

bool leftByGoneProcess(const char* name, unsigned long pid) {
  struct stat st;
  if (lstat(name, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) return false;
  return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace platform
