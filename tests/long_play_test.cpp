// Long play: the 12-bit expansion against the published table, and the
// layout learnt from the frames: each candidate recognised from smooth
// audio and decoded exactly, noise and silence not taken for any.
#include "long_play.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "little_endian.h"

namespace {

// The expansion as the table reads: segments of 256 codes, each twice as
// coarse as the one nearer zero.
int expected(int c) {
  if (c >= 0x800) {
    if (c == 0x800) return 0;
    if (c >= 0xE00) return c - 0x1000;
    int segment = 0xE - (c >> 8);  // 1 (0xD..) .. 5 (0x9..), 6 (0x8..)
    return -((0x200 - (c & 0xFF)) << segment);
  }
  if (c < 0x200) return c;
  int segment = (c >> 8) - 1;  // 1 (0x2..) .. 6 (0x7..)
  return (0x100 + (c & 0xFF)) << segment;
}

TEST(LongPlay, TheExpansionOfEveryCode) {
  for (int c = 0; c < 0x1000; ++c) ASSERT_EQ(longplay::expand(c), expected(c)) << std::hex << c;
  EXPECT_EQ(longplay::expand(0x7FF), 0x7FC0);
  EXPECT_EQ(longplay::expand(0xE00), -512);
  EXPECT_EQ(longplay::expand(0x801), -32704);
  EXPECT_EQ(longplay::expand(0xFFF), -1);
}

// The code whose expansion is nearest to v.
uint16_t compress(int v) {
  static std::vector<uint16_t> nearest = [] {
    std::vector<uint16_t> t(65536);
    for (int v = -32768; v < 32768; ++v) {
      int best = 0;
      for (int c = 0; c < 0x1000; c += 1) {
        if (c != 0x800 && std::abs(expected(c) - v) < std::abs(expected(best) - v)) best = c;
      }
      t[v + 32768] = static_cast<uint16_t>(best);
    }
    return t;
  }();
  return nearest[v + 32768];
}

// Codes A and B into three bytes, by the layouts' descriptions.
void pack(longplay::Packing p, uint16_t a, uint16_t b, uint8_t* out) {
  using P = longplay::Packing;
  switch (p) {
    case P::HighBytesThenNibbles:
      out[0] = a >> 4, out[1] = b >> 4, out[2] = static_cast<uint8_t>((a & 15) << 4 | (b & 15));
      break;
    case P::HighBytesThenSwapped:
      out[0] = a >> 4, out[1] = b >> 4, out[2] = static_cast<uint8_t>((b & 15) << 4 | (a & 15));
      break;
    case P::BigEndian:
      out[0] = a >> 4, out[1] = static_cast<uint8_t>((a & 15) << 4 | b >> 8), out[2] = b & 0xFF;
      break;
    case P::LittleEndian:
      out[2] = a >> 4, out[1] = static_cast<uint8_t>((a & 15) << 4 | b >> 8), out[0] = b & 0xFF;
      break;
  }
}

struct Tape {
  std::vector<dat::DatFrame> frames;
  std::vector<std::vector<uint16_t>> left, right;  // the codes, per frame
};

// Frames of a two-voice recording (a sweep on the left, a chord that swells
// and fades on the right) in `layout`.
Tape record(const longplay::Layout& layout, int count, double loudness) {
  Tape t;
  t.frames.resize(count);
  const int n = longplay::kPairsPerFrame;
  for (int f = 0; f < count; ++f) {
    std::vector<uint16_t> l(n), r(n), order;
    for (int k = 0; k < n; ++k) {
      double s = (f * n + k) / 32000.0;
      double sweep = std::sin(2 * M_PI * (100 + 400 * s) * s);
      double chord = (std::sin(2 * M_PI * 220 * s) + std::sin(2 * M_PI * 277 * s) +
                      std::sin(2 * M_PI * 330 * s)) *
                     std::sin(M_PI * s / 2) / 3;
      l[k] = compress(static_cast<int>(loudness * sweep));
      r[k] = compress(static_cast<int>(loudness * chord));
    }
    for (int k = 0; k < n; ++k) {
      if (layout.channels == longplay::Channels::Alternating) {
        order.push_back(l[k]);
        order.push_back(r[k]);
      }
    }
    if (layout.channels == longplay::Channels::LeftThenRight) {
      order = l;
      order.insert(order.end(), r.begin(), r.end());
    }
    std::memset(&t.frames[f], 0, sizeof t.frames[f]);
    for (int g = 0; g < n; ++g)
      pack(layout.packing, order[2 * g], order[2 * g + 1], t.frames[f].audio + 3 * g);
    t.left.push_back(l);
    t.right.push_back(r);
  }
  return t;
}

std::vector<const dat::DatFrame*> pointers(const std::vector<dat::DatFrame>& frames) {
  std::vector<const dat::DatFrame*> p;
  for (const dat::DatFrame& f : frames) p.push_back(&f);
  return p;
}

TEST(LongPlay, EachLayoutIsRecognisedAndDecodedExactly) {
  for (const longplay::Layout& layout : longplay::layouts()) {
    for (double loudness : {3000.0, 20000.0}) {
      SCOPED_TRACE(std::string(layout.name) + " at " + std::to_string(loudness));
      Tape t = record(layout, 60, loudness);
      longplay::Choice c = longplay::choose(pointers(t.frames));
      std::string scores;
      for (double x : c.scores) scores += std::to_string(x) + " ";
      ASSERT_EQ(c.layout, &layout) << (c.layout ? c.layout->name : "none") << ": " << scores;
      EXPECT_GE(c.margin, longplay::kClearMargin);
      std::vector<uint8_t> out(longplay::kBytesPerFrame);
      for (size_t f = 0; f < t.frames.size(); f += 17) {
        longplay::decode(t.frames[f].audio, layout, out.data());
        for (int k = 0; k < longplay::kPairsPerFrame; ++k) {
          ASSERT_EQ(static_cast<int16_t>(readLe16(&out[4 * k])), expected(t.left[f][k])) << k;
          ASSERT_EQ(static_cast<int16_t>(readLe16(&out[4 * k + 2])), expected(t.right[f][k]));
        }
      }
    }
  }
}

TEST(LongPlay, NoiseAndSilenceAreNotTakenForALayout) {
  std::vector<dat::DatFrame> frames(40);
  std::mt19937 random(7);
  for (dat::DatFrame& f : frames) {
    for (uint8_t& b : f.audio) b = static_cast<uint8_t>(random());
  }
  longplay::Choice noise = longplay::choose(pointers(frames));
  EXPECT_EQ(noise.layout, nullptr);
  EXPECT_FALSE(noise.silent);
  ASSERT_EQ(noise.scores.size(), longplay::layouts().size());
  EXPECT_LT(noise.margin, longplay::kClearMargin);
  for (dat::DatFrame& f : frames) std::memset(f.audio, 0, sizeof f.audio);
  longplay::Choice silence = longplay::choose(pointers(frames));
  EXPECT_TRUE(silence.silent);
  EXPECT_EQ(silence.layout, nullptr);
}

}  // namespace
