// The tape's time in the image: gaps and discontinuities found from the ATIME
// packs, under the tape's own cycle, past packs that their neighbours do not
// confirm.
#include "tape_time.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame_builder.h"

namespace {

constexpr int kNone = -1;       // a frame without ATIME
constexpr int kBadDigits = -2;  // an ATIME pack whose digits are not a time

uint8_t bcd(int v) {
  return static_cast<uint8_t>((v / 10) << 4 | v % 10);
}

// An image of frames at these tape positions (frames from the start of the
// tape), numbered as a recorder whose seconds of 34 frames are those whose
// number is `phase` mod 3 numbers them.
std::vector<uint8_t> imageAt(const std::vector<int>& positions, int phase) {
  std::vector<uint8_t> image;
  for (int p : positions) {
    synth::Frame f = synth::blankFrame();
    if (p == kBadDigits) synth::setAtime(f, 2, 0x00, 0x00, 0x0A, 0x00);
    int s = 0;
    for (int length = 0; p >= (length = s % 3 == phase ? 34 : 33); ++s) p -= length;
    if (p >= 0) synth::setAtime(f, 2, bcd(s / 3600), bcd(s / 60 % 60), bcd(s % 60), bcd(p));
    image.insert(image.end(), f.begin(), f.end());
  }
  return image;
}

std::vector<int> run(int from, int to) {
  std::vector<int> v;
  for (int p = from; p <= to; ++p) v.push_back(p);
  return v;
}

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Every frame at the start of a second without ATIME (and every frame 33
// too, when `hide33`).
std::vector<int> boundariesUntimed(std::vector<int> v, int phase, bool hide33 = false) {
  int start = 0;
  for (int s = 0; start <= v.back(); start += s % 3 == phase ? 34 : 33, ++s) {
    for (int& p : v) {
      if (p == start || (hide33 && p == start + 33 && s % 3 == phase)) p = kNone;
    }
  }
  return v;
}

struct Expected {
  tapetime::Break::Kind kind;
  int64_t before;
  int64_t missing;  // 0 for a discontinuity
};

using Source = tapetime::Cycle::Source;

struct Case {
  const char* what;
  std::vector<int> positions;
  std::vector<Expected> breaks;
  int64_t withTime;
  int phase = 2;  // of the recorder
  Source source = Source::Tape;
  int64_t badPacks = 0;
};

TEST(TapeTime, GapsAndDiscontinuities) {
  using B = tapetime::Break;
  const int kFarAhead = 20000;  // more than five minutes
  const Case cases[] = {
      {"seconds of 33 and 34 frames run on", run(0, 400), {}, 401},
      {"a lost stretch", run(0, 50) + run(56, 80), {{B::Gap, 51, 5}}, 76, 2, Source::Published},
      {"one frame lost across a second",
       run(0, 32) + run(34, 40),
       {{B::Gap, 33, 1}},
       40,
       2,
       Source::Published},
      {"frames without ATIME take their neighbours' time",
       run(0, 10) + std::vector<int>{kNone, kNone, kBadDigits} + run(14, 70),
       {},
       68,
       2,
       Source::Published},
      {"a gap among frames without ATIME",
       run(0, 10) + std::vector<int>{kNone, kNone} + run(23, 80),
       {{B::Gap, 13, 10}},
       69,
       2,
       Source::Published},
      {"backwards is a discontinuity",
       run(100, 150) + run(20, 30),
       {{B::Jump, 51, 0}},
       62,
       2,
       Source::Published},
      {"the same time again", run(0, 5) + run(5, 70), {{B::Jump, 6, 0}}, 72, 2, Source::Published},
      {"far ahead is a discontinuity",
       run(0, 5) + run(kFarAhead, kFarAhead + 5),
       {{B::Jump, 6, 0}},
       12,
       2,
       Source::Published},
      {"no ATIME at all", {kNone, kNone, kBadDigits, kNone}, {}, 0, 2, Source::Published},
      // The cycle is the tape's: whichever second holds 34 frames, frames
      // without ATIME at the seconds' boundaries are no gap, and a gap
      // across a second of 34 frames has its exact length.
      {"34 frames in the first second of three", boundariesUntimed(run(0, 3000), 0), {}, 2910, 0},
      {"34 frames in the second second of three", boundariesUntimed(run(0, 3000), 1), {}, 2910, 1},
      {"34 frames in the third second of three", boundariesUntimed(run(0, 3000), 2), {}, 2910, 2},
      {"a gap across a second of 34 frames, first of three",
       run(0, 20) + run(50, 250),
       {{B::Gap, 21, 29}},
       222,
       0},
      {"a gap across a second of 34 frames, second of three",
       run(0, 20) + run(70, 250),
       {{B::Gap, 21, 49}},
       202,
       1},
      {"frame 33 lost at the end of a second of 34 frames",
       run(0, 32) + run(34, 200),
       {{B::Gap, 33, 1}},
       200,
       0},
      {"frame 33 never seen: no gap where any cycle runs on",
       boundariesUntimed(run(0, 3000), 0, true),
       {},
       2880,
       0,
       Source::Published},
      // A time that the frames around it do not confirm is no time.
      {"one bit flipped in the minutes",
       run(0, 200) + std::vector<int>{4200} + run(202, 400),
       {},
       400,
       2,
       Source::Tape,
       1},
      {"two bad packs in a row",
       run(0, 200) + std::vector<int>{4200, 9} + run(203, 400),
       {},
       399,
       2,
       Source::Tape,
       2},
      {"the first time is bad", std::vector<int>{7000} + run(1, 200), {}, 200, 2, Source::Tape, 1},
      {"a bad pack beside a real gap",
       run(0, 100) + std::vector<int>{4200} + run(150, 200),
       {{B::Gap, 102, 48}},
       152,
       2,
       Source::Tape,
       1},
      {"a new recording is no bad pack", run(500, 600) + run(0, 100), {{B::Jump, 101, 0}}, 202},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> image = imageAt(c.positions, c.phase);
    tapetime::Analysis a =
        tapetime::analyse(image.data(), static_cast<int64_t>(c.positions.size()));
    EXPECT_EQ(a.track.framesWithTime, c.withTime);
    EXPECT_EQ(a.track.badPacks, c.badPacks);
    EXPECT_EQ(a.track.cycle.source, c.source);
    if (c.source != Source::Published) {
      EXPECT_EQ(a.track.cycle.phase, c.phase);
    }
    ASSERT_EQ(a.breaks.size(), c.breaks.size());
    for (size_t k = 0; k < c.breaks.size(); ++k) {
      EXPECT_EQ(a.breaks[k].kind, c.breaks[k].kind);
      EXPECT_EQ(a.breaks[k].before, c.breaks[k].before);
      EXPECT_EQ(a.breaks[k].missing, c.breaks[k].missing);
    }
  }
}

// Frames 33 in seconds of more than one cycle: the most frequent is taken,
// and lengths are no longer exact.
TEST(TapeTime, FramesOf33InSecondsOfTwoCycles) {
  auto at = [](int s, int f) { return tapetime::key(tapetime::Time{0, 0, s, f}); };
  tapetime::Track t = tapetime::track({at(0, 33), at(1, 0), at(4, 33), at(5, 0), at(7, 33)});
  EXPECT_EQ(t.cycle.source, Source::Mixed);
  EXPECT_EQ(t.cycle.phase, 1);
  EXPECT_EQ(tapetime::accuracy(t.cycle), 1);
}

// Positions and times agree under each cycle, and the text form is the one
// the logs show.
TEST(TapeTime, PositionsUnderEachCycle) {
  for (int phase = 0; phase < 3; ++phase) {
    tapetime::Cycle cycle{phase, Source::Tape};
    std::vector<uint8_t> image = imageAt(run(0, 6000), phase);
    for (int p = 0; p <= 6000; ++p) {
      tapetime::Time t;
      ASSERT_TRUE(tapetime::frameTime(dat::frameAt(image.data() + p * dat::kFrameSize), &t));
      ASSERT_EQ(tapetime::position(t, cycle), p) << phase << " " << tapetime::text(t);
      ASSERT_EQ(tapetime::text(tapetime::timeAt(p, cycle)), tapetime::text(t)) << phase;
    }
  }
  EXPECT_EQ(tapetime::text(tapetime::fromKey(tapetime::key(tapetime::timeAt(100, {})))),
            "00:00:03:00");
}

TEST(TapeTime, TheDisplaysPackCountsAndTheLastPackWins) {
  synth::Frame f = synth::blankFrame();
  synth::setAtime(f, 1, 0x00, 0x01, 0x02, 0x03);
  synth::setAtime(f, 4, 0x00, 0x05, 0x06, 0x07);
  tapetime::Time t;
  ASSERT_TRUE(tapetime::frameTime(dat::frameAt(f.data()), &t));
  EXPECT_EQ(tapetime::text(t), "00:05:06:07");
  synth::setPackCount(f, 3);  // packs 0-2: pack 4 is not valid
  ASSERT_TRUE(tapetime::frameTime(dat::frameAt(f.data()), &t));
  EXPECT_EQ(tapetime::text(t), "00:01:02:03");
  synth::setPackCount(f, 1);
  EXPECT_FALSE(tapetime::frameTime(dat::frameAt(f.data()), &t));
}

}  // namespace
