#include "block_digests.h"

#include "dat_frame.h"

namespace merging {

void BlockDigests::begin(const uint8_t* block, size_t frameCount,
                         std::vector<FrameDigest>* digests) {
  size_t before = digests->size();
  digests->resize(before + frameCount);
  frames = block;
  out = digests->data() + before;
  count = frameCount;
  next.store(0, std::memory_order_relaxed);
  if (beside) side.post([this] { take(); });
}

void BlockDigests::finish() {
  take();
  side.wait();
}

void BlockDigests::take() {
  for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
    out[i] = frameDigest(frames + i * dat::kFrameSize);
  }
}

}  // namespace merging
