#include "decision.h"

#include <algorithm>

#include "tape_time.h"

namespace merging {

namespace {

constexpr int64_t kNoPlace = INT64_MAX;

// The inputs walked in tape order at once: at each place, the frame of the
// first input that has it goes into the result, and the others there are
// passed by.
class Walk {
 public:
  explicit Walk(const std::vector<Input>& inputs) : inputs(inputs), at(inputs.size(), 0) {
    d.takenFrom.assign(inputs.size(), 0);
  }
  Decision run();

 private:
  const std::vector<int64_t>& keys(size_t k) const { return inputs[k].plan->keys; }
  bool holds(size_t k, int64_t key) const {
    return at[k] < static_cast<int64_t>(keys(k).size()) && keys(k)[at[k]] == key;
  }
  void passUnplaced();
  int64_t nextPlace() const;
  size_t choose(int64_t key);
  void emit(size_t k, int64_t i);
  void taken(int64_t key, size_t from);
  void closeGap(int64_t key);

  const std::vector<Input>& inputs;
  std::vector<int64_t> at;  // per input, its next frame
  Decision d;
  int64_t lastBaseKey = -1;  // the base's last place taken
  Gap gap;                   // the frames filled since
};

Decision Walk::run() {
  for (;;) {
    passUnplaced();
    int64_t next = nextPlace();
    if (next == kNoPlace) break;
    size_t from = choose(next);
    emit(from, at[from] - 1);
    taken(next, from);
  }
  return d;
}

// The base's frames that cannot be placed go out in their order; repeats
// are passed over everywhere, and so are a later input's unplaced frames.
void Walk::passUnplaced() {
  for (size_t k = 0; k < inputs.size(); ++k) {
    const std::vector<int64_t>& key = keys(k);
    for (; at[k] < static_cast<int64_t>(key.size()) && key[at[k]] < 0; ++at[k]) {
      if (k == 0 && key[at[k]] == kUnplaced) emit(0, at[k]);
    }
  }
}

// The earliest place that an input holds next; kNoPlace when none is left.
int64_t Walk::nextPlace() const {
  int64_t next = kNoPlace;
  for (size_t k = 0; k < inputs.size(); ++k) {
    if (at[k] < static_cast<int64_t>(keys(k).size())) next = std::min(next, keys(k)[at[k]]);
  }
  return next;
}

// The first input that holds `key`; every other that holds it too is
// compared with it by the digests, and passed by.
size_t Walk::choose(int64_t key) {
  size_t chosen = inputs.size();
  const FrameDigest* kept = nullptr;  // the chosen frame's
  for (size_t k = 0; k < inputs.size(); ++k) {
    if (!holds(k, key)) continue;
    const FrameDigest& digest = (*inputs[k].digests)[at[k]++];
    if (kept == nullptr) {
      chosen = k;
      kept = &digest;
    } else if (digest != *kept) {
      d.disagreements.push_back({key, chosen, k, d.frames});
    }
  }
  return chosen;
}

// Frame i of input k is the result's next: it joins the last run when it
// follows that run's last frame in the same input.
void Walk::emit(size_t k, int64_t i) {
  ++d.frames;
  ++d.takenFrom[k];
  if (!d.runs.empty() && d.runs.back().input == k &&
      d.runs.back().first + d.runs.back().count == i) {
    ++d.runs.back().count;
  } else {
    d.runs.push_back({k, i, 1});
  }
}

// The frame at `key` came from input `from`: the account of the base's gaps
// and of what was added before and after it.
void Walk::taken(int64_t key, size_t from) {
  const Placement& base = *inputs[0].plan;
  InputSet bit = from < 64 ? InputSet{1} << from : 0;
  if (from == 0) {
    closeGap(key);
    lastBaseKey = key;
  } else if (key < base.firstKey) {
    ++d.before.frames;
    d.before.from |= bit;
  } else if (key > base.lastKey) {
    ++d.after.frames;
    d.after.from |= bit;
  } else {
    ++d.filled;
    ++gap.filled;
    gap.from |= bit;
  }
}

// The base's frame at `key` follows its frame at lastBaseKey: where they do
// not run on, the stretch between was a gap.
void Walk::closeGap(int64_t key) {
  const tapetime::Cycle& cycle = inputs[0].plan->cycle;
  if (lastBaseKey >= 0) {
    tapetime::Time a = tapetime::fromKey(lastBaseKey), b = tapetime::fromKey(key);
    if (!tapetime::runsOn(a, b, cycle)) {
      gap.before = lastBaseKey;
      gap.after = key;
      gap.missing = std::max<int64_t>(1, tapetime::missingBetween(a, b, 1, cycle));
      gap.left = gap.missing > gap.filled ? gap.missing - gap.filled : 0;
      gap.frame = d.frames - 1;
      d.gaps.push_back(gap);
      if (gap.left == 0) ++d.gapsFilled;
      d.stillMissing += gap.left;
    }
  }
  gap = Gap();
}

}  // namespace

Decision decide(const std::vector<Input>& inputs) {
  return Walk(inputs).run();
}

Share shareWithBase(const Input& base, const Input& other) {
  Share s;
  size_t a = 0, b = 0;
  const std::vector<int64_t>&baseKeys = base.plan->keys, &keys = other.plan->keys;
  while (a < baseKeys.size() && b < keys.size()) {
    // Frames without a place of their own, and repeats, are passed over.
    int64_t ka = baseKeys[a], kb = keys[b];
    if (ka < 0 || (kb >= 0 && ka < kb)) {
      ++a;
    } else if (kb < 0 || kb < ka) {
      ++b;
    } else {
      ++s.shared;
      if ((*base.digests)[a++] != (*other.digests)[b++]) ++s.differing;
    }
  }
  return s;
}

bool anotherCassette(const Share& share) {
  return share.shared >= kSharedToJudge && share.differing * 2 > share.shared;
}

}  // namespace merging
