// The digests of an input's frames (frameDigest), taken a block at a time
// beside the reading: a block handed over is begun on the second processor
// (SideThread) while the reader reads the next, and the reader then joins in
// on what is left of it, the two taking its frames one at a time, whichever
// is free. Where there is one processor the reader takes them all.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame_digest.h"
#include "side_thread.h"

namespace merging {

class BlockDigests {
 public:
  // `secondProcessor`: false takes every digest on the reader's thread.
  explicit BlockDigests(bool secondProcessor = true) { beside = secondProcessor && side.start(); }
  ~BlockDigests() { side.finish(); }
  BlockDigests(const BlockDigests&) = delete;
  BlockDigests& operator=(const BlockDigests&) = delete;

  // Hands over the `count` frames at `frames`: their digests follow those in
  // `digests`. Until finish() the frames must stay as they are and `digests`
  // untouched.
  void begin(const uint8_t* frames, size_t count, std::vector<FrameDigest>* digests);
  // Takes the digests of the block handed over that are left, and returns
  // once every one of them is taken.
  void finish();

 private:
  void take();

  SideThread side;
  bool beside = false;  // the side thread runs
  const uint8_t* frames = nullptr;
  FrameDigest* out = nullptr;
  size_t count = 0;
  std::atomic<size_t> next{0};  // the block's first frame not yet taken
};

}  // namespace merging
