// Building DAT frames and frame images: for the image synthesizer, the tests
// and the benchmarks. Not part of either program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dat_frame.h"

namespace synth {

using Frame = std::vector<uint8_t>;  // kFrameSize bytes

Frame blankFrame();
void setRateCode(Frame& f, int code);
void setProgram(Frame& f, int hundreds, int tens, int units);
// Program number p (0-999) as three decimal digits.
void setProgramNumber(Frame& f, int p);
void setPackCount(Frame& f, int count);
void setSubId3(Frame& f, uint8_t value);
void setFilterBit(Frame& f, bool on);
// An ATIME pack (item 2) in pack slot k: each field as raw BCD bytes.
void setAtime(Frame& f, int k, uint8_t hours, uint8_t minutes, uint8_t seconds, uint8_t frame);
// Every sample of the frame's audio area set to `value`.
void fillConstant(Frame& f, int16_t value);
void setSample(Frame& f, int index, int16_t value);

// Deterministic pseudo-random numbers (splitmix64), the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state(seed) {}
  uint64_t next();
  // Uniform in [0, bound).
  uint32_t below(uint32_t bound) { return static_cast<uint32_t>(next() % bound); }

 private:
  uint64_t state;
};

// Fills the audio of a frame at `rateCode` with a triangle tone of the given
// period (in samples) and amplitude plus noise; `phase` carries on across
// frames. Integer arithmetic only, so every platform makes the same bytes.
void fillTone(Frame& f, int rateCode, uint32_t& phase, uint32_t period, int amplitude, int noise,
              Random& random);

struct SynthOptions {
  uint64_t seed = 1;
  int programs = 5;
  int64_t frames = 6000;  // about: programs are spread over this many frames
  int rate44Program = 3;  // this program is recorded at 44.1 kHz; 0: none
  bool with32k = false;   // a stretch of 32 kHz frames before the last program
  bool repeat = false;    // program 1 comes back once more at the end
  int tail = 40;          // frames of unusable tape after the recording
  bool glitches = true;   // single-frame errors in identification bytes
};

// A realistic recording: programs of tone and noise separated by silence,
// with ATIME packs, program numbers in the sub-ID bytes and a tail.
std::vector<uint8_t> synthesizeImage(const SynthOptions& options);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace synth
