#include "dat_frame.h"

#include <gtest/gtest.h>

#include <string>

#include "frame_builder.h"

namespace {

struct ProgramCase {
  int hundreds, tens, units;
  const char* text;
  bool names;
  int number;
};

TEST(DatFrame, ProgramNumberTextAndPseudoNumbers) {
  const ProgramCase cases[] = {
      {0, 0, 1, "001", true, 1},          {1, 2, 3, "123", true, 123},
      {0, 0xA, 0xA, "0aa", false, 0},     {0, 0xB, 0xB, "0bb", false, 0},
      {0, 0xE, 0xE, "0ee", false, 0},     {0, 0xA, 0xB, "0ab", true, 111},
      {0, 0xF, 0xF, "0ff", true, 165},    {1, 0xA, 0xA, "1aa", true, 210},
      {0xF, 0xF, 0xF, "fff", true, 1665}, {0, 0xC, 0xC, "0cc", true, 132},
  };
  for (const ProgramCase& c : cases) {
    synth::Frame f = synth::blankFrame();
    synth::setProgram(f, c.hundreds, c.tens, c.units);
    char text[4];
    dat::programText(dat::frameAt(f.data()), text);
    EXPECT_EQ(std::string(text), c.text);
    EXPECT_EQ(dat::namesProgram(text), c.names) << c.text;
    if (c.names) {
      EXPECT_EQ(dat::programNumber(dat::frameAt(f.data())), c.number) << c.text;
    }
  }
}

TEST(DatFrame, PseudoNumbersCompareWithoutCase) {
  EXPECT_FALSE(dat::namesProgram("0AA"));
  EXPECT_FALSE(dat::namesProgram("0Bb"));
  EXPECT_FALSE(dat::namesProgram("0eE"));
  EXPECT_TRUE(dat::namesProgram("0ae"));
  EXPECT_TRUE(dat::namesProgram("1ee"));
}

TEST(DatFrame, PackCountZeroMeansSeven) {
  synth::Frame f = synth::blankFrame();
  const int counts[][2] = {{0, 7}, {1, 1}, {3, 3}, {7, 7}, {8, 8}, {15, 15}};
  for (const auto& c : counts) {
    synth::setPackCount(f, c[0]);
    EXPECT_EQ(dat::packCount(dat::frameAt(f.data())), c[1]);
  }
}

TEST(DatFrame, SamplingCodeUsesBits3To2Only) {
  synth::Frame f = synth::blankFrame();
  f[dat::kMainId0At] = 0xF3;  // every other bit set
  EXPECT_EQ(dat::samplingCode(dat::frameAt(f.data())), 0);
  f[dat::kMainId0At] = 0x04;
  EXPECT_EQ(dat::samplingCode(dat::frameAt(f.data())), 1);
  f[dat::kMainId0At] = 0xFB;
  EXPECT_EQ(dat::samplingCode(dat::frameAt(f.data())), 2);
  EXPECT_EQ(dat::rateInfo(0).bytesPerFrame, 5760u);
  EXPECT_EQ(dat::rateInfo(1).bytesPerFrame, 5292u);
  EXPECT_EQ(dat::rateInfo(3).bytesPerFrame, 0u);
}

}  // namespace
