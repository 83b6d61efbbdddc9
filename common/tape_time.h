// The tape's own time: each frame's absolute time (ATIME, the pack the
// dumper's display shows last) and the places where it does not run on from
// one frame to the next. The one owner of tape time for the dumper, the
// converter and the merge.
//
// DAT runs 100 frames in 3 seconds: two seconds of each three are numbered
// 0-32 and one 0-33, and the last frame of a second is followed by frame 0 of
// the next. Which of the three holds 34 frames (the cycle) is published as
// the second whose number is 2 mod 3, but recorders differ: the tape shows
// its own cycle by the seconds in which a frame 33 occurs, and where it does,
// that cycle is used and lengths are exact; where it does not, the published
// one is assumed and lengths are exact to one frame either way.
//
// A forward step that skips frames is a gap (frames the drive did not
// deliver or the capture filter left out); a step backwards, or forwards by
// more than kJumpFrames, is a discontinuity of the recording. Frames without
// ATIME take their time from their neighbours: they count as the frames
// between. A time that its neighbours do not confirm (the frames after it do
// not run on from it, while they run on from the frames before it) is a bad
// pack and counts as no time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dat_frame.h"

namespace tapetime {

// Forward steps longer than this (five minutes) are discontinuities, not gaps.
constexpr int64_t kJumpFrames = 10000;
// A frame with no (usable) time, where a key is expected.
constexpr int64_t kNoTime = -1;

struct Time {
  int hours = 0, minutes = 0, seconds = 0, frame = 0;
};

// The frame's ATIME decoded; false when it has none or its digits are not a
// time (BCD digits, minutes and seconds below 60, frame numbers 0-33).
bool frameTime(const dat::DatFrame& f, Time* t);
// A key that orders times and tells them apart whichever second holds 34
// frames, and the time back from it; kNoTime for a frame without a time.
int64_t key(const Time& t);
int64_t frameKey(const dat::DatFrame& f);
Time fromKey(int64_t key);
// "hh:mm:ss:ff": the one text form of a tape time.
std::string text(const Time& t);

// Which second of three holds frames 0-33: those whose number is `phase`
// mod 3. Published: the tape showed no frame 33 (lengths are the least that
// any cycle allows); Tape: its frames 33 all lie in seconds of one cycle;
// Mixed: in seconds of more than one (the most frequent is taken).
struct Cycle {
  enum Source { Published, Tape, Mixed };
  int phase = 2;
  Source source = Published;
};
// The cycle a run of times shows: the seconds that hold a frame 33, mod 3
// (the most frequent where they differ).
class CycleVotes {
 public:
  void add(int64_t key);
  Cycle cycle() const;

 private:
  int64_t votes[3] = {0, 0, 0};
};
// How far a length measured in frames can be off, either way.
inline int accuracy(const Cycle& c) {
  return c.source == Cycle::Tape ? 0 : 1;
}
// Frames from the start of the tape to `t`.
int64_t position(const Time& t, const Cycle& c);
// The time of the frame `position` frames from the start of the tape.
Time timeAt(int64_t position, const Cycle& c);
// The frames missing between a frame at `before` and one `steps` frames
// later at `after` (negative when they overlap).
int64_t missingBetween(const Time& before, const Time& after, int64_t steps, const Cycle& c);
// True when `after` is the frame that comes right after `before` on the
// tape: under the tape's cycle by its numbering, else by either numbering.
bool runsOn(const Time& before, const Time& after, const Cycle& c);
// A duration in seconds of `frames` frames (30 ms each).
inline double seconds(int64_t frames) {
  return double(frames) * 3 / 100;
}

// The times of a run of frames, one key per frame in their order, with the
// bad packs taken out and the cycle found.
struct Track {
  std::vector<int64_t> keys;  // kNoTime where a frame has none, or a bad one
  Cycle cycle;
  int64_t framesWithTime = 0;  // frames that carry a usable ATIME
  int64_t badPacks = 0;        // times their neighbours did not confirm
};
// Takes the keys of the frames as read (kNoTime for none).
Track track(std::vector<int64_t> keys);

struct Break {
  enum Kind { Gap, Jump };
  Kind kind;
  int64_t before;   // the frame that the break lies before
  int64_t missing;  // a gap: the frames missing (accuracy(cycle) either way)
  Time timeBefore;  // ATIME of the last frame before it that has one
  Time timeAfter;   // ATIME of the frame after it
};
// The gaps and discontinuities among frames first .. last of a track, in
// order of `before`; frames that each move the tape's time on by `perFrame`
// positions (2: long play) count `missing` in such frames.
std::vector<Break> breaks(const Track& t, int64_t first = 0, int64_t last = INT64_MAX,
                          int perFrame = 1);
// The positions the tape's time moves on per frame among frames first ..
// last, as most of their steps from one frame to the next show: 1 in
// standard play; 1 when no step shows it.
int positionsPerFrame(const Track& t, int64_t first, int64_t last);

// The image's frames (their packs as stored, never repaired).
struct Analysis {
  Track track;
  std::vector<Break> breaks;
};
Analysis analyse(const uint8_t* image, int64_t frames);

}  // namespace tapetime
