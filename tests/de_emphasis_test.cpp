// De-emphasis: the filter against the analog 50/15 µs curve at each rate,
// and a pre-emphasised tone brought back to its level.
#include "de_emphasis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "de_emphasis_biquads.h"
#include "little_endian.h"

namespace {

// The analog de-emphasis curve's gain at `hz` (1 at 0 Hz, falling to 0.3).
double analogGain(double hz) {
  double w = 2 * M_PI * hz;
  return std::sqrt((1 + w * w * 15e-6 * 15e-6) / (1 + w * w * 50e-6 * 50e-6));
}

const double* biquad(uint32_t rate) {
  for (const deemphasis::RateBiquad& r : deemphasis::kBiquads) {
    if (r.rate == rate) return r.c;
  }
  return nullptr;
}

// The gain at `hz` of the biquad the filter of `rate` runs.
double gain(uint32_t rate, double hz) {
  const double* c = biquad(rate);
  std::complex<double> z = std::polar(1.0, -2 * M_PI * hz / rate);
  return std::abs((c[0] + c[1] * z + c[2] * z * z) / (1.0 + c[3] * z + c[4] * z * z));
}

TEST(DeEmphasis, WithinATenthOfADecibelOfTheAnalogCurve) {
  // The curve itself: 0 dB at 0 Hz, -10.46 dB (15/50) far above the corners.
  EXPECT_NEAR(analogGain(0), 1.0, 1e-12);
  EXPECT_NEAR(20 * std::log10(analogGain(1e7)), 20 * std::log10(0.3), 0.01);
  for (uint32_t rate : {32000u, 44100u, 48000u}) {
    ASSERT_NE(biquad(rate), nullptr) << rate;
    double worst = 0;
    for (double hz = 0; hz <= 16000; hz += 25) {
      double error = 20 * std::log10(gain(rate, hz) / analogGain(hz));
      worst = std::max(worst, std::fabs(error));
    }
    EXPECT_LT(worst, 0.1) << rate;
    RecordProperty("worst_db_" + std::to_string(rate), std::to_string(worst));
  }
}

// A tone through the inverse curve (the recorder's pre-emphasis) and then
// the filter comes back at its level, at each rate and across the band.
TEST(DeEmphasis, APreEmphasisedToneComesBackFlat) {
  for (uint32_t rate : {32000u, 44100u, 48000u}) {
    const double* c = biquad(rate);
    for (double hz : {100.0, 1000.0, 5000.0, 10000.0, 15000.0}) {
      const int n = static_cast<int>(rate / 2);  // half a second
      std::vector<uint8_t> in(4 * n), out(4 * n);
      double x1 = 0, x2 = 0, y1 = 0, y2 = 0;  // the inverse: numerator and denominator swapped
      for (int k = 0; k < n; ++k) {
        double x = 7000 * std::sin(2 * M_PI * hz * k / rate);
        double y = (x + c[3] * x1 + c[4] * x2 - c[1] * y1 - c[2] * y2) / c[0];
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        int16_t v = static_cast<int16_t>(std::lround(y));
        writeLe16(&in[4 * k], static_cast<uint16_t>(v));
        writeLe16(&in[4 * k + 2], static_cast<uint16_t>(v));
      }
      deemphasis::Filter filter(rate);
      filter.run(in.data(), out.data(), n);
      double power = 0;
      for (int k = n / 2; k < n; ++k) {  // past the start
        double v = static_cast<int16_t>(readLe16(&out[4 * k]));
        power += v * v;
      }
      double level = 20 * std::log10(std::sqrt(power / (n - n / 2)) / (7000 / std::sqrt(2.0)));
      EXPECT_NEAR(level, 0, 0.1) << rate << " Hz " << hz;
    }
  }
}

}  // namespace
