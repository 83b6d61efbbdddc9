// x86: SSE2, which every x86-64 processor has. Four pairs at a time, the
// eight samples in 16-bit lanes (even lanes left, odd right); the rest of a
// block pair by pair.
#include <emmintrin.h>

#include <algorithm>

#include "quality_scan.h"

namespace {

__m128i load(const int16_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

}  // namespace

__attribute__((target("sse2"))) void quality::scanBlock(const int16_t* y, int64_t pairs,
                                                        BlockScan& s) {
  const int16_t* x = y + 4;
  const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi16(1);
  const __m128i top = _mm_set1_epi16(32767), bottom = _mm_set1_epi16(-32768);
  __m128i low = zero, high = zero, sums = zero, squares = zero, lines = zero, full = zero,
          holds = zero;
  int64_t k = 0;
  for (; k + 4 <= pairs; k += 4) {
    __m128i v = load(x + 2 * k), before = load(x + 2 * k - 2), twoBefore = load(x + 2 * k - 4);
    low = _mm_min_epi16(low, v);
    high = _mm_max_epi16(high, v);
    // L0 L1 R0 R1 L2 L3 R2 R3: each product pair of one channel. A sum of
    // two squares fits 32 bits unsigned.
    __m128i byChannel = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xD8), 0xD8);
    sums = _mm_add_epi32(sums, _mm_madd_epi16(byChannel, ones));
    __m128i sq = _mm_madd_epi16(byChannel, byChannel);
    squares = _mm_add_epi64(
        squares, _mm_add_epi64(_mm_unpacklo_epi32(sq, zero), _mm_unpackhi_epi32(sq, zero)));
    __m128i step = _mm_sub_epi16(v, before), stepBefore = _mm_sub_epi16(before, twoBefore);
    lines = _mm_sub_epi16(
        lines, _mm_andnot_si128(_mm_cmpeq_epi16(step, zero), _mm_cmpeq_epi16(step, stepBefore)));
    full = _mm_or_si128(full, _mm_or_si128(_mm_cmpeq_epi16(v, top), _mm_cmpeq_epi16(v, bottom)));
    holds = _mm_sub_epi32(holds, _mm_cmpeq_epi32(v, before));
  }
  alignas(16) int16_t lo[8], hi[8], li[8], fu[8];
  alignas(16) int32_t su[4], ho[4];
  alignas(16) uint64_t sq[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(lo), low);
  _mm_store_si128(reinterpret_cast<__m128i*>(hi), high);
  _mm_store_si128(reinterpret_cast<__m128i*>(li), lines);
  _mm_store_si128(reinterpret_cast<__m128i*>(fu), full);
  _mm_store_si128(reinterpret_cast<__m128i*>(su), sums);
  _mm_store_si128(reinterpret_cast<__m128i*>(ho), holds);
  _mm_store_si128(reinterpret_cast<__m128i*>(sq), squares);
  for (int j = 0; j < 8; ++j) {
    s.low[j % 2] = std::min(s.low[j % 2], lo[j]);
    s.high[j % 2] = std::max(s.high[j % 2], hi[j]);
    s.lines[j % 2] += li[j];
    s.full = s.full || fu[j] != 0;
  }
  for (int j = 0; j < 4; ++j) {
    s.sum[j % 2] += su[j];
    s.holds += ho[j];
  }
  s.squares[0] += sq[0];
  s.squares[1] += sq[1];
  scanPairs(y, k, pairs, s);
}
