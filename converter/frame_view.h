// Read access to single frames of the mapped image. get() hands out a working
// copy of one frame whose identification bytes are repaired by a vote of its
// two neighbours; the image itself is never written.
#pragma once

#include <cstdint>

#include "dat_frame.h"

class FrameView {
 public:
  FrameView(const uint8_t* image, int64_t count) : image(image), count(count) {}

  // Frame i after repair, or null when i is outside 0 .. count - 1. Every
  // call overwrites the one working copy, invalidating earlier results.
  const uint8_t* get(int64_t i);
  // As get(i), for a reader of the identification bytes alone (5816..5821):
  // the audio and packs of the result are not those of frame i. Spares
  // copying the whole frame on a walk over every frame.
  const uint8_t* getIdentification(int64_t i);

  const uint8_t* frameAt(int64_t i) const { return image + i * dat::kFrameSize; }
  int64_t frameCount() const { return count; }

 private:
  const uint8_t* repaired(int64_t i, bool wholeFrame);

  dat::DatFrame copy;
  const uint8_t* image;
  int64_t count;
};

// Sum of the absolute values of the frame's samples (both channels; the
// 44.1 kHz tail bytes never count). 0 without a view, and 0 with the 32 kHz
// message for a frame whose repaired rate code is 2 or 3. Calls get(i).
double frameLoudness(FrameView* view, int64_t i);
