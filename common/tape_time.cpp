#include "tape_time.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tapetime {

namespace {

// How many later times a time out of step is checked against before it is
// taken as a real break rather than a bad pack.
constexpr int kConfirmReach = 8;

bool bcd(uint8_t byte, int limit, int* value) {
  int high = byte >> 4, low = byte & 15;
  if (high > 9 || low > 9) return false;
  *value = high * 10 + low;
  return *value < limit;
}

int64_t secondsOf(const Time& t) {
  return (int64_t{t.hours} * 60 + t.minutes) * 60 + t.seconds;
}

// The first frame of second s, from the start of the tape.
int64_t secondStart(int64_t s, int phase) {
  return s * 33 + (s + 2 - phase) / 3;
}

int64_t positionIn(const Time& t, int phase) {
  return secondStart(secondsOf(t), phase) + t.frame;
}

// Frames in second s.
int framesIn(int64_t s, int phase) {
  return s % 3 == phase ? 34 : 33;
}

// True when a time at frame ib of the run could follow one at frame ia by
// the rule alone, a frame lost or gained either way: the test of a bad pack.
bool fits(int64_t a, int64_t ia, int64_t b, int64_t ib) {
  if (b <= a) return false;
  int64_t m = missingBetween(fromKey(a), fromKey(b), ib - ia, Cycle());
  return m >= -1 && m <= 1;
}

}  // namespace

bool frameTime(const dat::DatFrame& f, Time* t) {
  const uint8_t* p = dat::lastAtimePack(f);
  return p != nullptr && bcd(p[3], 100, &t->hours) && bcd(p[4], 60, &t->minutes) &&
         bcd(p[5], 60, &t->seconds) && bcd(p[6], 34, &t->frame);
}

int64_t key(const Time& t) {
  return secondsOf(t) * 34 + t.frame;
}

int64_t frameKey(const dat::DatFrame& f) {
  Time t;
  return frameTime(f, &t) ? key(t) : kNoTime;
}

Time fromKey(int64_t k) {
  Time t;
  int64_t s = k / 34;
  t.frame = static_cast<int>(k % 34);
  t.seconds = static_cast<int>(s % 60);
  t.minutes = static_cast<int>(s / 60 % 60);
  t.hours = static_cast<int>(s / 3600);
  return t;
}

std::string text(const Time& t) {
  char out[32];
  std::snprintf(out, sizeof out, "%02d:%02d:%02d:%02d", t.hours, t.minutes, t.seconds, t.frame);
  return out;
}

int64_t position(const Time& t, const Cycle& c) {
  return positionIn(t, c.phase);
}

Time timeAt(int64_t position, const Cycle& c) {
  int64_t s = position * 3 / 100;
  while (s > 0 && secondStart(s, c.phase) > position) --s;
  while (secondStart(s + 1, c.phase) <= position) ++s;
  Time t = fromKey(s * 34);
  t.frame = static_cast<int>(position - secondStart(s, c.phase));
  return t;
}

int64_t missingBetween(const Time& before, const Time& after, int64_t steps, const Cycle& c) {
  if (c.source != Cycle::Published)
    return positionIn(after, c.phase) - positionIn(before, c.phase) - steps;
  // No cycle known: the least that any of the three allows, so that a step
  // that some cycle explains is never taken for a gap.
  int64_t least = INT64_MAX;
  for (int phase = 0; phase < 3; ++phase) {
    least = std::min(least, positionIn(after, phase) - positionIn(before, phase) - steps);
  }
  return least;
}

bool runsOn(const Time& before, const Time& after, const Cycle& c) {
  int64_t s = secondsOf(before), t = secondsOf(after);
  if (c.source != Cycle::Tape) {
    return (t == s && after.frame == before.frame + 1) ||
           (t == s + 1 && after.frame == 0 && before.frame >= 32);
  }
  return (t == s && after.frame == before.frame + 1 && after.frame < framesIn(s, c.phase)) ||
         (t == s + 1 && after.frame == 0 && before.frame == framesIn(s, c.phase) - 1);
}

void CycleVotes::add(int64_t key) {
  if (key != kNoTime && key % 34 == 33) ++votes[key / 34 % 3];
}

Cycle CycleVotes::cycle() const {
  Cycle c;
  int most = static_cast<int>(std::max_element(votes, votes + 3) - votes);
  int shown = (votes[0] > 0) + (votes[1] > 0) + (votes[2] > 0);
  if (shown > 0) {
    c.phase = most;
    c.source = shown == 1 ? Cycle::Tape : Cycle::Mixed;
  }
  return c;
}

