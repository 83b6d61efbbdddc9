// Any bytes as a frame image, through the whole conversion. The image is the
// fuzzer's exactly-sized buffer, so AddressSanitizer reports any read beyond
// it. Every file written must be a well-formed WAV whose sizes match its
// length, made of whole frames' audio, never more frames than the image has.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "little_endian.h"
#include "conversion.h"
#include "dat_frame.h"
#include "fuzz_support.h"

namespace {


void check(bool ok, const char* what, const std::string& name) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s (%s)\n", what, name.c_str());
  std::abort();
}


}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory("convert-fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t n = static_cast<int64_t>(size / dat::kFrameSize);
  bool ok = convertFrames(data, n);
  check(ok, "a conversion into a writable directory fails", "");

  std::set<std::string> audio48, audio44;
  for (int64_t i = 0; i < n; ++i) {
    const char* p = reinterpret_cast<const char*>(data + i * dat::kFrameSize);
    audio48.insert(std::string(p, 5760));
    audio44.insert(std::string(p, 5292));
  }
  DIR* d = opendir(".");
  std::vector<std::string> names;
  while (struct dirent* e = readdir(d)) {
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  }
  closedir(d);
  check(n > 0 || names.empty(), "files from an image without a frame", "");
  for (const std::string& name : names) {
    std::vector<uint8_t> b = slurp(name);
    check(b.size() >= 44 && std::memcmp(b.data(), "RIFF", 4) == 0 &&
              std::memcmp(b.data() + 8, "WAVEfmt ", 8) == 0 &&
              std::memcmp(b.data() + 36, "data", 4) == 0,
          "not a canonical WAV header", name);
    uint32_t rate = readLe32(&b[24]), dataSize = readLe32(&b[40]);
    check(readLe32(&b[4]) == b.size() - 8, "RIFF size does not match the file", name);
    check(dataSize == b.size() - 44, "data size does not match the file", name);
    check(readLe32(&b[28]) == rate * 4, "byte rate", name);
    uint32_t per = rate == 48000 ? 5760 : rate == 44100 ? 5292 : 0;
    check(per != 0 || (rate == 32000 && dataSize == 0), "unexpected rate or 32 kHz audio", name);
    if (per != 0) {
      check(dataSize % per == 0, "data is not whole frames", name);
      check(dataSize / per <= static_cast<uint64_t>(n), "more frames than the image holds", name);
      const std::set<std::string>& known = per == 5760 ? audio48 : audio44;
      for (uint32_t at = 0; at < dataSize; at += per) {
        check(known.count(std::string(reinterpret_cast<const char*>(&b[44 + at]), per)) != 0,
              "data that is no frame's audio", name);
      }
    }
    unlink(name.c_str());
  }
  return 0;
}
