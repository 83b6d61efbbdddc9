// Read access to single frames of the mapped image. get() hands out a working
// copy of one frame whose identification bytes are repaired by a vote of its
// two neighbours; the image itself is never written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dat_frame.h"

class FrameView {
 public:
  FrameView(const uint8_t* image, int64_t count) : image(image), count(count) {}

  // Frame i after repair, or null when i is outside 0 .. count - 1. Every
  // call overwrites the one working copy, invalidating earlier results.
  const dat::DatFrame* get(int64_t i);
  // As get(i), for a reader of the identification bytes alone (subId and
  // mainId): the audio and packs of the result are not those of frame i.
  // Spares copying the whole frame on a walk over every frame.
  const dat::DatFrame* getIdentification(int64_t i);

  // Frame i of the image as stored, unrepaired.
  const dat::DatFrame& frameAt(int64_t i) const { return dat::frameAt(bytesAt(i)); }
  int64_t frameCount() const { return count; }

 private:
  const uint8_t* bytesAt(int64_t i) const { return image + i * dat::kFrameSize; }
  const dat::DatFrame* repaired(int64_t i, bool wholeFrame);

  dat::DatFrame copy;
  const uint8_t* image;
  int64_t count;
};

// The audio bytes at the start of a frame that the conversion takes as its
// samples, by the frame's sampling-frequency and quantization codes: 5760 at
// 48 kHz, 5292 at 44.1 kHz (the tail carries none). A 32 kHz frame (code 2
// or 3) gives none, or with `convert32k` its first 3840 (960 sample pairs,
// as 44.1 kHz frames hold theirs at the start: inferred, not confirmed on a
// tape); a 12-bit frame (quantization code 1) there gives none, or with
// `longPlay`, where it is long play (dat::longPlayCodes: 32 kHz and
// 12-bit), the 7680 bytes of its 1920 decoded sample pairs (long_play.h).
uint32_t convertedBytes(int samplingCode, int quantizationCode, bool convert32k,
                        bool longPlay = false);

// Sum of the absolute values of the samples that the conversion takes from
// the frame (convertedBytes of its repaired codes). 0 without a view, and 0
// with the 32 kHz message for a frame of which nothing is converted: printed,
// or added to `said` when it is given. A long play frame is measured in the
// first named layout (the segment's own is chosen only when it is closed):
// silence is silence in every layout. Calls get(i).
double frameLoudness(FrameView* view, int64_t i, bool convert32k, bool longPlay = false,
                     std::vector<std::string>* said = nullptr);
