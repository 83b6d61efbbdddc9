#include "placement.h"

#include <algorithm>
#include <utility>

namespace merging {

namespace {

// The frames of `k` that have a good time, in order; the first step
// backwards among them is noted in `p`.
std::vector<int64_t> timedFrames(const std::vector<int64_t>& k, Placement* p) {
  std::vector<int64_t> timed;
  for (int64_t i = 0; i < static_cast<int64_t>(k.size()); ++i) {
    if (k[i] == tapetime::kNoTime) continue;
    if (!timed.empty() && k[i] <= k[timed.back()] && !p->backwards) {
      p->backwards = true;
      p->backFrom = k[timed.back()];
      p->backTo = k[i];
    }
    timed.push_back(i);
  }
  return timed;
}

// Per frame of `k` its place: its own time, or one taken from the nearest
// frame with a time before it (after it, at the start) where that lies
// between the times around it; kUnplaced otherwise.
std::vector<int64_t> places(const std::vector<int64_t>& k, const std::vector<int64_t>& timed,
                            const tapetime::Cycle& cycle) {
  std::vector<int64_t> placed(k.size(), kUnplaced);
  size_t next = 0;  // the first frame with a time after i
  for (int64_t i = 0; i < static_cast<int64_t>(k.size()) && !timed.empty(); ++i) {
    if (next < timed.size() && timed[next] == i) {
      placed[i] = k[i];
      ++next;
      continue;
    }
    int64_t from = timed[next == 0 ? 0 : next - 1];
    int64_t position = tapetime::position(tapetime::fromKey(k[from]), cycle) + (i - from);
    if (position < 0) continue;
    int64_t key = tapetime::key(tapetime::timeAt(position, cycle));
    bool beforeNext = next == timed.size() || key < k[timed[next]];
    bool afterPrevious = next == 0 || key > k[timed[next - 1]];
    if (beforeNext && afterPrevious) placed[i] = key;
  }
  return placed;
}

}  // namespace

Placement place(std::vector<int64_t> keys) {
  Placement p;
  // Repeats are set aside: the frames around them count as neighbours.
  std::vector<int64_t> kept;  // the frames that are not repeats
  std::vector<int64_t> read;  // and their keys
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == kRepeat) continue;
    kept.push_back(static_cast<int64_t>(i));
    read.push_back(keys[i]);
  }
  p.repeats = static_cast<int64_t>(keys.size() - kept.size());
  tapetime::Track track = tapetime::track(std::move(read));
  p.cycle = track.cycle;
  p.badPacks = track.badPacks;
  p.timed = track.framesWithTime;
  const std::vector<int64_t>& k = track.keys;
  std::vector<int64_t> timed = timedFrames(k, &p);
  std::vector<int64_t> placed = places(k, timed, p.cycle);
  p.keys.assign(keys.size(), kRepeat);
  for (size_t j = 0; j < placed.size(); ++j) p.keys[kept[j]] = placed[j];
  if (timed.empty()) return p;
  p.firstKey = p.lastKey = k[timed.front()];
  for (int64_t key : placed) {
    if (key < 0) continue;
    p.firstKey = std::min(p.firstKey, key);
    p.lastKey = std::max(p.lastKey, key);
  }
  return p;
}

}  // namespace merging
