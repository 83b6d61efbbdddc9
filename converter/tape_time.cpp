#include "tape_time.h"

#include <cstdio>

namespace tapetime {

namespace {

bool bcd(uint8_t byte, int limit, int* value) {
  int high = byte >> 4, low = byte & 15;
  if (high > 9 || low > 9) return false;
  *value = high * 10 + low;
  return *value < limit;
}

int64_t seconds(const Time& t) {
  return (int64_t{t.hours} * 60 + t.minutes) * 60 + t.seconds;
}

bool later(const Time& a, const Time& b) {
  int64_t sa = seconds(a), sb = seconds(b);
  return sa != sb ? sa > sb : a.frame > b.frame;
}

}  // namespace

bool frameTime(const dat::DatFrame& f, Time* t) {
  const uint8_t* p = dat::lastAtimePack(f);
  return p != nullptr && bcd(p[3], 100, &t->hours) && bcd(p[4], 60, &t->minutes) &&
         bcd(p[5], 60, &t->seconds) && bcd(p[6], 34, &t->frame);
}

int64_t position(const Time& t) {
  return seconds(t) * 100 / 3 + t.frame;
}

Time timeAt(int64_t position) {
  int64_t s = (position * 3 + 2) / 100;
  Time t = fromKey(s * 34);
  t.frame = static_cast<int>(position - s * 100 / 3);
  return t;
}

bool runsOn(const Time& before, const Time& after) {
  int64_t s = seconds(before), t = seconds(after);
  return (t == s && after.frame == before.frame + 1) ||
         (t == s + 1 && after.frame == 0 && before.frame >= 32);
}

int64_t key(const Time& t) {
  return seconds(t) * 34 + t.frame;
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

Analysis analyse(const uint8_t* image, int64_t frames) {
  Analysis a;
  Time previous;
  int64_t previousAt = -1;
  for (int64_t i = 0; i < frames; ++i) {
    Time t;
    if (!frameTime(dat::frameAt(image + i * dat::kFrameSize), &t)) continue;
    ++a.framesWithTime;
    if (previousAt >= 0) {
      int64_t steps = i - previousAt;
      // Both numberings of a second (0-32 and 0-33) run on without a gap.
      bool continuous = steps == 1 && runsOn(previous, t);
      int64_t missing = position(t) - position(previous) - steps;
      if (!continuous) {
        Break b{Break::Gap, i, 0, previous, t};
        if (!later(t, previous) || missing > kJumpFrames || missing < -kGapAccuracy) {
          b.kind = Break::Jump;
          a.breaks.push_back(b);
        } else if (steps == 1 || missing > 0) {
          b.missing = missing > 0 ? missing : 1;
          a.breaks.push_back(b);
        }
      }
    }
    previous = t;
    previousAt = i;
  }
  return a;
}

}  // namespace tapetime
