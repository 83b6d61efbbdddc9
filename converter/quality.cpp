#include "quality.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "quality_scan.h"

namespace quality {

namespace {

bool fullScale(int32_t x) {
  return x == 32767 || x == -32768;
}

int32_t left(uint32_t pair) {
  return static_cast<int16_t>(pair & 0xFFFF);
}
int32_t right(uint32_t pair) {
  return static_cast<int16_t>(pair >> 16);
}

// A step no two 16-bit samples make: the first line after a start or a gap
// begins afresh.
constexpr int32_t kNoStep = INT32_MIN;

}  // namespace

void Meter::endClip(int c) {
  ChannelState& s = ch[c];
  if (s.clipLength >= kClipRun) found.push_back({Event::Clip, s.clipStart, s.clipLength, c});
  s.clipLength = 0;
}

void Meter::endLine(int c) {
  ChannelState& s = ch[c];
  if (s.lineLength >= kInterpolationRun && s.step != 0 && s.step != kNoStep) {
    found.push_back({Event::Interpolation, s.lineStart, s.lineLength, c});
  }
  s.lineLength = 0;
}

// The run of equal pairs `held` that has ended: a hold where it is long
// enough, loud enough and short of full scale.
void Meter::endHold(uint32_t held) {
  int32_t l = left(held), r = right(held);
  bool loud = std::abs(l) >= kLoud || std::abs(r) >= kLoud;
  if (holdLength >= kHoldRun && loud && !fullScale(l) && !fullScale(r)) {
    found.push_back({Event::Hold, holdStart, holdLength, -1});
  }
  holdLength = 0;
}

// The run of zero pairs that has ended: a mute where it is long enough,
// shorter than a second and has sound within kMuteReach before it; it waits
// for sound after it (judgeMutes).
void Meter::endZeros() {
  if (zeroLength >= kMuteRun && zeroLength < rate && lastSound >= 0 &&
      lastSound >= zeroStart - kMuteReach) {
    pending.push_back({zeroStart, zeroLength});
  }
  zeroLength = 0;
}

// The zero runs waiting: a mute each where sound comes (`soundAfter`, at the
// pair `at`) within kMuteReach pairs after it; none where the reach has
// passed.
void Meter::judgeMutes(bool soundAfter) {
  size_t kept = 0;
  for (const Run& z : pending) {
    int64_t end = z.start + z.length;
    if (soundAfter && at < end + kMuteReach) {
      found.push_back({Event::Mute, z.start, z.length, -1});
    } else if (at < end + kMuteReach) {
      pending[kept++] = z;
    }
  }
  pending.resize(kept);
}

void Meter::endAll() {
  for (int c = 0; c < 2; ++c) {
    endClip(c);
    endLine(c);
  }
  endHold(lastPair);
  endZeros();
}

// The runs, pair by pair: the common way (no run long enough to tell) is a
// few comparisons; what ends a long run is told apart.
void Meter::runs(const int16_t* x, int64_t pairs) {
  for (int64_t k = 0; k < pairs; ++k, ++at) {
    uint32_t pair;
    std::memcpy(&pair, x + 2 * k, 4);
    for (int c = 0; c < 2; ++c) {
      ChannelState& s = ch[c];
      int32_t v = x[2 * k + c];
      if (fullScale(v)) {
        if (s.clipLength == 0 || v != s.clipValue) {
          endClip(c);
          s.clipStart = at, s.clipValue = v;
        }
        ++s.clipLength;
      } else if (s.clipLength != 0) {
        endClip(c);
      }
      int32_t step = v - s.last;
      if (step == s.step && !fresh) {
        ++s.lineLength;
      } else {
        if (s.lineLength >= kInterpolationRun) endLine(c);
        if (fresh) {
          s.lineStart = at, s.lineLength = 1, s.step = kNoStep;
        } else {
          s.lineStart = at - 1, s.lineLength = 2, s.step = step;
        }
      }
      s.last = v;
    }
    if (pair == lastPair && !fresh) {
      ++holdLength;
    } else {
      if (holdLength >= kHoldRun) endHold(lastPair);
      holdStart = at, holdLength = 1;
    }
    if (pair == 0) {
      if (zeroLength == 0 || fresh) zeroStart = at, zeroLength = 0;
      ++zeroLength;
    } else if (zeroLength != 0) {
      endZeros();
    }
    bool sound = std::abs(left(pair)) >= kLoud || std::abs(right(pair)) >= kLoud;
    if (!pending.empty()) judgeMutes(sound);
    if (sound) lastSound = at;
    lastPair = pair;
    fresh = false;
  }
}

void scanPairs(const int16_t* y, int64_t from, int64_t to, BlockScan& s) {
  const int16_t* x = y + 4;
  for (int64_t k = from; k < to; ++k) {
    for (int c = 0; c < 2; ++c) {
      int16_t v = x[2 * k + c];
      s.low[c] = std::min(s.low[c], v);
      s.high[c] = std::max(s.high[c], v);
      s.sum[c] += v;
      s.squares[c] += static_cast<uint32_t>(v * v);
      auto step = static_cast<uint16_t>(v - x[2 * k + c - 2]);
      auto stepBefore = static_cast<uint16_t>(x[2 * k + c - 2] - x[2 * k + c - 4]);
      s.lines[c] += step != 0 && step == stepBefore;
      s.full = s.full || fullScale(v);
    }
    uint32_t pair, before;
    std::memcpy(&pair, x + 2 * k, 4);
    std::memcpy(&before, x + 2 * k - 2, 4);
    s.holds += pair == before;
  }
}

// True when the block scanned as `s` can neither end nor begin a run long
// enough to tell, nor carry on one: then no event lies in it, and the runs'
// state after it is that of its last pairs (passOver). A line with a step of
// zero (a constant channel) is never an event, whatever its length.
bool Meter::passable(const BlockScan& s) const {
  if (fresh || s.full || !pending.empty() || ch[0].clipLength != 0 || ch[1].clipLength != 0) {
    return false;
  }
  for (int c = 0; c < 2; ++c) {
    int64_t carried = ch[c].step != 0 && ch[c].step != kNoStep ? ch[c].lineLength : 2;
    if (std::max<int64_t>(carried, 2) + s.lines[c] >= kInterpolationRun) return false;
  }
  // A run of zero pairs is a run of equal pairs: no longer.
  return holdLength + s.holds < kHoldRun;
}

// The runs' state after the pairs `x` of a passable block, from its last
// pairs back: the line, the equal pairs and the zero pairs that end with it.
void Meter::passOver(const int16_t* x, int64_t pairs) {
  for (int c = 0; c < 2; ++c) {
    ChannelState& s = ch[c];
    auto sample = [&](int64_t k) { return k < 0 ? s.last : int32_t{x[2 * k + c]}; };
    auto step = [&](int64_t k) { return k < 0 ? s.step : sample(k) - sample(k - 1); };
    int64_t k = pairs - 1;
    while (k >= 0 && step(k) == step(k - 1)) --k;
    if (k >= 0) s.lineStart = at + k - 1, s.lineLength = 2;
    s.lineLength += pairs - 1 - k;
    s.step = step(pairs - 1);
    s.last = sample(pairs - 1);
  }
  auto pair = [&](int64_t k) {
    uint32_t p = lastPair;
    if (k >= 0) std::memcpy(&p, x + 2 * k, 4);
    return p;
  };
  int64_t k = pairs - 1;
  while (k >= 0 && pair(k) == pair(k - 1)) --k;
  if (k >= 0) holdStart = at + k, holdLength = 1;
  holdLength += pairs - 1 - k;
  for (k = pairs - 1; k >= 0 && pair(k) == 0; --k) {
  }
  if (k >= 0 || zeroLength == 0) zeroStart = at + k + 1, zeroLength = 0;
  zeroLength += pairs - 1 - k;
  for (k = pairs - 1; k >= 0; --k) {
    if (std::abs(x[2 * k]) >= kLoud || std::abs(x[2 * k + 1]) >= kLoud) {
      lastSound = at + k;
      break;
    }
  }
  lastPair = pair(pairs - 1);
  at += pairs;
}

// True when every pair of the block scanned as `s` is the pair before it,
// not at full scale, and the lines go on with a step of zero: digital
// silence, or a value held, that only makes the runs longer (carryOn).
bool Meter::constant(const BlockScan& s, int64_t pairs) const {
  return !fresh && !s.full && pending.empty() && s.holds == pairs && ch[0].step == 0 &&
         ch[1].step == 0;
}

void Meter::carryOn(int64_t pairs) {
  holdLength += pairs;
  if (lastPair == 0) zeroLength += pairs;
  for (ChannelState& s : ch) s.lineLength += pairs;
  if (std::abs(left(lastPair)) >= kLoud || std::abs(right(lastPair)) >= kLoud) {
    lastSound = at + pairs - 1;
  }
  at += pairs;
}

void Meter::samples(const uint8_t* pcm, int64_t pairs) {
  // The block after the two pairs before it (as the runs' state has them).
  int16_t y[4 + 2 * kBlock];
  for (int64_t done = 0; done < pairs; done += kBlock) {
    int64_t n = std::min(kBlock, pairs - done);
    for (int c = 0; c < 2; ++c) {
      // After a start or a gap there is no step: any sample will do there.
      y[c] = static_cast<int16_t>(static_cast<uint32_t>(ch[c].last) -
                                  static_cast<uint32_t>(ch[c].step));
      y[2 + c] = static_cast<int16_t>(ch[c].last);
    }
    std::memcpy(y + 4, pcm + 4 * done, static_cast<size_t>(4 * n));
    BlockScan scan;
    scanBlock(y, n, scan);
    for (int c = 0; c < 2; ++c) {
      ChannelState& s = ch[c];
      s.peak = std::max({s.peak, int32_t{scan.high[c]}, -int32_t{scan.low[c]}});
      s.sum += scan.sum[c];
      s.squares += scan.squares[c];
    }
    if (passable(scan)) {
      passOver(y + 4, n);
    } else if (constant(scan, n)) {
      carryOn(n);
    } else {
      runs(y + 4, n);
    }
  }
}

void Meter::gap(int64_t pairs) {
  endAll();
  at += pairs;
  if (!pending.empty()) judgeMutes(false);
  fresh = true;
}

void Meter::finish() {
  gap(0);
  pending.clear();
  std::stable_sort(found.begin(), found.end(), [](const Event& a, const Event& b) {
    return a.sample != b.sample ? a.sample < b.sample : a.channel < b.channel;
  });
}

Channel Meter::channel(int c) const {
  const ChannelState& s = ch[c];
  Channel out;
  if (at == 0) return out;
  if (s.peak > 0) out.peakDb = 20 * std::log10(s.peak / 32768.0);
  if (s.squares > 0) out.rmsDb = 20 * std::log10(std::sqrt(double(s.squares) / at) / 32768.0);
  out.dcOffset = double(s.sum) / at / 32768.0;
  return out;
}

}  // namespace quality
