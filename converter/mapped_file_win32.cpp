// Win32 form of the read-only mapping: CreateFileA, GetFileSize,
// CreateFileMappingA, MapViewOfFileEx, VirtualLock.
#include <windows.h>

#include <cstdint>

#include "mapped_file.h"

namespace {
HANDLE handleOf(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

// Windows refuses to shorten a file while it is mapped.
bool mappedImageChanged() { return false; }

MappedFile::~MappedFile() {
  if (view != nullptr) UnmapViewOfFile(view);
  if (mapping != 0) CloseHandle(handleOf(mapping));
  if (file != -1) CloseHandle(handleOf(file));
}

bool MappedFile::openFile(const char* name) {
  HANDLE h = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  file = reinterpret_cast<intptr_t>(h);
  return true;
}

bool MappedFile::readSize() {
  DWORD high = 0;
  DWORD low = GetFileSize(handleOf(file), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  fileSize = (static_cast<uint64_t>(high) << 32) | low;
  return true;
}

bool MappedFile::createMapping() {
  if (fileSize > SIZE_MAX) return false;
  HANDLE m = CreateFileMappingA(handleOf(file), nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (m == nullptr) return false;
  mapping = reinterpret_cast<intptr_t>(m);
  return true;
}

bool MappedFile::mapView() {
  void* p = MapViewOfFileEx(handleOf(mapping), FILE_MAP_READ, 0, 0, 0, nullptr);
  if (p == nullptr) return false;
  view = static_cast<const uint8_t*>(p);
  return true;
}

void MappedFile::lockView() {
  VirtualLock(const_cast<uint8_t*>(view), static_cast<SIZE_T>(fileSize));
}

void enlargeWorkingSet() {
  HANDLE self = GetCurrentProcess();
  SIZE_T minimum = 0, maximum = 0;
  if (!GetProcessWorkingSetSize(self, &minimum, &maximum)) return;
  MEMORYSTATUS status;
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  SIZE_T size = status.dwAvailPhys / 8;
  SetProcessWorkingSetSize(self, size, size);
}
