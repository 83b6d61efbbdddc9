#include "frame_digest.h"

#include <cstring>

#include "dat_frame.h"
#include "sha256.h"

namespace merging {

FrameDigest frameDigest(const uint8_t* frame) {
  Sha256 sum;
  sum.update(frame, dat::kFrameSize);
  uint8_t whole[32];
  sum.digest(whole);
  FrameDigest d;
  std::memcpy(d.bits, whole, sizeof d.bits);
  return d;
}

}  // namespace merging
