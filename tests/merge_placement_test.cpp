// The merge's plan for one input: where each frame lies on the tape, from
// the keys of its frames alone.
#include <gtest/gtest.h>

#include <vector>

#include "placement.h"

namespace {

using merging::kRepeat;
using merging::kUnplaced;
constexpr int64_t kNone = tapetime::kNoTime;

// The key of the frame `p` frames from the start of a tape of the published
// cycle (100 frames in 3 seconds).
int64_t at(int p) {
  return tapetime::key(tapetime::timeAt(p, tapetime::Cycle()));
}

struct Case {
  const char* what;
  std::vector<int64_t> read;    // the keys as read
  std::vector<int64_t> placed;  // the plan
  bool backwards = false;
};

TEST(MergePlacement, FramesFindTheirPlaces) {
  const Case cases[] = {
      {"frames without ATIME take the places between their neighbours",
       {at(10), kNone, kNone, at(13)},
       {at(10), at(11), at(12), at(13)}},
      {"at the start, before the first time",
       {kNone, kNone, at(5), at(6)},
       {at(3), at(4), at(5), at(6)}},
      {"at the end, after the last", {at(5), kNone}, {at(5), at(6)}},
      {"more frames than the times leave room for stay unplaced",
       {at(10), kNone, kNone, at(12)},
       {at(10), at(11), kUnplaced, at(12)}},
      {"before the start of the tape", {kNone, at(0)}, {kUnplaced, at(0)}},
      {"a repeat is placed once, its neighbours by the frames that are not",
       {at(10), kRepeat, kNone, at(12)},
       {at(10), kRepeat, at(11), at(12)}},
      {"a bad pack is placed by its neighbours",
       {at(10), at(11), at(9000), at(13), at(14), at(15)},
       {at(10), at(11), at(12), at(13), at(14), at(15)}},
      {"a second of 34 frames shown by the tape",
       {at(97), at(98), at(99), kNone, at(101)},
       {at(97), at(98), at(99), at(100), at(101)}},
      {"backwards", {at(50), at(51), at(20), at(21), at(22)}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    merging::Placement p = merging::place(c.read);
    EXPECT_EQ(p.backwards, c.backwards);
    if (c.backwards) continue;
    EXPECT_EQ(p.keys, c.placed);
  }
}

}  // namespace
