// The digests of an input's frames, taken a block at a time beside its
// reading (on a second thread where there is a second processor): each
// frame's, in the order of the frames, as when taken one at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "block_digests.h"
#include "dat_frame.h"

namespace {

TEST(MergeDigests, BlockByBlockAsFrameByFrame) {
  const size_t blocks[] = {3, 0, 1, 180, 7};
  std::vector<uint8_t> frames(191 * dat::kFrameSize);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<uint8_t>(i * 131 / 7);
  for (bool secondProcessor : {true, false}) {
    SCOPED_TRACE(secondProcessor ? "beside the reading" : "by the reader alone");
    std::vector<merging::FrameDigest> taken, oneByOne;
    merging::BlockDigests digests(secondProcessor);
    const uint8_t* block = frames.data();
    for (size_t count : blocks) {
      digests.begin(block, count, &taken);
      for (size_t i = 0; i < count; ++i) {
        oneByOne.push_back(merging::frameDigest(block + i * dat::kFrameSize));
      }
      digests.finish();
      block += count * dat::kFrameSize;
    }
    EXPECT_EQ(taken, oneByOne);
    EXPECT_NE(oneByOne.front(), oneByOne.back());
  }
}

}  // namespace
