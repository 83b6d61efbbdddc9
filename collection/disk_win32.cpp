// Win32: GetFileAttributesA, GetFullPathNameA, CreateDirectoryA,
// RemoveDirectoryA, CreateHardLinkA and MoveFileExA (which never replaces a
// directory).
#include <windows.h>

#include <cerrno>
#include <vector>

#include "disk.h"

namespace disk {

namespace {

// errno for the last Win32 error of a step.
void setErrno() {
  DWORD error = GetLastError();
  errno = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS      ? EEXIST
          : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
          : error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL    ? ENOSPC
          : error == ERROR_NOT_SAME_DEVICE                                 ? EXDEV
                                                                           : EACCES;
}

}  // namespace

bool isDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool standsUnder(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool absolutePath(const std::string& path, std::string* absolute) {
  DWORD n = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (n == 0 || !standsUnder(path.c_str())) return false;
  std::vector<char> full(n + 1);
  n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n == 0 || n >= full.size()) return false;
  absolute->assign(full.data(), n);
  for (char& c : *absolute) c = c == '\\' ? '/' : c;
  return true;
}

bool makeDirectory(const char* path) {
  if (CreateDirectoryA(path, nullptr)) return true;
  setErrno();
  return false;
}

bool removeDirectory(const char* path) {
  if (RemoveDirectoryA(path)) return true;
  setErrno();
  return false;
}

bool hardLink(const char* from, const char* to) {
  if (CreateHardLinkA(to, from, nullptr)) return true;
  setErrno();
  return false;
}

bool renameToFree(const char* from, const char* to) {
  if (MoveFileExA(from, to, 0)) return true;
  setErrno();
  return false;
}

}  // namespace disk
