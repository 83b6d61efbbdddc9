#include "de_emphasis.h"

#include <cmath>
#include <complex>
#include <vector>

#include "little_endian.h"

namespace deemphasis {

namespace {

constexpr double kZero = 15e-6;  // seconds
constexpr double kPole = 50e-6;
constexpr double kPi = 3.14159265358979323846;

// Solves the n×n system m·x = v (m row-major, n ≤ 5) by elimination with
// partial pivoting.
std::vector<double> solve(std::vector<double> m, std::vector<double> v, int n) {
  for (int i = 0; i < n; ++i) {
    int p = i;
    for (int r = i + 1; r < n; ++r) {
      if (std::fabs(m[r * n + i]) > std::fabs(m[p * n + i])) p = r;
    }
    for (int c = 0; c < n; ++c) std::swap(m[i * n + c], m[p * n + c]);
    std::swap(v[i], v[p]);
    for (int r = 0; r < n; ++r) {
      if (r == i) continue;
      double k = m[r * n + i] / m[i * n + i];
      for (int c = i; c < n; ++c) m[r * n + c] -= k * m[i * n + c];
      v[r] -= k * v[i];
    }
  }
  for (int i = 0; i < n; ++i) v[i] /= m[i * n + i];
  return v;
}

// The coefficients c0 + c1 z⁻¹ + c2 z⁻² of a minimum-phase polynomial whose
// squared magnitude on the unit circle is p0 + p1 cos w + p2 cos² w.
void factor(double p0, double p1, double p2, double c[3]) {
  // With u = z + 1/z = 2 cos w: p2 u²/4 + p1 u/2 + p0; each root u gives the
  // zero z of z² - u z + 1 inside the circle.
  std::complex<double> zeros[2] = {0.0, 0.0};
  int count = 0;
  if (std::fabs(p2) > 1e-12) {
    std::complex<double> d = std::sqrt(std::complex<double>(p1 * p1 / 4 - p2 * p0));
    std::complex<double> u[2] = {(-p1 / 2 + d) / (p2 / 2), (-p1 / 2 - d) / (p2 / 2)};
    for (const auto& r : u) {
      std::complex<double> s = std::sqrt(r * r - 4.0);
      std::complex<double> z = (r + s) / 2.0;
      if (std::abs(z) > 1) z = (r - s) / 2.0;
      zeros[count++] = z;
    }
  } else if (std::fabs(p1) > 1e-12) {
    std::complex<double> r = -2 * p0 / p1;
    std::complex<double> s = std::sqrt(r * r - 4.0);
    std::complex<double> z = (r + s) / 2.0;
    if (std::abs(z) > 1) z = (r - s) / 2.0;
    zeros[count++] = z;
  }
  // (1 - z0 z⁻¹)(1 - z1 z⁻¹), scaled to the magnitude at w = 0.
  std::complex<double> q[3] = {1.0, -(zeros[0] + zeros[1]), zeros[0] * zeros[1]};
  double at0 = std::abs(q[0] + q[1] + q[2]);
  double k = std::sqrt(std::fabs(p0 + p1 + p2)) / at0;
  for (int i = 0; i < 3; ++i) c[i] = k * q[i].real();
}

}  // namespace

double analogGain(double hz) {
  double w = 2 * kPi * hz;
  return std::sqrt((1 + w * w * kZero * kZero) / (1 + w * w * kPole * kPole));
}

Biquad design(uint32_t rate) {
  // |H|² as a ratio of quadratics in cos w, fitted to the analog curve from
  // 0 Hz to the Nyquist frequency by least squares of the relative equation
  // error: (n0 + n1 c + n2 c²) - T (c d1 + c² d2) = T, with d0 = 1.
  const int n = 5, points = 2000;
  std::vector<double> normal(n * n, 0.0), right(n, 0.0);
  for (int k = 0; k <= points; ++k) {
    double hz = rate / 2.0 * k / points;
    double c = std::cos(2 * kPi * hz / rate);
    double t = analogGain(hz) * analogGain(hz);
    double row[n] = {1 / t, c / t, c * c / t, -c, -c * c};  // divided by T: relative
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) normal[i * n + j] += row[i] * row[j];
      right[i] += row[i];
    }
  }
  std::vector<double> x = solve(normal, right, n);
  double b[3], a[3];
  factor(x[0], x[1], x[2], b);
  factor(1, x[3], x[4], a);
  return {b[0] / a[0], b[1] / a[0], b[2] / a[0], a[1] / a[0], a[2] / a[0]};
}

double gain(const Biquad& f, double hz, uint32_t rate) {
  std::complex<double> z = std::polar(1.0, -2 * kPi * hz / rate);
  return std::abs((f.b0 + f.b1 * z + f.b2 * z * z) / (1.0 + f.a1 * z + f.a2 * z * z));
}

Filter::Filter(uint32_t rate) : f(design(rate)) {}

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
    double y = f.b0 * x + f.b1 * x1[ch] + f.b2 * x2[ch] - f.a1 * y1[ch] - f.a2 * y2[ch];
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
