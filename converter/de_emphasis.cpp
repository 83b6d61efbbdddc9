#include "de_emphasis.h"

#include <cmath>

#include "de_emphasis_biquads.h"
#include "little_endian.h"

namespace deemphasis {

Filter::Filter(uint32_t rate) {
  const RateBiquad* f = &kBiquads[0];
  for (const RateBiquad& r : kBiquads) {
    if (r.rate == rate || (f->rate != rate && r.rate == 48000)) f = &r;
  }
  b0 = f->c[0], b1 = f->c[1], b2 = f->c[2], a1 = f->c[3], a2 = f->c[4];
}

double Filter::dither() {
  // Two uniform values in [-0.5, 0.5) LSB: their sum is triangular.
  auto uniform = [this] {
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    return noise / 4294967296.0 - 0.5;
  };
  return uniform() + uniform();
}

void Filter::run(const uint8_t* in, uint8_t* out, int64_t pairs) {
  for (int64_t k = 0; k < 2 * pairs; ++k) {
    int ch = static_cast<int>(k & 1);
    double x = static_cast<int16_t>(readLe16(in + 2 * k));
    double y = b0 * x + b1 * x1[ch] + b2 * x2[ch] - a1 * y1[ch] - a2 * y2[ch];
    x2[ch] = x1[ch];
    x1[ch] = x;
    y2[ch] = y1[ch];
    y1[ch] = y;
    double v = std::floor(y + dither() + 0.5);
    v = v > 32767 ? 32767 : v < -32768 ? -32768 : v;
    writeLe16(out + 2 * k, static_cast<uint16_t>(static_cast<int16_t>(v)));
  }
}

}  // namespace deemphasis
