#include "sha256.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "sha256_blocks.h"

namespace {

inline uint32_t rotr(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

}  // namespace

Sha256::Sha256(bool byProcessor)
    : state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19},
      byProcessor(byProcessor) {}

void Sha256::block(const uint8_t* p) {
  uint32_t w[64];
  for (int t = 0; t < 16; ++t) {
    w[t] = uint32_t{p[4 * t]} << 24 | uint32_t{p[4 * t + 1]} << 16 | uint32_t{p[4 * t + 2]} << 8 |
           p[4 * t + 3];
  }
  for (int t = 16; t < 64; ++t) {
    uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
    uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
    w[t] = w[t - 16] + s0 + w[t - 7] + s1;
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
  for (int t = 0; t < 64; ++t) {
    uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) +
                  kSha256Rounds[t] + w[t];
    uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
  state[5] += f;
  state[6] += g;
  state[7] += h;
}

void Sha256::blocks(const uint8_t* p, size_t count) {
  if (byProcessor && sha256BlocksByProcessor(state, p, count)) return;
  for (size_t k = 0; k < count; ++k) block(p + 64 * k);
}

void Sha256::update(const void* bytes, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  total += length;
  while (length > 0) {
    if (buffered == 0 && length >= 64) {
      size_t count = length / 64;
      blocks(p, count);
      p += 64 * count;
      length -= 64 * count;
      continue;
    }
    size_t take = 64 - buffered < length ? 64 - buffered : length;
    std::memcpy(buffer + buffered, p, take);
    buffered += take;
    p += take;
    length -= take;
    if (buffered == 64) {
      blocks(buffer, 1);
      buffered = 0;
    }
  }
}

void Sha256::digest(uint8_t out[32]) {
  uint64_t bits = total * 8;
  uint8_t pad[72] = {0x80};
  size_t padLength = (buffered < 56 ? 56 : 120) - buffered;
  for (int k = 0; k < 8; ++k) pad[padLength + k] = static_cast<uint8_t>(bits >> (56 - 8 * k));
  update(pad, padLength + 8);
  for (int k = 0; k < 32; ++k) out[k] = static_cast<uint8_t>(state[k / 4] >> (24 - 8 * (k % 4)));
}

std::string Sha256::hex() {
  uint8_t bytes[32];
  digest(bytes);
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

bool sha256File(const char* name, std::string* hex) {
  FILE* f = std::fopen(name, "rb");
  if (f == nullptr) return false;
  Sha256 sum;
  std::vector<uint8_t> buffer(1 << 20);
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) sum.update(buffer.data(), n);
  bool ok = std::ferror(f) == 0;
  if (!ok && errno == 0) errno = EIO;
  std::fclose(f);
  if (ok) *hex = sum.hex();
  return ok;
}
