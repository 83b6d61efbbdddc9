// Where the frames of one pass lie on the tape: the merge's plan for one
// input, decided from the keys of its frames alone (no file is read here).
#pragma once

#include <cstdint>
#include <vector>

#include "tape_time.h"

namespace merging {

// A frame without a place of its own: it goes out where it stands in the
// base, and is passed over in a later input.
constexpr int64_t kUnplaced = -1;
// A frame delivered twice in a row (the same time and bytes as the one
// before it): it is placed once.
constexpr int64_t kRepeat = -2;

struct Placement {
  std::vector<int64_t> keys;          // per frame: its place (tapetime::key), kUnplaced or kRepeat
  tapetime::Cycle cycle;              // the pass's own
  int64_t firstKey = 0, lastKey = 0;  // of its placed frames
  int64_t badPacks = 0;               // times taken as none (tapetime::track)
  int64_t repeats = 0;
  int64_t timed = 0;  // frames placed by a time of their own
  // The first step backwards among the good times, when there is one.
  bool backwards = false;
  int64_t backFrom = 0, backTo = 0;
};

// `keys` holds per frame its time's key, tapetime::kNoTime for none, or
// kRepeat. A frame without a time is placed after the nearest frame before
// it that has one (before the first one after it, at the start), as long as
// that keeps it between the two times around it.
Placement place(std::vector<int64_t> keys);

}  // namespace merging
