// A digest of a frame's bytes, to tell frames apart without keeping them:
// the first 128 bits of its SHA-256. Every bit of it depends on every bit of
// the frame, so frames that differ share one, however they differ, by a
// chance of about one in 2^128.
#pragma once

#include <cstdint>

namespace merging {

struct FrameDigest {
  uint64_t bits[2];
  bool operator==(const FrameDigest& o) const {
    return bits[0] == o.bits[0] && bits[1] == o.bits[1];
  }
  bool operator!=(const FrameDigest& o) const { return !(*this == o); }
};

// The digest of the dat::kFrameSize bytes at `frame`.
FrameDigest frameDigest(const uint8_t* frame);

}  // namespace merging