Track track(std::vector<int64_t> keys) {
  Track r;
  std::vector<int64_t> timed;
  for (int64_t i = 0; i < static_cast<int64_t>(keys.size()); ++i) {
    if (keys[i] != kNoTime) timed.push_back(i);
  }
  // Bad packs: a time out of step with the last good one before it, where a
  // time soon after runs on from that good one but not from it, or where
  // the next time goes forward from the good one and it lies outside them.
  // The first time is checked against the two after it.
  int64_t good = -1;  // the frame of the last good time
  const size_t count = timed.size();
  for (size_t p = 0; p < count; ++p) {
    int64_t i = timed[p];
    bool bad = false;
    if (good < 0) {
      bad = p + 2 < count && !fits(keys[i], i, keys[timed[p + 1]], timed[p + 1]) &&
            fits(keys[timed[p + 1]], timed[p + 1], keys[timed[p + 2]], timed[p + 2]);
    } else if (!fits(keys[good], good, keys[i], i)) {
      for (size_t q = p + 1; q < count && q <= p + kConfirmReach && !bad; ++q) {
        int64_t j = timed[q];
        if (fits(keys[good], good, keys[j], j)) bad = !fits(keys[i], i, keys[j], j);
      }
      // Beside a real gap: the time after it, confirmed by its own next,
      // goes forward from the good one, and this one is not between them.
      if (!bad && p + 2 < count) {
        int64_t j = timed[p + 1], after = timed[p + 2];
        bad = fits(keys[j], j, keys[after], after) && !fits(keys[i], i, keys[j], j) &&
              keys[good] < keys[j] && !(keys[good] < keys[i] && keys[i] < keys[j]);
      }
    }
    if (bad) {
      keys[i] = kNoTime;
      ++r.badPacks;
      continue;
    }
    good = i;
    ++r.framesWithTime;
  }
  CycleVotes votes;
  for (int64_t k : keys) votes.add(k);
  r.cycle = votes.cycle();
  r.keys = std::move(keys);
  return r;
}

namespace {

// The break, if any, between a frame with the time `before` and one `steps`
// frames later with `after`, frames that move the tape's time on by
// `perFrame` positions each: false when the time runs on.
bool breakBetween(const Time& before, const Time& after, int64_t steps, int perFrame,
                  const Cycle& c, Break* b) {
  int64_t missing;
  if (perFrame == 1) {
    if (steps == 1 && runsOn(before, after, c)) return false;
    missing = missingBetween(before, after, steps, c);
  } else {
    int64_t moved = missingBetween(before, after, 0, c);  // positions between
    if (moved == steps * perFrame) return false;
    missing = moved / perFrame - steps;
  }
  b->timeBefore = before;
  b->timeAfter = after;
  b->missing = 0;
  if (key(after) <= key(before) || missing > kJumpFrames || missing < -accuracy(c)) {
    b->kind = Break::Jump;
    return true;
  }
  // A step of one frame that does not run on is a gap of at least one.
  b->kind = Break::Gap;
  b->missing = perFrame == 1 && steps == 1 ? std::max<int64_t>(missing, 1) : missing;
  return b->missing > 0;
}

}  // namespace

std::vector<Break> breaks(const Track& tr, int64_t first, int64_t last, int perFrame) {
  std::vector<Break> out;
  int64_t previousAt = -1;
  for (int64_t i = std::max<int64_t>(first, 0); i <= last && i < int64_t(tr.keys.size()); ++i) {
    if (tr.keys[i] == kNoTime) continue;
    Break b{};
    if (previousAt >= 0 && breakBetween(fromKey(tr.keys[previousAt]), fromKey(tr.keys[i]),
                                        i - previousAt, perFrame, tr.cycle, &b)) {
      b.before = i;
      out.push_back(b);
    }
    previousAt = i;
  }
  return out;
}

int positionsPerFrame(const Track& tr, int64_t first, int64_t last) {
  int64_t votes[3] = {0, 0, 0};  // steps of 1, 2 positions
  for (int64_t i = std::max<int64_t>(first, 0) + 1; i <= last && i < int64_t(tr.keys.size()); ++i) {
    if (tr.keys[i] == kNoTime || tr.keys[i - 1] == kNoTime) continue;
    int64_t moved = missingBetween(fromKey(tr.keys[i - 1]), fromKey(tr.keys[i]), 0, tr.cycle);
    if (moved == 1 || moved == 2) ++votes[moved];
  }
  return votes[2] > votes[1] ? 2 : 1;
}

Analysis analyse(const uint8_t* image, int64_t frames) {
  std::vector<int64_t> keys(static_cast<size_t>(frames));
  for (int64_t i = 0; i < frames; ++i)
    keys[i] = frameKey(dat::frameAt(image + i * dat::kFrameSize));
  Analysis a;
  a.track = track(std::move(keys));
  a.breaks = breaks(a.track);
  return a;
}

}  // namespace tapetime
