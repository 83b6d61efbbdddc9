// The conversion's plan, table by table: images described as runs of frames
// (rate code, program, level, tape position), and the files the planner
// makes of them with what the console says before each.
#include "conversion_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console.h"
#include "converter_messages.h"
#include "frame_builder.h"

namespace {

constexpr int kNoPosition = -1;

// `count` frames alike: rate code, program number (-1: "0aa", no program),
// the level of every sample, the tape position of the first (each next one
// follows; kNoPosition: no ATIME), mainId[1] as stored.
struct Frames {
  int count, rate, program, level;
  int position = kNoPosition;
  uint8_t mainId1 = 0;
};

std::vector<uint8_t> image(const std::vector<Frames>& runs) {
  std::vector<uint8_t> bytes;
  for (const Frames& run : runs) {
    for (int k = 0; k < run.count; ++k) {
      synth::Frame f = synth::blankFrame();
      synth::setRateCode(f, run.rate);
      if (run.program < 0) {
        synth::setProgram(f, 0, 0xA, 0xA);
      } else {
        synth::setProgramNumber(f, run.program);
      }
      synth::fillConstant(f, static_cast<int16_t>(run.level));
      f[dat::kMainId1At] = run.mainId1;
      if (run.position != kNoPosition) {
        tapetime::Time t = tapetime::timeAt(run.position + k, tapetime::Cycle());
        auto bcd = [](int v) { return static_cast<uint8_t>((v / 10) << 4 | v % 10); };
        synth::setAtime(f, 0, bcd(t.hours), bcd(t.minutes), bcd(t.seconds), bcd(t.frame));
      }
      bytes.insert(bytes.end(), f.begin(), f.end());
    }
  }
  return bytes;
}

// A planned file as the table gives it: name, frames of the image, frames
// left out at the cut and at the end, bytes of audio per frame, and its gaps
// (missing frames, where: FileBreak::Place).
struct Planned {
  std::string name;
  int64_t first, last, cut, trim;
  uint32_t bytesPerFrame;
  std::vector<std::pair<int64_t, int>> gaps = {};
  std::vector<std::string> said = {};
};

std::vector<Planned> plan(const std::vector<uint8_t>& bytes,
                          const ConversionOptions& options = ConversionOptions()) {
  ConversionPlanner planner(bytes.data(), static_cast<int64_t>(bytes.size() / dat::kFrameSize),
                            options, ImageDate());
  std::vector<Planned> out;
  SegmentPlan s;
  while (planner.next(&s)) {
    const FileRecord& r = s.file.record;
    Planned p{r.name, s.file.first, s.file.last, r.cutFrames, r.trimFrames, s.file.bytesPerFrame};
    for (const FileBreak& b : r.breaks) p.gaps.push_back({b.where.missing, b.place});
    p.said = s.said;
    out.push_back(p);
  }
  return out;
}

std::string found(int p) {
  return textOf(msg::kFoundStartId, p);
}
std::string correction(int d) {
  return textOf(msg::kStartIdCorrection, d);
}
std::string tailCut(int d) {
  return textOf(msg::kTailCut, d);
}

void expectPlan(const std::vector<Planned>& got, const std::vector<Planned>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t k = 0; k < want.size(); ++k) {
    SCOPED_TRACE(want[k].name);
    EXPECT_EQ(got[k].name, want[k].name);
    EXPECT_EQ(got[k].first, want[k].first);
    EXPECT_EQ(got[k].last, want[k].last);
    EXPECT_EQ(got[k].cut, want[k].cut);
    EXPECT_EQ(got[k].trim, want[k].trim);
    EXPECT_EQ(got[k].bytesPerFrame, want[k].bytesPerFrame);
    EXPECT_EQ(got[k].gaps, want[k].gaps);
    EXPECT_EQ(got[k].said, want[k].said);
  }
}

