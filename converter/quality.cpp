#include "quality.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

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

// Each channel's peak, sum and squares: loops the compiler turns into
// vector instructions (a block's sum and squares fit 32 bits and 64).
void Meter::figures(const int16_t* x, int64_t pairs) {
  for (int c = 0; c < 2; ++c) {
    int16_t low = 0, high = 0;
    int32_t sum = 0;
    int64_t squares = 0;
    for (int64_t k = 0; k < pairs; ++k) {
      int16_t v = x[2 * k + c];
      low = std::min(low, v);
      high = std::max(high, v);
      sum += v;
      squares += v * v;
    }
    ChannelState& s = ch[c];
    s.peak = std::max({s.peak, static_cast<int32_t>(high), -static_cast<int32_t>(low)});
    s.sum += sum;
    s.squares += static_cast<uint64_t>(squares);
  }
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

// True when the pairs `x` can neither hold nor continue a run of any kind:
// no open run to carry on, no waiting mute, no sample at full scale, no
// pair equal to the one before or zero, no three samples of a channel in a
// line. Sound is like that almost throughout. Checked over the pairs with
// the two before them in loops the compiler turns into vector instructions;
// the line in 16-bit wrapping arithmetic, which finds every line and now and
// then one that is none (the pairs are then judged one by one).
bool Meter::quiet(const int16_t* x, int64_t pairs) const {
  if (fresh || !pending.empty() || ch[0].clipLength != 0 || ch[1].clipLength != 0 ||
      holdLength > 1 || zeroLength != 0 || ch[0].lineLength > 2 || ch[1].lineLength > 2) {
    return false;
  }
  uint16_t y[2 * kBlock + 4];
  for (int c = 0; c < 2; ++c) {
    y[c] = static_cast<uint16_t>(ch[c].last - ch[c].step);
    y[2 + c] = static_cast<uint16_t>(ch[c].last);
  }
  std::memcpy(y + 4, x, static_cast<size_t>(4 * pairs));
  uint16_t any = 0;
  for (int64_t k = 4; k < 2 * pairs + 4; ++k) {
    uint16_t line = static_cast<uint16_t>(y[k] - 2 * y[k - 2] + y[k - 4]);
    uint16_t full = static_cast<uint16_t>((y[k] ^ 0x8000) + 1) <= 1 ? 1 : 0;  // 0x7FFF, 0x8000
    any |= static_cast<uint16_t>((line == 0) | full);
  }
  uint32_t w[kBlock + 1];
  std::memcpy(w, y + 2, static_cast<size_t>(4 * (pairs + 1)));
  uint32_t same = 0;
  for (int64_t k = 1; k <= pairs; ++k) same |= (w[k] == w[k - 1]) | (w[k] == 0);
  return any == 0 && same == 0;
}

// Quiet pairs (quiet()): the runs' state as they leave it, without judging
// pair by pair.
void Meter::passOver(const int16_t* x, int64_t pairs) {
  for (int c = 0; c < 2; ++c) {
    ChannelState& s = ch[c];
    int32_t before = pairs > 1 ? x[2 * (pairs - 2) + c] : s.last;
    s.last = x[2 * (pairs - 1) + c];
    s.step = s.last - before;
    s.lineStart = at + pairs - 2, s.lineLength = 2;
  }
  for (int64_t k = pairs - 1; k >= 0; --k) {
    if (std::abs(x[2 * k]) >= kLoud || std::abs(x[2 * k + 1]) >= kLoud) {
      lastSound = at + k;
      break;
    }
  }
  std::memcpy(&lastPair, x + 2 * (pairs - 1), 4);
  holdStart = at + pairs - 1, holdLength = 1;
  at += pairs;
}

void Meter::samples(const uint8_t* pcm, int64_t pairs) {
  int16_t x[2 * kBlock];
  for (int64_t done = 0; done < pairs; done += kBlock) {
    int64_t n = std::min(kBlock, pairs - done);
    std::memcpy(x, pcm + 4 * done, static_cast<size_t>(4 * n));
    figures(x, n);
    if (quiet(x, n)) {
      passOver(x, n);
    } else {
      runs(x, n);
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
