// Win32 file-system steps: CREATE_NEW (the C library's _O_EXCL),
// GetFileAttributesA, DeleteFileA and MoveFileExA, which act on a link
// itself, not on its target.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "output_file_platform.h"

namespace platform {

FILE* createNew(const char* name) {
  int fd = _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  FILE* f = _fdopen(fd, "wb");
  if (f == nullptr) {
    int error = errno;
    _close(fd);
    DeleteFileA(name);
    errno = error;
  }
  return f;
}

bool directoryUnder(const char* name) {
  DWORD attributes = GetFileAttributesA(name);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  errno = EISDIR;
  return true;
}

bool removeName(const char* name) {
  if (DeleteFileA(name)) return true;
  DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
  errno = EACCES;
  return false;
}

bool moveOver(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return true;
  errno = EACCES;
  return false;
}

bool moveToFree(const char* from, const char* to) {
  if (MoveFileExA(from, to, 0)) return true;
  DWORD error = GetLastError();
  errno = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST : EACCES;
  return false;
}

unsigned long processId() {
  return GetCurrentProcessId();
}

namespace {

bool fileIdentity(const char* name, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = GetFileInformationByHandle(h, info) != 0;
  CloseHandle(h);
  return ok;
}

FileStamp stampFrom(const BY_HANDLE_FILE_INFORMATION& info) {
  FileStamp stamp;
  stamp.device = info.dwVolumeSerialNumber;
  stamp.file = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
  stamp.size =
      static_cast<int64_t>(static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow);
  stamp.modified =
      static_cast<int64_t>(static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
                           info.ftLastWriteTime.dwLowDateTime);
  return stamp;
}

}  // namespace

bool stampOf(FILE* f, FileStamp* stamp) {
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  BY_HANDLE_FILE_INFORMATION info;
  if (h == INVALID_HANDLE_VALUE || GetFileInformationByHandle(h, &info) == 0) return false;
  *stamp = stampFrom(info);
  return true;
}

FILE* openRegular(const char* name) {
  // No FIFO stands under a file name here (pipes have names of their own),
  // but a device name does (NUL, CON).
  FILE* f = std::fopen(name, "rb");
  if (f == nullptr) return nullptr;
  struct _stat64 st;
  if (_fstat64(_fileno(f), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    std::fclose(f);
    errno = EINVAL;
    return nullptr;
  }
  return f;
}

bool stampOf(const char* name, FileStamp* stamp) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!fileIdentity(name, &info)) return false;
  *stamp = stampFrom(info);
  return true;
}

std::vector<std::string> namesHere() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA("*", &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return names;
}

bool ownRegularFile(const char* name) {
  DWORD attributes = GetFileAttributesA(name);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool ownFile(FILE*) {
  return true;
}

bool leftByGoneProcess(const char* name, unsigned long pid) {
  DWORD attributes = GetFileAttributesA(name);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  bool gone = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  CloseHandle(process);
  return gone;
}

bool sameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return fileIdentity(a, &ia) && fileIdentity(b, &ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace platform
