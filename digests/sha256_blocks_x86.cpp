// x86: the SHA extensions (SHA-NI), when the processor reports them.
#include <cpuid.h>
#include <immintrin.h>

#include "sha256_blocks.h"

namespace {

bool hasShaExtensions() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  bool sse41 = (c & bit_SSE4_1) != 0 && (c & bit_SSSE3) != 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return sse41 && (b & (1u << 29)) != 0;  // leaf 7, EBX bit 29: SHA
}

__attribute__((target("sha,sse4.1,ssse3"))) void compress(uint32_t state[8], const uint8_t* data,
                                                          size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  // The state as the instructions want it: ABEF and CDGH.
  __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i cdgh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  t = _mm_shuffle_epi32(t, 0xB1);
  cdgh = _mm_shuffle_epi32(cdgh, 0x1B);
  __m128i abef = _mm_alignr_epi8(t, cdgh, 8);
  cdgh = _mm_blend_epi16(cdgh, t, 0xF0);
  for (; blocks > 0; --blocks, data += 64) {
    __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i w[4];
#pragma GCC unroll 16
    for (int g = 0; g < 16; ++g) {  // 16 groups of 4 rounds, unrolled: w stays in registers
      __m128i& x = w[g % 4];
      if (g < 4) {
        x = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)),
                             byteSwap);
      } else {
        // W[t-16] + s0(W[t-15]) + W[t-7], then s1(W[t-2]) for the next 4 words.
        __m128i older = _mm_sha256msg1_epu32(w[g % 4], w[(g + 1) % 4]);
        older = _mm_add_epi32(older, _mm_alignr_epi8(w[(g + 3) % 4], w[(g + 2) % 4], 4));
        x = _mm_sha256msg2_epu32(older, w[(g + 3) % 4]);
      }
      __m128i k =
          _mm_add_epi32(x, _mm_load_si128(reinterpret_cast<const __m128i*>(kSha256Rounds + 4 * g)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, k);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(k, 0x0E));
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  t = _mm_shuffle_epi32(abef, 0x1B);
  cdgh = _mm_shuffle_epi32(cdgh, 0xB1);
  abef = _mm_blend_epi16(t, cdgh, 0xF0);
  cdgh = _mm_alignr_epi8(cdgh, t, 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), abef);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), cdgh);
}

}  // namespace

bool sha256BlocksByProcessor(uint32_t state[8], const uint8_t* data, size_t blocks) {
  static const bool available = hasShaExtensions();
  if (!available) return false;
  compress(state, data, blocks);
  return true;
}
