#include "md5.h"

#include <cstdio>
#include <cstring>

namespace {

// The per-step shifts and the sines' constants of RFC 1321.
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

inline uint32_t rotl(uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

}  // namespace

Md5::Md5() : state{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::block(const uint8_t* p) {
  uint32_t m[16];
  for (int k = 0; k < 16; ++k) {
    m[k] = uint32_t{p[4 * k]} | uint32_t{p[4 * k + 1]} << 8 | uint32_t{p[4 * k + 2]} << 16 |
           uint32_t{p[4 * k + 3]} << 24;
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  // Unrolled, the steps' choices and indices are constants and the four
  // words stay in registers (twice the speed of the loop).
#pragma GCC unroll 64
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) {
      f = d ^ (b & (c ^ d));  // (b & c) | (~b & d), one operation fewer
      g = i;
    } else if (i < 32) {
      f = c ^ (d & (b ^ c));  // (d & b) | (~d & c)
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    uint32_t next = d;
    d = c;
    c = b;
    b = b + rotl(a + f + kSine[i] + m[g], kShift[i]);
    a = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

void Md5::update(const void* bytes, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  total += length;
  if (buffered > 0) {
    size_t n = length < 64 - buffered ? length : 64 - buffered;
    std::memcpy(buffer + buffered, p, n);
    buffered += n;
    p += n;
    length -= n;
    if (buffered < 64) return;
    block(buffer);
    buffered = 0;
  }
  for (; length >= 64; p += 64, length -= 64) block(p);
  std::memcpy(buffer, p, length);
  buffered = length;
}

void Md5::digest(uint8_t out[16]) {
  uint64_t bits = total * 8;
  uint8_t pad[72] = {0x80};
  size_t padding = buffered < 56 ? 56 - buffered : 120 - buffered;
  for (int k = 0; k < 8; ++k) pad[padding + k] = static_cast<uint8_t>(bits >> (8 * k));
  update(pad, padding + 8);
  for (int k = 0; k < 16; ++k) out[k] = static_cast<uint8_t>(state[k / 4] >> (8 * (k % 4)));
}

std::string Md5::hex() {
  uint8_t d[16];
  digest(d);
  return hex(d);
}

std::string Md5::hex(const uint8_t d[16]) {
  char text[33];
  for (int k = 0; k < 16; ++k) std::snprintf(text + 2 * k, 3, "%02x", d[k]);
  return text;
}
