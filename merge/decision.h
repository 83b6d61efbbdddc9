// What the merge makes of its inputs, decided from their placements and the
// digests of their frames alone (no file is read or written here): which
// frames of which input the result holds, in tape order, and what the report
// tells of them. The first input is the base: its frames stay, in their
// order; every place on the tape that it lacks is taken from the first later
// input that has it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame_digest.h"
#include "placement.h"

namespace merging {

// An input: where its frames lie (place()) and the digest of each.
struct Input {
  const Placement* plan = nullptr;
  const std::vector<FrameDigest>* digests = nullptr;
};

// Frames first .. first + count - 1 of input `input` (0: the base), which
// follow one another in its file and in the result.
struct Run {
  size_t input = 0;
  int64_t first = 0, count = 0;
};

// Inputs as a set, a bit each: bit k for input k (0: the base); inputs past
// the 64th are counted, not named.
using InputSet = uint64_t;

// A stretch of the tape that the base lacks: its frames at `before` and
// `after` (keys) do not run on. `frame` is the result's frame (from 0) that
// holds the base's at `after`.
struct Gap {
  int64_t before = 0, after = 0;
  int64_t missing = 0;  // frames, estimated (at least 1)
  int64_t filled = 0;   // of them, taken from later inputs
  InputSet from = 0;    // which
  int64_t left = 0;     // still missing
  int64_t frame = 0;
};

// A place that two inputs hold with frames that differ: the frame of `kept`
// (the first of them) goes into the result as its frame `frame`.
struct Disagreement {
  int64_t key = 0;
  size_t kept = 0, differs = 0;
  int64_t frame = 0;
};

// Frames of later inputs before the base's first place, or after its last.
struct Added {
  int64_t frames = 0;
  InputSet from = 0;
};

struct Decision {
  std::vector<Run> runs;           // the result, in order
  int64_t frames = 0;              // the result's
  std::vector<int64_t> takenFrom;  // per input, the result's frames taken from it
  int64_t filled = 0;  // frames of later inputs between the base's first and last places
  Added before, after;
  std::vector<Gap> gaps;                     // in tape order
  int64_t gapsFilled = 0, stillMissing = 0;  // gaps with none left, and the frames left in all
  std::vector<Disagreement> disagreements;   // in tape order
};

// The result of `inputs` (the base first). A frame the base could not place
// goes out where it stands among the base's frames; a later input's is passed
// over, and so is every repeat.
Decision decide(const std::vector<Input>& inputs);

// The places that the base and `other` both hold, and at how many of them
// their frames differ.
struct Share {
  int64_t shared = 0, differing = 0;
};
Share shareWithBase(const Input& base, const Input& other);

// An input that shares at least this many frames with the base, and differs
// from it in more than half of them, holds another cassette's recording:
// every cassette's ATIME starts at 00:00:00, so their times overlap.
constexpr int64_t kSharedToJudge = 100;
bool anotherCassette(const Share& share);

}  // namespace merging
