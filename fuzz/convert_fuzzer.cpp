// Any bytes as a frame image, through the whole conversion with any options.
// An input is one byte of options, a bit each (1 --keep-time, 2 --bwf,
// 4 --convert-32k; the other bits are not looked at), and the image: the
// rest of the fuzzer's exactly-sized buffer, so AddressSanitizer reports any
// read beyond it. Every file written must be a well-formed WAV whose sizes
// match its length, made of whole frames' audio (and silence where
// --keep-time fills a gap), never more frames than the image has, with the
// chunks and label files of the options given and no others.
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
  if (size == 0) return 0;
  ConversionOptions options;
  options.keepTime = (data[0] & 1) != 0;
  options.bwf = (data[0] & 2) != 0;
  options.convert32k = (data[0] & 4) != 0;
  const uint8_t* image = data + 1;
  int64_t n = static_cast<int64_t>((size - 1) / dat::kFrameSize);
  bool ok = convertFrames(image, n, options);
  check(ok, "a conversion into a writable directory fails", "");

  wavcheck::ImageAudio audio(image, n);
  DIR* d = opendir(".");
  std::vector<std::string> names;
  while (struct dirent* e = readdir(d)) {
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  }
  closedir(d);
  check(n > 0 || names.empty(), "files from an image without a frame", "");
  for (const std::string& name : names) {
    std::string problem = audio.problem(name, slurp(name), options);
    check(problem.empty(), problem.c_str(), name);
    unlink(name.c_str());
  }
  return 0;
}
