// The tape's time in the image: gaps and discontinuities found from the ATIME
// packs, and the checksum the conversion log gives each file.
#include "tape_time.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame_builder.h"
#include "sha256.h"

namespace {

constexpr int kNone = -1;       // a frame without ATIME
constexpr int kBadDigits = -2;  // an ATIME pack whose digits are not a time

uint8_t bcd(int v) {
  return static_cast<uint8_t>((v / 10) << 4 | v % 10);
}

// An image of frames at these tape positions (frames from the start of the
// tape, 100 in 3 seconds), written the way a recorder numbers them.
std::vector<uint8_t> imageAt(const std::vector<int>& positions) {
  std::vector<uint8_t> image;
  for (int p : positions) {
    synth::Frame f = synth::blankFrame();
    if (p == kBadDigits) synth::setAtime(f, 2, 0x00, 0x00, 0x0A, 0x00);
    if (p >= 0) {
      int s = (p * 3 + 2) / 100;
      synth::setAtime(f, 2, bcd(s / 3600), bcd(s / 60 % 60), bcd(s % 60), bcd(p - s * 100 / 3));
    }
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

struct Expected {
  tapetime::Break::Kind kind;
  int64_t before;
  int64_t missing;  // 0 for a discontinuity
};

struct Case {
  const char* what;
  std::vector<int> positions;
  std::vector<Expected> breaks;
  int64_t withTime;
};

TEST(TapeTime, GapsAndDiscontinuities) {
  using B = tapetime::Break;
  const int kFarAhead = 20000;  // more than five minutes
  const Case cases[] = {
      {"seconds of 33 and 34 frames run on", run(0, 400), {}, 401},
      {"a lost stretch", run(0, 50) + run(56, 80), {{B::Gap, 51, 5}}, 76},
      {"one frame lost across a second", run(0, 32) + run(34, 40), {{B::Gap, 33, 1}}, 40},
      {"frames without ATIME take their neighbours' time",
       run(0, 10) + std::vector<int>{kNone, kNone, kBadDigits} + run(14, 20),
       {},
       18},
      {"a gap among frames without ATIME",
       run(0, 10) + std::vector<int>{kNone, kNone} + run(23, 30),
       {{B::Gap, 13, 10}},
       19},
      {"backwards is a discontinuity", run(100, 150) + run(20, 30), {{B::Jump, 51, 0}}, 62},
      {"the same time again", run(0, 5) + run(5, 9), {{B::Jump, 6, 0}}, 11},
      {"far ahead is a discontinuity",
       run(0, 5) + run(kFarAhead, kFarAhead + 5),
       {{B::Jump, 6, 0}},
       12},
      {"no ATIME at all", {kNone, kNone, kBadDigits, kNone}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> image = imageAt(c.positions);
    tapetime::Analysis a =
        tapetime::analyse(image.data(), static_cast<int64_t>(c.positions.size()));
    EXPECT_EQ(a.framesWithTime, c.withTime);
    ASSERT_EQ(a.breaks.size(), c.breaks.size());
    for (size_t k = 0; k < c.breaks.size(); ++k) {
      EXPECT_EQ(a.breaks[k].kind, c.breaks[k].kind);
      EXPECT_EQ(a.breaks[k].before, c.breaks[k].before);
      EXPECT_EQ(a.breaks[k].missing, c.breaks[k].missing);
    }
  }
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

TEST(Sha256, StandardVectors) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  // With the processor's SHA instructions where it has them, and without.
  for (bool byProcessor : {true, false}) {
    for (const auto& c : cases) {
      Sha256 whole(byProcessor), pieces(byProcessor);
      whole.update(c.first.data(), c.first.size());
      EXPECT_EQ(whole.hex(), c.second) << byProcessor;
      // Fed in uneven pieces, across the 64-byte blocks.
      for (size_t at = 0; at < c.first.size(); at += 37) {
        pieces.update(c.first.data() + at, std::min<size_t>(37, c.first.size() - at));
      }
      EXPECT_EQ(pieces.hex(), c.second) << byProcessor;
    }
  }
}

}  // namespace
