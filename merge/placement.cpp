#include "placement.h"

#include <algorithm>
#include <utility>

namespace merging {

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
  const int64_t count = static_cast<int64_t>(k.size());
  std::vector<int64_t> timed;  // the frames with a good time, in order
  for (int64_t i = 0; i < count; ++i) {
    if (k[i] == tapetime::kNoTime) continue;
    if (!timed.empty() && k[i] <= k[timed.back()] && !p.backwards) {
      p.backwards = true;
      p.backFrom = k[timed.back()];
      p.backTo = k[i];
    }
    timed.push_back(i);
  }
  std::vector<int64_t> placed(k.size(), kUnplaced);
  size_t next = 0;  // the first frame with a time after i
  for (int64_t i = 0; i < count && !timed.empty(); ++i) {
    if (next < timed.size() && timed[next] == i) {
      placed[i] = k[i];
      ++next;
      continue;
    }
    int64_t from = timed[next == 0 ? 0 : next - 1];
    int64_t position = tapetime::position(tapetime::fromKey(k[from]), p.cycle) + (i - from);
    if (position < 0) continue;
    int64_t key = tapetime::key(tapetime::timeAt(position, p.cycle));
    bool beforeNext = next == timed.size() || key < k[timed[next]];
    bool afterPrevious = next == 0 || key > k[timed[next - 1]];
    if (beforeNext && afterPrevious) placed[i] = key;
  }
  p.keys.assign(keys.size(), kRepeat);
  for (int64_t j = 0; j < count; ++j) p.keys[kept[j]] = placed[j];
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
