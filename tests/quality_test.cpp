// The concealment events and figures of quality::Meter on planted damage:
// each event found at its exact sample and channel, nothing in clean sound,
// in leading or trailing silence, or in the silence between programs.
#include "quality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

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
  // further, it does not.
  for (int reach : {quality::kMuteReach, quality::kMuteReach + 1}) {
    Pairs p(10000, {1, 1});  // quiet, but no zero
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
