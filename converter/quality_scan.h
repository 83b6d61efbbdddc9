// A block of sample pairs looked at in one pass (quality.cpp): each
// channel's figures, and how many of its samples and pairs could carry on a
// run. Where none of the counts can make a run long enough to tell, the
// block is passed over without judging pair by pair.
#pragma once

#include <cstdint>

namespace quality {

// The pairs of a block, at most (its counts fit 16-bit lanes).
constexpr int64_t kBlock = 64;

struct BlockScan {
  int16_t low[2] = {0, 0}, high[2] = {0, 0};
  int32_t sum[2] = {0, 0};
  uint64_t squares[2] = {0, 0};
  // Per channel, the samples whose step from the one before is not zero and
  // the same as that one's (in 16-bit wrapping arithmetic: every sample that
  // carries on a line, and now and then one that does not).
  int32_t lines[2] = {0, 0};
  int32_t holds = 0;  // pairs equal to the pair before
  bool full = false;  // a sample at full scale
};

// Scans the `pairs` pairs at y + 4, the two pairs before them at y, into
// `s` (by the processor's vector instructions where there are some:
// quality_scan_<processor>.cpp).
void scanBlock(const int16_t* y, int64_t pairs, BlockScan& s);
// The same for the pairs from .. to - 1 of them, one by one, added to `s`.
void scanPairs(const int16_t* y, int64_t from, int64_t to, BlockScan& s);

}  // namespace quality