TEST(ConversionPlan, SegmentsCutsAndTrims) {
  const std::string k32 = msg::kRate32kNotSupported.c_str();
  struct Case {
    const char* what;
    std::vector<Frames> runs;
    std::vector<Planned> files;
  };
  const Case cases[] = {
      {"one program to the end",
       {{10, 0, 0, 500}},
       {{"#000-48kHz.wav", 0, 9, 0, 0, 5760, {}, {tailCut(0)}}}},
      {"silence before the cut left out",
       {{15, 0, 0, 500}, {5, 0, 0, 0}, {20, 0, 2, 500}},
       {{"#000-48kHz.wav", 0, 14, 5, 0, 5760, {}, {found(2), correction(1), tailCut(5)}},
        {"#002-48kHz.wav", 20, 39, 0, 0, 5760, {}, {tailCut(0)}}}},
      {"the first frame of a new rate in the old file",
       {{10, 0, 0, 500}, {10, 1, 0, 500}},
       {{"#000-48kHz.wav", 0, 10, 0, 0, 5760},
        {"#000-44.1kHz.wav", 11, 19, 0, 0, 5292, {}, {tailCut(0)}}}},
      {"no program, and the current one, cause no cut",
       {{5, 0, 0, 500}, {5, 0, -1, 500}, {5, 0, 0, 500}},
       {{"#000-48kHz.wav", 0, 14, 0, 0, 5760, {}, {tailCut(0)}}}},
      {"a 12-bit code at 48 kHz is 16-bit audio",
       {{10, 0, 0, 500, kNoPosition, 0x40}},
       {{"#000-48kHz.wav", 0, 9, 0, 0, 5760, {}, {tailCut(0)}}}},
      {"32 kHz: a placeholder, measured with a message each time",
       {{4, 2, 0, 500}},
       {{"#000-32kHz.wav", 0, 1, 0, 2, 0, {}, {k32, k32}}}},
      {"two changes close together: the second cut before the first, a header-only file",
       {{30, 0, 0, 500}, {1, 0, 0, 0}, {9, 0, 0, 500}, {3, 0, 5, 500}, {40, 0, 6, 500}},
       {{"#000-48kHz.wav", 0, 29, 1, 0, 5760, {}, {found(5), correction(10), tailCut(1)}},
        {"#005-48kHz.wav", 31, 29, 1, 0, 5760, {}, {found(6), correction(13), tailCut(1)}},
        {"#006-48kHz.wav", 31, 82, 0, 0, 5760, {}, {tailCut(0)}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectPlan(plan(image(c.runs)), c.files);
  }
}

TEST(ConversionPlan, GapsInsideAndBesideTheFiles) {
  struct Case {
    const char* what;
    std::vector<Frames> runs;
    std::vector<Planned> files;
  };
  using P = FileBreak;
  const Case cases[] = {
      {"inside a file",
       {{10, 0, 0, 500, 0}, {10, 0, 0, 500, 15}},
       {{"#000-48kHz.wav", 0, 19, 0, 0, 5760, {{5, P::Inside}}}}},
      {"lost before the silence that the cut drops: before the next file",
       {{20, 0, 0, 500, 0}, {10, 0, 0, 0, 25}, {20, 0, 2, 500, 35}},
       {{"#000-48kHz.wav", 0, 19, 10, 0, 5760},
        {"#002-48kHz.wav", 30, 49, 0, 0, 5760, {{5, P::Before}}}}},
      {"lost in the tail of no use: after the last file",
       {{20, 0, 0, 500, 0}, {5, 0, 0, 0, 20}, {5, 0, 0, 0, 30}},
       {{"#000-48kHz.wav", 0, 19, 0, 10, 5760, {{5, P::After}}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Planned> got = plan(image(c.runs));
    ASSERT_EQ(got.size(), c.files.size());
    for (size_t k = 0; k < got.size(); ++k) {
      EXPECT_EQ(got[k].name, c.files[k].name);
      EXPECT_EQ(got[k].gaps, c.files[k].gaps);
    }
  }
}

// Nothing converted beyond what the options ask: the same image planned with
// each option gives the same files and ranges where the option does not
// touch them, and --keep-time fills only gaps inside a file.
TEST(ConversionPlan, KeepTimeFillsOnlyGapsInsideAFile) {
  std::vector<uint8_t> bytes =
      image({{20, 0, 0, 500, 0}, {10, 0, 0, 0, 25}, {20, 0, 2, 500, 35}, {10, 0, 2, 500, 60}});
  ConversionOptions keep;
  keep.keepTime = true;
  ConversionPlanner planner(bytes.data(), static_cast<int64_t>(bytes.size() / dat::kFrameSize),
                            keep, ImageDate());
  std::vector<std::pair<bool, int>> filled;  // per gap: filled, place
  std::vector<int64_t> silence;
  SegmentPlan s;
  while (planner.next(&s)) {
    for (const FileBreak& b : s.file.record.breaks) filled.push_back({b.filled, b.place});
    for (const Silence& q : s.file.wav.silence) silence.push_back(q.frames);
  }
  EXPECT_EQ(filled, (std::vector<std::pair<bool, int>>{{false, FileBreak::Before},
                                                       {true, FileBreak::Inside}}));
  EXPECT_EQ(silence, std::vector<int64_t>{5});
}

TEST(ConversionPlan, NoFramesNoFiles) {
  std::vector<uint8_t> none;
  EXPECT_TRUE(plan(none).empty());
}

}  // namespace
