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

#include "conversion.h"
#include "dat_frame.h"
#include "fuzz_support.h"
#include "wav_check.h"

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

  wavcheck::ImageAudio audio(data, n);
  DIR* d = opendir(".");
  std::vector<std::string> names;
  while (struct dirent* e = readdir(d)) {
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  }
  closedir(d);
  check(n > 0 || names.empty(), "files from an image without a frame", "");
  for (const std::string& name : names) {
    std::string problem = audio.problem(name, slurp(name));
    check(problem.empty(), problem.c_str(), name);
    unlink(name.c_str());
  }
  return 0;
}
