#include "frame_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame_builder.h"

namespace {

std::vector<uint8_t> join(const std::vector<synth::Frame>& frames) {
  std::vector<uint8_t> image;
  for (const synth::Frame& f : frames) image.insert(image.end(), f.begin(), f.end());
  return image;
}

synth::Frame withIds(int rateCode, int program) {
  synth::Frame f = synth::blankFrame();
  synth::setRateCode(f, rateCode);
  synth::setProgramNumber(f, program);
  return f;
}

// Sampling codes of the repaired frames for a stored sequence of codes.
std::vector<int> repairedCodes(const std::vector<int>& stored) {
  std::vector<synth::Frame> frames;
  for (int code : stored) frames.push_back(withIds(code, 1));
  std::vector<uint8_t> image = join(frames);
  FrameView view(image.data(), static_cast<int64_t>(stored.size()));
  std::vector<int> codes;
  for (size_t i = 0; i < stored.size(); ++i) codes.push_back(dat::samplingCode(*view.get(i)));
  return codes;
}

TEST(FrameView, NeighbourVote) {
  struct Case {
    std::vector<int> stored, repaired;
  };
  const Case cases[] = {
      {{0, 1, 0}, {0, 0, 0}},        // a one-frame error is outvoted
      {{0, 1, 1, 0}, {0, 1, 1, 0}},  // a change of two frames survives
      {{1, 0, 0, 0}, {1, 0, 0, 0}},  // frame 0 is never repaired
      {{0, 0, 0, 1}, {0, 0, 0, 1}},  // nor the last frame
      {{0, 1}, {0, 1}},              // N = 2: nothing to vote on
      {{1}, {1}},                    // N = 1
      {{0, 1, 0, 1}, {0, 0, 1, 1}},  // neighbours are read as stored
      {{0, 2, 1}, {0, 2, 1}},        // disagreeing neighbours leave it
      {{1, 1, 3, 1, 1}, {1, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(repairedCodes(c.stored), c.repaired);
  }
}

TEST(FrameView, RepairsProgramDigitsAndPackCountSeparately) {
  std::vector<synth::Frame> frames = {withIds(0, 12), withIds(0, 99), withIds(0, 12)};
  synth::setPackCount(frames[0], 3);
  synth::setPackCount(frames[1], 5);
  synth::setPackCount(frames[2], 4);  // neighbours disagree on the pack count
  std::vector<uint8_t> image = join(frames);
  FrameView view(image.data(), 3);
  const dat::DatFrame& v = *view.get(1);
  EXPECT_EQ(dat::programNumber(v), 12);
  EXPECT_EQ(dat::packCount(v), 5);
}

TEST(FrameView, LeavesUnvotedBitsAndTheImageAlone) {
  std::vector<synth::Frame> frames(3, synth::blankFrame());
  frames[1][dat::kMainId1At] = 0x03;  // bits 1-0 are never repaired
  frames[1][dat::kSubId3At] = 0x55;
  frames[1][dat::kMainId0At] = 0xFF;
  frames[1][dat::kSubId0At] = 0x42;
  frames[1][100] = 0x77;
  std::vector<uint8_t> image = join(frames);
  std::vector<uint8_t> before = image;
  FrameView view(image.data(), 3);
  const uint8_t* v = view.get(1)->bytes();
  EXPECT_EQ(v[dat::kMainId1At], 0x03);
  EXPECT_EQ(v[dat::kSubId3At], 0x55);
  EXPECT_EQ(v[dat::kMainId0At], 0x00);
  EXPECT_EQ(v[dat::kSubId0At], 0x00);
  EXPECT_EQ(v[100], 0x77);
  EXPECT_EQ(image, before);
}

TEST(FrameView, OutOfRangeGivesNull) {
  std::vector<uint8_t> image = join({synth::blankFrame(), synth::blankFrame()});
  FrameView view(image.data(), 2);
  EXPECT_EQ(view.get(-1), nullptr);
  EXPECT_EQ(view.get(2), nullptr);
  EXPECT_NE(view.get(1), nullptr);
}

double loudnessOf(const synth::Frame& f, bool convert32k = false) {
  FrameView view(f.data(), 1);
  return frameLoudness(&view, 0, convert32k);
}

TEST(FrameView, LoudnessAt48kHzCountsEverySample) {
  synth::Frame f = withIds(0, 1);
  EXPECT_EQ(loudnessOf(f), 0.0);
  synth::setSample(f, 2879, 1);  // the last sample counts
  EXPECT_EQ(loudnessOf(f), 1.0);
  synth::fillConstant(f, -32768);
  EXPECT_EQ(loudnessOf(f), 2880.0 * 32768.0);
  synth::fillConstant(f, -3);
  EXPECT_EQ(loudnessOf(f), 2880.0 * 3);
}

TEST(FrameView, LoudnessAt44kHzIgnoresTheTail) {
  synth::Frame f = withIds(1, 1);
  for (int b = 5292; b < dat::kAudioSize; ++b) f[b] = 0x7F;
  EXPECT_EQ(loudnessOf(f), 0.0);
  synth::setSample(f, 2645, -5);  // the last counted sample
  EXPECT_EQ(loudnessOf(f), 5.0);
  synth::fillConstant(f, 100);
  EXPECT_EQ(loudnessOf(f), 2646.0 * 100);
}

TEST(FrameView, LoudnessUsesTheRepairedRate) {
  // Stored as 44.1 kHz between two 48 kHz frames: measured as 48 kHz.
  std::vector<synth::Frame> frames = {withIds(0, 1), withIds(1, 1), withIds(0, 1)};
  synth::fillConstant(frames[1], 1);
  std::vector<uint8_t> image = join(frames);
  FrameView view(image.data(), 3);
  EXPECT_EQ(frameLoudness(&view, 1, false), 2880.0);
  EXPECT_EQ(frameLoudness(nullptr, 1, false), 0.0);
}

TEST(FrameView, Loudness32kHzIsZeroWithAMessageEachTime) {
  synth::Frame f = withIds(2, 1);
  synth::fillConstant(f, 1000);
  testing::internal::CaptureStdout();
  double a = loudnessOf(f);
  double b = loudnessOf(f);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
  const std::string one =
      "\x83\x54\x83\x93\x83\x76\x83\x8a\x83\x93\x83\x4f\x8e\xfc\x94\x67\x90\x94"
      "32kHz\x82\xc9\x82\xcd\x91\xce\x89\x9e\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";
  EXPECT_EQ(out, one + one);
}

// With --convert-32k a 32 kHz frame is measured by the samples converted:
// the first 1920 of the frame; long play is not converted and stays silent
// with the message.
TEST(FrameView, LoudnessWithConvert32kMeasuresTheConvertedSamples) {
  struct Case {
    int rateCode, quantization;
    bool convert32k;
    double loudness;
    bool message;
  };
  const Case cases[] = {
      {2, 0, true, 1920.0 * 1000, false},
      {3, 0, true, 1920.0 * 1000, false},
      {2, 1, true, 0.0, true},
      {2, 0, false, 0.0, true},
      {0, 0, true, 2880.0 * 1000, false},
      {1, 0, true, 2646.0 * 1000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rate code " << c.rateCode << ", quantization "
                                    << c.quantization << ", --convert-32k " << c.convert32k);
    synth::Frame f = withIds(c.rateCode, 1);
    synth::fillConstant(f, 1000);
    // Beyond the converted samples of a 32 kHz frame: never measured.
    if (c.rateCode >= 2) {
      for (int k = 1920; k < dat::kAudioSize / 2; ++k) synth::setSample(f, k, 30000);
    }
    f[dat::kMainId1At] = static_cast<uint8_t>(c.quantization << 6);
    testing::internal::CaptureStdout();
    EXPECT_EQ(loudnessOf(f, c.convert32k), c.loudness);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.empty(), !c.message) << out;
  }
}

}  // namespace

namespace {

TEST(FrameView, IdentificationOnlyRepairsLikeGet) {
  synth::Random r(5);
  std::vector<synth::Frame> frames;
  for (int k = 0; k < 200; ++k) {
    synth::Frame f = synth::blankFrame();
    for (int b = dat::kSubId0At; b < dat::kFrameSize; ++b) {
      f[b] = r.below(4) == 0 ? static_cast<uint8_t>(r.next()) : static_cast<uint8_t>(k / 20);
    }
    frames.push_back(f);
  }
  std::vector<uint8_t> image = join(frames);
  FrameView view(image.data(), 200);
  for (int64_t i = -1; i <= 200; ++i) {
    const dat::DatFrame* wholeFrame = view.get(i);
    const uint8_t* whole = wholeFrame != nullptr ? wholeFrame->bytes() : nullptr;
    std::vector<uint8_t> expected;
    if (whole != nullptr) expected.assign(whole + dat::kSubId0At, whole + dat::kFrameSize);
    const dat::DatFrame* idsFrame = view.getIdentification(i);
    const uint8_t* ids = idsFrame != nullptr ? idsFrame->bytes() : nullptr;
    ASSERT_EQ(ids == nullptr, whole == nullptr);
    if (ids != nullptr) {
      EXPECT_EQ(std::vector<uint8_t>(ids + dat::kSubId0At, ids + dat::kFrameSize), expected) << i;
    }
  }
}

}  // namespace
