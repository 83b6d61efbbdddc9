// make_image: writes a synthesized frame image, deterministic from its seed.
//
//   make_image [--seed N] [--programs N] [--frames N] [--rate44 K] [--32k]
//              [--repeat] [--tail N] [--no-glitches] OUTPUT
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frame_builder.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: make_image [--seed N] [--programs N] [--frames N] [--rate44 K] [--32k]\n"
               "                  [--repeat] [--tail N] [--no-glitches] OUTPUT\n");
  return 2;
}

bool number(const char* text, long long& out) {
  char* end = nullptr;
  out = std::strtoll(text, &end, 10);
  return end != text && *end == '\0' && out >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  synth::SynthOptions o;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    long long v = 0;
    bool valued =
        a == "--seed" || a == "--programs" || a == "--frames" || a == "--rate44" || a == "--tail";
    if (valued) {
      if (i + 1 >= argc || !number(argv[++i], v)) return usage();
      if (a == "--seed") o.seed = static_cast<uint64_t>(v);
      if (a == "--programs") o.programs = static_cast<int>(v);
      if (a == "--frames") o.frames = v;
      if (a == "--rate44") o.rate44Program = static_cast<int>(v);
      if (a == "--tail") o.tail = static_cast<int>(v);
    } else if (a == "--32k") {
      o.with32k = true;
    } else if (a == "--repeat") {
      o.repeat = true;
    } else if (a == "--no-glitches") {
      o.glitches = false;
    } else if (!a.empty() && a[0] != '-' && output == nullptr) {
      output = argv[i];
    } else {
      return usage();
    }
  }
  if (output == nullptr || o.programs < 1 || o.programs > 999) return usage();
  if (!synth::writeFile(output, synth::synthesizeImage(o))) {
    std::fprintf(stderr, "make_image: cannot write %s: %s\n", output, std::strerror(errno));
    return 1;
  }
  return 0;
}
