// The merge's decision: which frame of which input goes into the result at
// each place on the tape, and what the report tells of it, from the inputs'
// placements and digests alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "decision.h"

namespace {

using merging::kRepeat;
using merging::kUnplaced;

// The key of the frame `p` frames from the start of the tape.
int64_t at(int p) {
  return tapetime::key(tapetime::timeAt(p, tapetime::Cycle()));
}
int placeOf(int64_t key) {
  return static_cast<int>(tapetime::position(tapetime::fromKey(key), tapetime::Cycle()));
}

// An input: per frame its key and its bytes, as a number (the same number,
// the same bytes).
struct Pass {
  merging::Placement plan;
  std::vector<merging::FrameDigest> digests;
  Pass(std::vector<int64_t> keys, std::vector<uint64_t> bytes) {
    plan.keys = keys;
    plan.firstKey = INT64_MAX;
    for (int64_t k : keys) {
      if (k < 0) continue;
      plan.firstKey = std::min(plan.firstKey, k);
      plan.lastKey = std::max(plan.lastKey, k);
    }
    for (uint64_t b : bytes) digests.push_back({{b, ~b}});
  }
};

// The decision in words: its runs (input:first+count), gaps (places,
// missing, filled, from which inputs, left, at the result's frame),
// disagreements (place, kept, differs, at frame), frames added before and
// after the base (from which inputs), and each input's frames in the result.
std::string told(const std::vector<Pass>& passes) {
  std::vector<merging::Input> inputs;
  for (const Pass& p : passes) inputs.push_back({&p.plan, &p.digests});
  merging::Decision d = merging::decide(inputs);
  auto n = [](int64_t v) { return std::to_string(v); };
  std::string s;
  for (const merging::Run& r : d.runs) s += n(r.input) + ":" + n(r.first) + "+" + n(r.count) + " ";
  for (const merging::Gap& g : d.gaps) {
    s += "gap " + n(placeOf(g.before)) + "-" + n(placeOf(g.after)) + " " + n(g.missing) + " " +
         n(g.filled) + " " + n(g.from) + " " + n(g.left) + " @" + n(g.frame) + " ";
  }
  for (const merging::Disagreement& x : d.disagreements) {
    s += "differ " + n(placeOf(x.key)) + " " + n(x.kept) + " " + n(x.differs) + " @" + n(x.frame) +
         " ";
  }
  s += "added " + n(d.before.frames) + " " + n(d.before.from) + " " + n(d.after.frames) + " " +
       n(d.after.from) + " taken";
  for (int64_t t : d.takenFrom) s += " " + n(t);
  return s + " filled " + n(d.filled) + " " + n(d.gapsFilled) + " " + n(d.stillMissing);
}

struct Case {
  const char* what;
  std::vector<Pass> inputs;
  const char* decided;
};

TEST(MergeDecision, EachPlaceFromTheFirstInputThatHasIt) {
  const Case cases[] = {
      {"the base is kept where another input differs",
       {{{at(0), at(1), at(2)}, {1, 2, 3}}, {{at(0), at(1), at(2)}, {1, 9, 3}}},
       "0:0+3 differ 1 0 1 @1 added 0 0 0 0 taken 3 0 filled 0 0 0"},
      {"a gap of the base filled from the first later input that has each frame",
       {{{at(0), at(3)}, {1, 4}}, {{at(1)}, {2}}, {{at(1), at(2)}, {7, 3}}},
       "0:0+1 1:0+1 2:1+1 0:1+1 gap 0-3 2 2 6 0 @3 differ 1 1 2 @1 added 0 0 0 0 taken 2 1 1 "
       "filled 2 1 0"},
      {"repeats are passed over in every input",
       {{{at(0), kRepeat, at(1)}, {1, 1, 2}}, {{at(0), at(1), kRepeat, at(2)}, {1, 2, 2, 3}}},
       "0:0+1 0:2+1 1:3+1 added 0 0 1 2 taken 2 1 filled 0 0 0"},
      {"the base's frames without a place go out in their order, a later input's not",
       {{{at(0), kUnplaced, kUnplaced, at(5)}, {1, 8, 9, 6}},
        {{at(0), kUnplaced, at(1), at(2)}, {1, 7, 2, 3}}},
       "0:0+3 1:2+2 0:3+1 gap 0-5 4 2 2 2 @5 added 0 0 0 0 taken 4 2 filled 2 0 2"},
      {"frames before and after the base",
       {{{at(5), at(6)}, {5, 6}},
        {{at(2), at(3), at(5)}, {2, 3, 5}},
        {{at(1), at(6), at(7), at(8)}, {1, 6, 7, 8}}},
       "2:0+1 1:0+2 0:0+2 2:2+2 added 3 6 2 4 taken 2 2 3 filled 0 0 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(told(c.inputs), c.decided);
  }
}

TEST(MergeDecision, AnotherCassetteDiffersInMoreThanHalfOfAHundredShared) {
  struct Judged {
    int64_t shared, differing;
    bool another;
  };
  for (const Judged& c :
       {Judged{99, 99, false}, {100, 50, false}, {100, 51, true}, {300, 151, true}}) {
    EXPECT_EQ(merging::anotherCassette({c.shared, c.differing}), c.another) << c.shared;
  }
  // Frames without a place, repeats and places only one holds are not shared.
  Pass base({at(0), kUnplaced, at(1), at(2), at(3)}, {1, 2, 3, 4, 5});
  Pass other({kRepeat, at(1), at(2), at(4)}, {3, 3, 9, 5});
  merging::Share s =
      merging::shareWithBase({&base.plan, &base.digests}, {&other.plan, &other.digests});
  EXPECT_EQ(s.shared, 2);
  EXPECT_EQ(s.differing, 1);
}

}  // namespace
