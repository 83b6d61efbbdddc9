// The tape's own time in the image: each frame's absolute time (ATIME, the
// pack the dumper's display shows last) and the places where it does not run
// on from one frame to the next. DAT runs 100 frames in 3 seconds, numbered
// 0-32 within a second, and 0-33 in every third one; the last frame of a
// second is followed by frame 0 of the next. A forward step that skips frames
// is a gap (frames the drive did not deliver or the capture filter left out);
// a step backwards, or forwards by more than kJumpFrames, is a discontinuity
// of the recording. Frames without ATIME take their time from their
// neighbours: they count as the frames between.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dat_frame.h"

namespace tapetime {

// Forward steps longer than this (five minutes) are discontinuities, not gaps.
constexpr int64_t kJumpFrames = 10000;
// How far the estimate of a gap's length can be off, in frames either way:
// which second of three holds 34 frames is not known for every recorder.
constexpr int kGapAccuracy = 1;

struct Time {
  int hours = 0, minutes = 0, seconds = 0, frame = 0;
};

// The frame's ATIME decoded; false when it has none or its digits are not a
// time (BCD digits, minutes and seconds below 60, frame numbers 0-33).
bool frameTime(const dat::DatFrame& f, Time* t);
// Frames from the start of the tape to `t`, by the rule above.
int64_t position(const Time& t);
// The time of the frame `position` frames from the start of the tape.
Time timeAt(int64_t position);
// True when `after` is the frame that comes right after `before` on the tape
// (either numbering of a second).
bool runsOn(const Time& before, const Time& after);
// A key that orders times and tells them apart whichever second holds 34
// frames (unlike position()), and the time back from it.
int64_t key(const Time& t);
Time fromKey(int64_t key);
// "hh:mm:ss:ff"
std::string text(const Time& t);

struct Break {
  enum Kind { Gap, Jump };
  Kind kind;
  int64_t before;   // the frame of the image that the break lies before
  int64_t missing;  // a gap: the frames estimated missing (kGapAccuracy either way)
  Time timeBefore;  // ATIME of the last frame before it that has one
  Time timeAfter;   // ATIME of the frame after it
};

struct Analysis {
  std::vector<Break> breaks;   // in order of `before`
  int64_t framesWithTime = 0;  // frames that carry a usable ATIME
};

// One walk over the stored frames (their packs are never repaired).
Analysis analyse(const uint8_t* image, int64_t frames);

}  // namespace tapetime
