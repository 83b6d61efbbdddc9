// The concealment events and figures of quality::Meter on planted damage:
// each event found at its exact sample and channel, nothing in clean sound,
// in leading or trailing silence, or in the silence between programs.
#include "quality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "quality_scan.h"

namespace {

using quality::Event;

// Stereo 16-bit pairs.
using Pairs = std::vector<std::pair<int, int>>;

// A tone with a little noise, `n` pairs, as sound is: no two pairs alike,
// no three samples in a line.
Pairs sound(int n, int level = 6000, unsigned seed = 1) {
  Pairs p;
  for (int k = 0; k < n; ++k) {
    seed = seed * 1103515245 + 12345;
    int noise = static_cast<int>(seed >> 16 & 15) - 8;
    int v = static_cast<int>(level * std::sin(k * 0.05)) + noise;
    p.push_back({v, -v / 2 + noise});
  }
  return p;
}

std::vector<uint8_t> bytes(const Pairs& p) {
  std::vector<uint8_t> b(4 * p.size());
  for (size_t k = 0; k < p.size(); ++k) {
    int16_t l = static_cast<int16_t>(p[k].first), r = static_cast<int16_t>(p[k].second);
    std::memcpy(&b[4 * k], &l, 2);
    std::memcpy(&b[4 * k + 2], &r, 2);
  }
  return b;
}

std::vector<Event> events(const Pairs& p, uint32_t rate = 48000, int64_t gapAt = -1,
                          int64_t gapPairs = 0) {
  quality::Meter m(rate);
  std::vector<uint8_t> b = bytes(p);
  int64_t at = 0, n = static_cast<int64_t>(p.size());
  // In pieces of a frame, as the writer feeds it; a gap where asked.
  while (at < n) {
    int64_t piece = std::min<int64_t>(1440, n - at);
    if (gapAt >= at && gapAt < at + piece) piece = gapAt - at;
    if (piece > 0) m.samples(b.data() + 4 * at, piece);
    at += piece;
    if (at == gapAt) m.gap(gapPairs), gapAt = -1;
  }
  m.finish();
  return m.events();
}

void plant(Pairs& p, int at, const Pairs& what) {
  for (size_t k = 0; k < what.size(); ++k) p[at + k] = what[k];
}

TEST(Quality, EachPlantedEventFoundExactly) {
  struct Case {
    const char* what;
    Pairs pairs;
    std::vector<Event> want;
  };
  Pairs tone = sound(20000);
  Pairs held = tone, muted = tone, ramped = tone, clipped = tone;
  plant(held, 5000, Pairs(40, {1234, -617}));
  plant(muted, 7000, Pairs(100, {0, 0}));
  for (int k = 0; k < 64; ++k) ramped[9000 + k].second = -3000 + 50 * k;
  for (int k = 0; k < 5; ++k) clipped[12000 + k].first = 32767;
  for (int k = 0; k < 3; ++k) clipped[12100 + k].second = -32768;
  clipped[12200].first = 32767;  // one at full scale is no clip
  const Case cases[] = {
      {"clean", tone, {}},
      {"a hold of 40 pairs", held, {{Event::Hold, 5000, 40, -1}}},
      {"a mute of 100 pairs", muted, {{Event::Mute, 7000, 100, -1}}},
      {"a line of 64 samples in the right channel", ramped, {{Event::Interpolation, 9000, 64, 1}}},
      {"clips of 5 and 3 samples",
       clipped,
       {{Event::Clip, 12000, 5, 0}, {Event::Clip, 12100, 3, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Event> got = events(c.pairs);
    ASSERT_EQ(got.size(), c.want.size());
    for (size_t k = 0; k < got.size(); ++k) {
      EXPECT_EQ(got[k].kind, c.want[k].kind);
      EXPECT_EQ(got[k].sample, c.want[k].sample);
      EXPECT_EQ(got[k].length, c.want[k].length);
      EXPECT_EQ(got[k].channel, c.want[k].channel);
    }
  }
}

TEST(Quality, SilenceAndNearSilenceAreNoEvents) {
  struct Case {
    const char* what;
    Pairs pairs;
  };
  Pairs between = sound(10000);  // a second of silence between two sounds
  between.insert(between.begin() + 5000, 48000, {0, 0});
  Pairs quiet = sound(10000);
  plant(quiet, 3000, Pairs(200, {20, -20}));  // held below -60 dBFS
  Pairs mono = sound(5000);
  for (auto& p : mono) p.second = 0;  // a silent side: constant, no line
  Pairs fullHold = sound(5000);
  plant(fullHold, 1000, Pairs(50, {32767, 100}));  // a clip, not a hold
  const Case cases[] = {
      {"leading silence",
       [] {
         Pairs p(3000, {0, 0});
         Pairs s = sound(5000);
         p.insert(p.end(), s.begin(), s.end());
         return p;
       }()},
      {"trailing silence",
       [] {
         Pairs p = sound(5000);
         p.insert(p.end(), 3000, {0, 0});
         return p;
       }()},
      {"a second of silence between programs", between},
      {"near-silence held", quiet},
      {"a silent channel", mono},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(events(c.pairs).empty()) << events(c.pairs).size() << " events";
  }
  std::vector<Event> clip = events(fullHold);
  ASSERT_EQ(clip.size(), 1u);
  EXPECT_EQ(clip[0].kind, Event::Clip);
}

// Each threshold exactly: a run as long as it asks is an event, one
// shorter is none; sound exactly kMuteReach pairs away still counts.
TEST(Quality, AtTheThresholds) {
  struct Case {
    const char* what;
    int length;  // of the planted run
    bool found;
  };
  for (const Case& c : {Case{"at", 0, true}, Case{"one short", -1, false}}) {
    SCOPED_TRACE(c.what);
    Pairs held = sound(5000), muted = sound(5000), line = sound(5000), clip = sound(5000);
    plant(held, 1000, Pairs(quality::kHoldRun + c.length, {1234, -617}));
    plant(muted, 1000, Pairs(quality::kMuteRun + c.length, {0, 0}));
    for (int k = 0; k < quality::kInterpolationRun + c.length; ++k) line[1000 + k].first = 7 * k;
    for (int k = 0; k < quality::kClipRun + c.length; ++k) clip[1000 + k].second = -32768;
    for (const Pairs* p : {&held, &muted, &line, &clip}) EXPECT_EQ(events(*p).size(), c.found);
  }
  // Sound only kMuteReach pairs before and after a mute: it counts; one pair
  // further, it does not (the sound before in a block passed over).
  for (int reach : {quality::kMuteReach, quality::kMuteReach + 1}) {
    Pairs p = sound(10000, 0);  // noise of a few steps, far below kLoud
    p[2000 - reach] = {500, 500};
    plant(p, 2000, Pairs(100, {0, 0}));
    p[2100 + reach - 1] = {500, 500};
    EXPECT_EQ(events(p).size(), reach == quality::kMuteReach ? 1u : 0u) << reach;
  }
}

// A gap filled with silence cuts every run and is never a mute; a run on
// either side is judged on its own.
TEST(Quality, AFilledGapCutsRuns) {
  Pairs p = sound(20000);
  plant(p, 4980, Pairs(40, {1234, -617}));  // 20 pairs each side of the gap
  plant(p, 10000, Pairs(40, {900, 900}));   // a hold well clear of it
  std::vector<Event> got = events(p, 48000, 5000, 4800);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, Event::Hold);
  EXPECT_EQ(got[0].sample, 10000 + 4800);
}

// The figures as astats defines them: peak and RMS in dBFS, DC as the mean.
TEST(Quality, FiguresPerChannel) {
  Pairs p(48000, {16384, 0});
  for (size_t k = 0; k < p.size(); k += 2) p[k].first = -16384;  // a square wave, no DC
  p[7].second = 327;                                             // the right channel nearly silent
  quality::Meter m(48000);
  std::vector<uint8_t> b = bytes(p);
  m.samples(b.data(), static_cast<int64_t>(p.size()));
  m.gap(48000);  // as many pairs of silence: the RMS falls by 3 dB
  m.finish();
  quality::Channel l = m.channel(0), r = m.channel(1);
  ASSERT_TRUE(l.peakDb && l.rmsDb && l.dcOffset && r.peakDb);
  EXPECT_NEAR(*l.peakDb, 20 * std::log10(0.5), 1e-9);
  EXPECT_NEAR(*l.rmsDb, 20 * std::log10(0.5 / std::sqrt(2.0)), 1e-9);
  EXPECT_NEAR(*l.dcOffset, 0, 1e-12);
  EXPECT_NEAR(*r.peakDb, 20 * std::log10(327 / 32768.0), 1e-9);
  quality::Meter silent(48000);
  silent.gap(100);
  silent.finish();
  EXPECT_FALSE(silent.channel(0).peakDb);
  EXPECT_FALSE(silent.channel(0).rmsDb);
  EXPECT_EQ(*silent.channel(0).dcOffset, 0);
}

}  // namespace

namespace {

// The events of `p` by their definitions, from whole maximal runs of the
// whole signal: the independent reading the meter must agree with.
std::vector<Event> byDefinition(const Pairs& p, int64_t rate) {
  int64_t n = static_cast<int64_t>(p.size());
  auto at = [&](int64_t k, int c) { return c == 0 ? p[k].first : p[k].second; };
  auto loud = [&](int64_t k) {
    return std::abs(at(k, 0)) >= quality::kLoud || std::abs(at(k, 1)) >= quality::kLoud;
  };
  auto full = [](int v) { return v == 32767 || v == -32768; };
  std::vector<Event> out;
  // Maximal runs of pairs for which same(k - 1, k) holds.
  auto eachRun = [&](auto same, auto take) {
    for (int64_t start = 0, k = 1; k <= n; ++k) {
      if (k < n && same(k - 1, k)) continue;
      take(start, k - start);
      start = k;
    }
  };
  for (int c = 0; c < 2; ++c) {
    eachRun([&](int64_t a, int64_t b) { return at(a, c) == at(b, c) && full(at(a, c)); },
            [&](int64_t s, int64_t len) {
              if (len >= quality::kClipRun && full(at(s, c)))
                out.push_back({Event::Clip, s, len, c});
            });
    // Lines: the steps between neighbours, in maximal runs of one step;
    // a run of m equal steps is a line of m + 1 samples.
    for (int64_t start = 1, k = 2; k <= n; ++k) {
      auto step = [&](int64_t j) { return at(j, c) - at(j - 1, c); };
      if (k < n && step(k) == step(start)) continue;
      if (k - start + 1 >= quality::kInterpolationRun && step(start) != 0) {
        out.push_back({Event::Interpolation, start - 1, k - start + 1, c});
      }
      start = k;
    }
  }
  eachRun([&](int64_t a, int64_t b) { return p[a] == p[b]; },
          [&](int64_t s, int64_t len) {
            int l = p[s].first, r = p[s].second;
            bool zero = l == 0 && r == 0;
            if (!zero && len >= quality::kHoldRun && loud(s) && !full(l) && !full(r)) {
              out.push_back({Event::Hold, s, len, -1});
            }
            auto soundIn = [&](int64_t from, int64_t to) {
              for (int64_t k = std::max<int64_t>(from, 0); k < std::min(to, n); ++k) {
                if (loud(k)) return true;
              }
              return false;
            };
            if (zero && len >= quality::kMuteRun && len < rate &&
                soundIn(s - quality::kMuteReach, s) &&
                soundIn(s + len, s + len + quality::kMuteReach)) {
              out.push_back({Event::Mute, s, len, -1});
            }
          });
  std::stable_sort(out.begin(), out.end(), [](const Event& a, const Event& b) {
    return a.sample != b.sample ? a.sample < b.sample : a.channel < b.channel;
  });
  return out;
}

// Signals made of pieces of every kind the meter tells apart, and of the
// kinds that come near them: tones loud and soft, noise of a step or two,
// digital silence, a silent side, holds, lines and clips of lengths about
// their thresholds.
Pairs assorted(unsigned seed) {
  auto next = [&seed](int below) {
    seed = seed * 1103515245 + 12345;
    return static_cast<int>((seed >> 8) % static_cast<unsigned>(below));
  };
  Pairs p;
  while (p.size() < 30000) {
    int len = 1 + next(2 * quality::kHoldRun);
    int kind = next(9);
    std::pair<int, int> last = p.empty() ? std::pair<int, int>{0, 0} : p.back();
    if (kind == 0) {
      Pairs s = sound(200 + next(2000), 200 + next(20000), seed);
      p.insert(p.end(), s.begin(), s.end());
    } else if (kind == 1) {  // noise of a few steps, now and then silent
      int size = 1 + next(4);
      for (int k = 0; k < 300 + next(1000); ++k)
        p.push_back({next(2 * size + 1) - size, next(2 * size + 1) - size});
    } else if (kind == 2) {
      p.insert(p.end(), next(3) == 0 ? 500 + next(3000) : len, {0, 0});
    } else if (kind == 3) {
      p.insert(p.end(), len, next(4) == 0 ? std::pair<int, int>{next(60), 0} : last);
    } else if (kind == 4) {  // a line in one channel, the other as it was
      int c = next(2), step = next(5) == 0 ? 0 : next(201) - 100, v = c ? last.second : last.first;
      for (int k = 0; k < len; ++k) {
        v = std::max(-32768, std::min(32767, v + step));
        p.push_back(c ? std::pair<int, int>{last.first + next(3), v}
                      : std::pair<int, int>{v, last.second + next(3)});
      }
    } else if (kind == 5) {  // a clip in one or both channels
      int v = next(2) ? 32767 : -32768;
      for (int k = 0; k < 1 + next(6); ++k) p.push_back({v, next(2) ? v : next(1000)});
    } else if (kind == 6) {  // a silent side
      Pairs s = sound(300 + next(2000), 3000, seed);
      for (auto& x : s) x.second = 0;
      p.insert(p.end(), s.begin(), s.end());
    } else {
      p.push_back({next(65536) - 32768, next(65536) - 32768});
    }
  }
  for (auto& x : p) {
    x.first = std::max(-32768, std::min(32767, x.first));
    x.second = std::max(-32768, std::min(32767, x.second));
  }
  return p;
}

// The meter's events and figures for `p` fed in pieces of `piece(k)` pairs
// against the definitions.
template <typename Piece>
void expectDefinitions(const Pairs& p, Piece piece) {
  std::vector<uint8_t> b = bytes(p);
  quality::Meter m(8000);
  for (int64_t at = 0, n = static_cast<int64_t>(p.size()); at < n;) {
    int64_t size = std::min<int64_t>(n - at, piece());
    m.samples(b.data() + 4 * at, size);
    at += size;
  }
  m.finish();
  std::vector<Event> want = byDefinition(p, 8000);
  const std::vector<Event>& got = m.events();
  auto told = [](const std::vector<Event>& e) {
    std::string t;
    for (const Event& x : e) {
      t += std::to_string(x.kind) + "@" + std::to_string(x.sample) + "+" +
           std::to_string(x.length) + "/" + std::to_string(x.channel) + " ";
    }
    return t;
  };
  ASSERT_EQ(got.size(), want.size()) << "got " << told(got) << "\nwant " << told(want);
  for (size_t k = 0; k < got.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(got[k].kind, want[k].kind);
    EXPECT_EQ(got[k].sample, want[k].sample);
    EXPECT_EQ(got[k].length, want[k].length);
    EXPECT_EQ(got[k].channel, want[k].channel);
  }
  int64_t sum = 0, peak = 0;
  for (auto& x : p) sum += x.first, peak = std::max<int64_t>(peak, std::abs(x.first));
  EXPECT_NEAR(*m.channel(0).dcOffset, double(sum) / p.size() / 32768, 1e-12);
  EXPECT_NEAR(*m.channel(0).peakDb, 20 * std::log10(peak / 32768.0), 1e-9);
}

}  // namespace

// The meter against the definitions on assorted signals, fed in pieces of
// any size (a block's fast way must never miss or shift a run).
TEST(Quality, AgreesWithTheDefinitions) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    unsigned cut = seed;
    expectDefinitions(assorted(seed), [&] {
      cut = cut * 69069 + 1;
      return 1 + (cut >> 16) % (seed % 3 == 0 ? 7 : 3000);
    });
  }
}

