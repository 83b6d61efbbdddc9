// Win32 form of the read-only mapping: CreateFileA, GetFileSize,
// CreateFileMappingA, MapViewOfFileEx, VirtualLock.
#include <windows.h>

#include <cstdint>

#include "mapped_file.h"

namespace {
HANDLE handleOf(intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}
}  // namespace

// Windows refuses to shorten a file while it is mapped, and the file is
// opened without sharing write access: nobody else can change it.
bool mappedImageChanged() {
  return false;
}

ImageChange mappedImageChange() {
  return ImageChange::None;
}

MappedFile::~MappedFile() {
  if (view != nullptr) UnmapViewOfFile(view);
  if (mapping != 0) CloseHandle(handleOf(mapping));
  if (file != -1) CloseHandle(handleOf(file));
}

MappedFile::Failure MappedFile::map(const char* name) {
  HANDLE h = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Failure::Open;
  file = reinterpret_cast<intptr_t>(h);
  DWORD high = 0;
  DWORD low = GetFileSize(h, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return Failure::Size;
  fileSize = (static_cast<uint64_t>(high) << 32) | low;
  if (fileSize > SIZE_MAX) return Failure::Mapping;
  HANDLE m = CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (m == nullptr) return Failure::Mapping;
  mapping = reinterpret_cast<intptr_t>(m);
  void* p = MapViewOfFileEx(m, FILE_MAP_READ, 0, 0, 0, nullptr);
  if (p == nullptr) return Failure::View;
  view = static_cast<const uint8_t*>(p);
  VirtualLock(p, static_cast<SIZE_T>(fileSize));
  return Failure::None;
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
