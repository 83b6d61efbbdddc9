// Helpers of the fuzz targets.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Moves the fuzzer into a fresh scratch directory (the programs write into
// the current directory), in memory where /dev/shm exists, and sends
// standard output nowhere.
inline void enterScratchDirectory(const char* name) {
  std::string dir =
      std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/") + name + ".XXXXXX";
  if (mkdtemp(&dir[0]) == nullptr || chdir(dir.c_str()) != 0) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  static std::string scratch;
  scratch = dir;
  std::atexit([] {
    unlink("KOVRANT.IMG");
    rmdir(scratch.c_str());
  });
}

inline std::vector<uint8_t> slurp(const std::string& name) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(name.c_str(), "rb");
  if (f == nullptr) return bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  return bytes;
}