// Blocks of pairs all equal to the pair before them are passed over whole:
// the runs that reach into them or end where they begin must come out as
// the definitions say.
TEST(Quality, ConstantBlocks) {
  const int block = static_cast<int>(quality::kBlock);
  const int end = 24 * block;  // a block's first pair
  std::vector<Pairs> cases;
  // Sound held to a block's end, then a mute whose reach starts exactly at
  // the last held pair, or one pair after it.
  for (int reach : {quality::kMuteReach, quality::kMuteReach + 1}) {
    Pairs p = sound(6000, 0, 7);
    plant(p, end - 5 * block, Pairs(5 * block, {500, 500}));
    plant(p, end - 1 + reach, Pairs(100, {0, 0}));
    p[end - 1 + reach + 100 + 10] = {500, 500};
    cases.push_back(p);
  }
  // A line that ends where a held block begins, in either channel and in
  // both, and one held at its last value but a block later.
  for (int shape = 0; shape < 4; ++shape) {
    Pairs p = sound(6000, 0, 9);
    int from = end - (shape == 3 ? block : 0) - 2 * quality::kInterpolationRun;
    for (int k = from; k < end; ++k) {
      p[k] = {shape == 1 ? 200 : 3 * k, shape == 1 || shape == 2 ? -5 * k : 200};
    }
    plant(p, end, Pairs(3 * block, p[end - 1]));
    cases.push_back(p);
  }
  for (size_t k = 0; k < cases.size(); ++k) {
    SCOPED_TRACE(k);
    expectDefinitions(cases[k], [] { return 100000; });
    expectDefinitions(cases[k], [&] { return block; });
  }
}
