// De-emphasis: the inverse of the 50/15 µs pre-emphasis that some DAT
// recorders applied, H(s) = (1 + s·15 µs) / (1 + s·50 µs), as a digital
// filter for an access copy (the preservation file keeps the audio as it
// was recorded). One biquad per sampling rate (de_emphasis_biquads.h, made
// by tools/de_emphasis_biquads.py: fitted to the analog curve's magnitude,
// within 0.1 dB up to 16 kHz at 32, 44.1 and 48 kHz), rounded to 16 bits
// with triangular (TPDF) dither.
#pragma once

#include <cstdint>

namespace deemphasis {

// One stereo stream through the filter, in order: 16-bit pairs in, 16-bit
// pairs out (dithered; the same input always gives the same output).
class Filter {
 public:
  // The filter of `rate` samples per second (of 48 kHz for a rate it has
  // none of).
  explicit Filter(uint32_t rate);
  // `pairs` interleaved stereo pairs of 16-bit little-endian samples.
  void run(const uint8_t* in, uint8_t* out, int64_t pairs);

 private:
  double b0, b1, b2, a1, a2;  // y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2
  double x1[2] = {0, 0}, x2[2] = {0, 0}, y1[2] = {0, 0}, y2[2] = {0, 0};
  uint32_t noise = 0x12345678;
  double dither();
};

}  // namespace deemphasis
