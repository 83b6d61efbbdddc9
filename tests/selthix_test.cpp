// The real SELTHIX program, run in a temporary directory on images built
// frame by frame; its WAV files are read back and compared with the frames.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "converter_messages.h"
#include "frame_builder.h"
#include "little_endian.h"
#include "md5.h"
#include "test_support.h"

namespace {

using testing_support::readFile;
using testing_support::RunResult;
using testing_support::TempDir;
using testing_support::toCp932;

const std::string kSelthix = SELTHIX_PATH;
const std::string kBanner = toCp932(msg::kSelthixBanner);

std::string format(const char* f, int v) {
  char buf[256];
  std::snprintf(buf, sizeof buf, f, v);
  return toCp932(buf);
}
std::string found(int p) {
  return format(msg::kFoundStartId, p);
}
std::string correction(int d) {
  return format(msg::kStartIdCorrection, d);
}
std::string tailCut(int d) {
  return format(msg::kTailCut, d);
}

// One frame: rate code, program number (-1: "0bb"), amplitude of every sample.
synth::Frame frame(int rateCode, int program, int16_t amplitude) {
  synth::Frame f = synth::blankFrame();
  synth::setRateCode(f, rateCode);
  if (program < 0) {
    synth::setProgram(f, 0, 0xB, 0xB);
  } else {
    synth::setProgramNumber(f, program);
  }
  synth::fillConstant(f, amplitude);
  return f;
}

class Image {
 public:
  void add(const synth::Frame& f, int times = 1) {
    for (int k = 0; k < times; ++k) {
      synth::Frame g = f;
      // The frame number in the signs of the first 16 samples: every sounding
      // frame differs from the others, and its loudness stays the same.
      int n = count();
      for (int b = 0; b < 16; ++b) {
        int16_t s = static_cast<int16_t>(readLe16(&g[2 * b]));
        if ((n >> b) & 1) synth::setSample(g, b, static_cast<int16_t>(-s));
      }
      bytes.insert(bytes.end(), g.begin(), g.end());
    }
  }
  int count() const { return static_cast<int>(bytes.size() / dat::kFrameSize); }
  std::vector<uint8_t> bytes;
};

struct Outcome {
  TempDir dir;
  RunResult result;
};

void runOn(Outcome& run, const std::vector<uint8_t>& image,
           const testing_support::RunOptions& options = {}) {
  ASSERT_TRUE(synth::writeFile(run.dir.file("KOVRANT.IMG"), image));
  run.result = testing_support::runIn(run.dir.path(), kSelthix, options);
}

// The WAV file `name` holds exactly frames first..last of the image at
// `rate`, the first `bytesPerFrame` bytes of each.
void expectAudio(const Outcome& run, const std::string& name, const std::vector<uint8_t>& image,
                 int first, int last, uint32_t rate, uint32_t bytesPerFrame) {
  SCOPED_TRACE(name);
  std::vector<uint8_t> bytes = readFile(run.dir.file(name));
  ASSERT_TRUE(testing_support::wellFormedWav(bytes)) << "size " << bytes.size();
  testing_support::WavInfo w = testing_support::parseWav(bytes);
  EXPECT_EQ(w.rate, rate);
  int frames = last >= first ? last - first + 1 : 0;
  ASSERT_EQ(w.dataSize, static_cast<uint32_t>(frames) * bytesPerFrame);
  for (int k = 0; k < frames; ++k) {
    ASSERT_EQ(0, std::memcmp(w.data.data() + static_cast<size_t>(k) * bytesPerFrame,
                             image.data() + static_cast<size_t>(first + k) * dat::kFrameSize,
                             bytesPerFrame))
        << "frame " << first + k;
  }
}

// The same for frames at the rate of `rateCode`, as the frames of that rate
// hold their samples.
void expectFrames(const Outcome& run, const std::string& name, const std::vector<uint8_t>& image,
                  int first, int last, int rateCode) {
  dat::RateInfo info = dat::rateInfo(rateCode);
  expectAudio(run, name, image, first, last, info.rate, info.bytesPerFrame);
}

std::string logOf(const Outcome& run) {
  return testing_support::textOf(readFile(run.dir.file("SELTHIX.LOG")));
}

std::vector<std::string> wavFiles(const Outcome& run) {
  std::vector<std::string> names;
  for (const std::string& n : testing_support::listDir(run.dir.path())) {
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".wav") == 0) names.push_back(n);
  }
  return names;
}

TEST(Selthix, MissingImage) {
  Outcome run;
  run.result = testing_support::runIn(run.dir.path(), kSelthix);
  EXPECT_EQ(run.result.out, kBanner);
  EXPECT_EQ(run.result.err, toCp932(msg::kCreateFileFailed));
  EXPECT_NE(run.result.exitCode, 0);
}

TEST(Selthix, EmptyImageCannotBeMapped) {
  Outcome run;
  runOn(run, {});
  EXPECT_EQ(run.result.out, kBanner);
  EXPECT_EQ(run.result.err, toCp932(msg::kCreateFileMappingFailed));
  EXPECT_NE(run.result.exitCode, 0);
  EXPECT_TRUE(wavFiles(run).empty());
}

TEST(Selthix, ADirectoryIsNoImage) {
  Outcome run;
  ASSERT_EQ(mkdir(run.dir.file("KOVRANT.IMG").c_str(), 0755), 0);
  run.result = testing_support::runIn(run.dir.path(), kSelthix);
  EXPECT_EQ(run.result.out, kBanner);
  EXPECT_EQ(run.result.err, toCp932(msg::kCreateFileFailed));
  EXPECT_NE(run.result.exitCode, 0);
}

TEST(Selthix, ShorterThanOneFrameWritesNothing) {
  Outcome run;
  runOn(run, std::vector<uint8_t>(dat::kFrameSize - 1, 0x11));
  EXPECT_EQ(run.result.out, kBanner);
  EXPECT_EQ(run.result.err, "");
  EXPECT_EQ(run.result.exitCode, 0);
  EXPECT_TRUE(wavFiles(run).empty());
}

TEST(Selthix, OneAndTwoFramesNeedNoEndSearch) {
  for (int n = 1; n <= 2; ++n) {
    Image image;
    image.add(frame(0, -1, 0), n);  // silent, yet kept: no end-of-image search
    image.bytes.push_back(0x5A);    // an incomplete last frame is ignored
    Outcome run;
    runOn(run, image.bytes);
    EXPECT_EQ(run.result.out, kBanner);
    EXPECT_EQ(run.result.exitCode, 0);
    EXPECT_EQ(wavFiles(run), std::vector<std::string>{"#000-48kHz.wav"});
    expectFrames(run, "#000-48kHz.wav", image.bytes, 0, n - 1, 0);
  }
}

// Program 0 for frames 0..49, program 1 from frame 50 on, 100 frames; the
// amplitudes listed override the default of 5.
struct CutCase {
  const char* what;
  std::vector<std::pair<int, int16_t>> amplitude;
  int cut;        // expected c
  int lastKept;   // expected e
  bool tailLine;  // "末尾カット" printed for the cut
};

TEST(Selthix, CutSearch) {
  const CutCase cases[] = {
      {"all alike: the cut stays at the change", {}, 50, 50, true},
      {"quieter above wins", {{60, 0}, {45, 0}}, 60, 59, true},
      {"quieter below wins when strictly quieter", {{45, 1}}, 45, 45, true},
      {"ties below go to the nearest", {{40, 1}, {45, 1}}, 45, 45, true},
      {"ties go to the change itself", {{50, 1}, {55, 1}}, 50, 50, true},
      {"ties above go to the lowest", {{55, 1}, {60, 1}}, 55, 55, true},
      {"33 frames away is out of reach", {{83, 0}, {17, 0}}, 50, 50, true},
      {"32 frames away is in reach", {{82, 0}}, 82, 81, true},
      {"-32 frames is in reach", {{18, 1}}, 18, 18, true},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.what);
    Image image;
    for (int i = 0; i < 100; ++i) {
      int16_t a = 5;
      for (const auto& o : c.amplitude) {
        if (o.first == i) a = o.second;
      }
      image.add(frame(0, i < 50 ? 0 : 1, a));
    }
    Outcome run;
    runOn(run, image.bytes);
    std::string expected = kBanner + found(1) + correction(50 - c.cut);
    if (c.tailLine) expected += tailCut(c.cut - c.lastKept);
    expected += tailCut(0);  // end of image: frame 99 is loud
    EXPECT_EQ(run.result.out, expected);
    EXPECT_EQ(run.result.exitCode, 0);
    expectFrames(run, "#000-48kHz.wav", image.bytes, 0, c.lastKept, 0);
    expectFrames(run, "#001-48kHz.wav", image.bytes, c.cut + 1, 99, 0);
  }
}

TEST(Selthix, SilenceBeforeTheCutIsLeftOut) {
  Image image;
  for (int i = 0; i < 100; ++i) image.add(frame(0, i < 50 ? 0 : 1, i >= 30 && i <= 50 ? 0 : 7));
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.out, kBanner + found(1) + correction(0) + tailCut(21) + tailCut(0));
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 29, 0);
  expectFrames(run, "#001-48kHz.wav", image.bytes, 51, 99, 0);
}

TEST(Selthix, SilenceScanStopsAfter331Frames) {
  Image image;
  for (int i = 0; i < 800; ++i) image.add(frame(0, i < 700 ? 0 : 1, i >= 300 && i <= 700 ? 0 : 7));
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.out, kBanner + found(1) + correction(0) + tailCut(0));
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 369, 0);
  expectFrames(run, "#001-48kHz.wav", image.bytes, 701, 799, 0);
}

TEST(Selthix, FirstFrameAlreadyCarriesAProgram) {
  Image image;
  image.add(frame(0, 1, 9), 40);
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.out, kBanner + found(1) + correction(0) + tailCut(0));
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 0, 0);
  expectFrames(run, "#001-48kHz.wav", image.bytes, 1, 39, 0);
}

TEST(Selthix, PseudoNumbersAndTheCurrentNumberCauseNoCut) {
  Image image;
  image.add(frame(0, 0, 9), 10);
  image.add(frame(0, -1, 9), 10);  // 0bb
  synth::Frame aa = frame(0, 0, 9);
  synth::setProgram(aa, 0, 0xA, 0xA);
  image.add(aa, 10);
  synth::Frame ee = frame(0, 0, 9);
  synth::setProgram(ee, 0, 0xE, 0xE);
  image.add(ee, 10);
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.out, kBanner + tailCut(0));
  EXPECT_EQ(wavFiles(run), std::vector<std::string>{"#000-48kHz.wav"});
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 39, 0);
}

TEST(Selthix, RateChangeKeepsTheFirstNewFrameInTheOldFile) {
  Image image;
  image.add(frame(0, -1, 9), 10);
  image.add(frame(1, -1, 9), 10);
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.out, kBanner + tailCut(0));
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 10, 0);
  expectFrames(run, "#000-44.1kHz.wav", image.bytes, 11, 19, 1);
}

TEST(Selthix, RateAndProgramChangingAtOneFrame) {
  Image image;
  image.add(frame(0, 0, 9), 40);
  image.add(frame(1, 1, 9), 40);
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.out, kBanner + found(1) + correction(0) + tailCut(0) + tailCut(0));
  // The rate check closes first, then the program check closes the new-rate
  // segment under the old number: a header-only file.
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 40, 0);
  expectFrames(run, "#000-44.1kHz.wav", image.bytes, 41, 40, 1);
  expectFrames(run, "#001-44.1kHz.wav", image.bytes, 41, 79, 1);
}

TEST(Selthix, TwoProgramChangesCloseTogether) {
  Image image;
  for (int i = 0; i < 100; ++i) {
    image.add(frame(0, i < 50 ? 0 : i < 60 ? 1 : 2, i == 45 ? 1 : 5));
  }
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.out, kBanner + found(1) + correction(5) + tailCut(0) + found(2) +
                                correction(15) + tailCut(0) + tailCut(0));
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 45, 0);
  expectFrames(run, "#001-48kHz.wav", image.bytes, 46, 45, 0);  // header only
  expectFrames(run, "#002-48kHz.wav", image.bytes, 46, 99, 0);
}

TEST(Selthix, A32kHzStretchGetsAHeaderOnlyPlaceholder) {
  Image image;
  image.add(frame(0, -1, 9), 10);
  image.add(frame(2, -1, 9), 10);
  Outcome run;
  runOn(run, image.bytes);
  std::string m32 = toCp932(msg::kRate32kNotSupported);
  std::string expected = kBanner;
  for (int f = 19; f >= 10; --f) expected += m32;  // measured while trimming the end
  expected += tailCut(10);
  EXPECT_EQ(run.result.out, expected);
  EXPECT_EQ(run.result.exitCode, 0);
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 10, 0);
  std::vector<uint8_t> placeholder = readFile(run.dir.file("#000-32kHz.wav"));
  ASSERT_TRUE(testing_support::wellFormedWav(placeholder));
  testing_support::WavInfo w = testing_support::parseWav(placeholder);
  EXPECT_EQ(w.rate, 32000u);
  EXPECT_EQ(w.byteRate, 128000u);
  EXPECT_EQ(w.dataSize, 0u);
}

// Two programs recorded at 32 kHz. With --convert-32k the cut search and
// the end of the image measure the samples that are converted, so the files
// are cut as at 48 kHz and hold all their frames, and the console does not
// call the rate unsupported (without it: A32kHzStretchGetsAHeaderOnlyPlaceholder).
TEST(Selthix, Convert32kKeepsEveryFrameOfTwoPrograms) {
  Image image;
  image.add(frame(2, 1, 9), 500);
  image.add(frame(2, 2, 9), 500);
  Outcome converted;
  testing_support::RunOptions options;
  options.args = {"--convert-32k"};
  runOn(converted, image.bytes, options);
  EXPECT_EQ(converted.result.exitCode, 0);
  EXPECT_EQ(converted.result.out, kBanner + found(1) + correction(0) + found(2) + correction(0) +
                                      tailCut(0) + tailCut(0));
  expectAudio(converted, "#000-32kHz.wav", image.bytes, 0, 0, 32000, 3840);
  expectAudio(converted, "#001-32kHz.wav", image.bytes, 1, 500, 32000, 3840);
  expectAudio(converted, "#002-32kHz.wav", image.bytes, 501, 999, 32000, 3840);
  std::string log = logOf(converted);
  for (const char* frames : {"フレーム: 1 (イメージの 0-0)\n", "フレーム: 500 (イメージの 1-500)\n",
                             "フレーム: 499 (イメージの 501-999)\n"}) {
    EXPECT_NE(log.find(frames), std::string::npos) << frames << log;
  }
  EXPECT_EQ(log.find("除いたフレーム"), std::string::npos) << log;
  EXPECT_NE(log.find("まとめ: すべて書き込み。"), std::string::npos) << log;
}

// The frames left out at the end of the image are the last file's own: a
// silent last program does not count the frames of the one before.
TEST(Selthix, TheEndTrimCountsOnlyTheLastFilesFrames) {
  Image image;
  image.add(frame(0, 1, 9), 100);
  image.add(frame(0, 2, 0), 50);
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.exitCode, 0);
  expectFrames(run, "#001-48kHz.wav", image.bytes, 1, 99, 0);
  expectFrames(run, "#002-48kHz.wav", image.bytes, 101, 100, 0);
  std::string log = logOf(run);
  // Frame 100 is the cut, left out before program 2; 101-149 at the end.
  EXPECT_NE(log.find("区切りで除いたフレーム: 1\n"), std::string::npos) << log;
  EXPECT_NE(log.find("末尾で除いたフレーム: 49\n"), std::string::npos) << log;
}

TEST(Selthix, ANameThatComesBackGetsASuffix) {
  Image image;
  image.add(frame(0, 1, 9), 40);
  image.add(frame(0, 2, 9), 40);
  image.add(frame(0, 1, 9), 40);
  image.add(frame(0, 2, 9), 40);
  Outcome run;
  // Files of an earlier run are replaced.
  ASSERT_TRUE(synth::writeFile(run.dir.file("#001-48kHz-2.wav"), std::vector<uint8_t>(7, 1)));
  ASSERT_TRUE(synth::writeFile(run.dir.file("#001-48kHz.wav"), std::vector<uint8_t>(7, 1)));
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.exitCode, 0);
  EXPECT_EQ(wavFiles(run),
            (std::vector<std::string>{"#000-48kHz.wav", "#001-48kHz-2.wav", "#001-48kHz.wav",
                                      "#002-48kHz-2.wav", "#002-48kHz.wav"}));
  expectFrames(run, "#001-48kHz.wav", image.bytes, 1, 40, 0);
  expectFrames(run, "#002-48kHz.wav", image.bytes, 41, 80, 0);
  expectFrames(run, "#001-48kHz-2.wav", image.bytes, 81, 120, 0);
  expectFrames(run, "#002-48kHz-2.wav", image.bytes, 121, 159, 0);
}

TEST(Selthix, EndOfImageTrim) {
  // 30 frames; `marked` frames carry a non-zero subId[3], `silent` ones no sound.
  struct Case {
    const char* what;
    std::vector<int> marked, silent;
    int lastKept;
    std::string line;
  };
  const Case cases[] = {
      {"no tail", {}, {}, 29, tailCut(0)},
      {"marked tail", {25, 26, 27, 28, 29}, {}, 24, tailCut(5)},
      {"silence before the marked tail", {25, 26, 27, 28, 29}, {21, 22, 23, 24}, 20, tailCut(9)},
      {"a mark two frames back counts", {27}, {}, 26, tailCut(3)},
      {"a mark in the last frame only", {29}, {}, 28, tailCut(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Image image;
    for (int i = 0; i < 30; ++i) {
      auto has = [i](const std::vector<int>& v) {
        return std::find(v.begin(), v.end(), i) != v.end();
      };
      synth::Frame f = frame(0, -1, has(c.silent) ? 0 : 3);
      if (has(c.marked)) synth::setSubId3(f, 0x80);
      image.add(f);
    }
    Outcome run;
    runOn(run, image.bytes);
    EXPECT_EQ(run.result.out, kBanner + c.line);
    expectFrames(run, "#000-48kHz.wav", image.bytes, 0, c.lastKept, 0);
  }
}

TEST(Selthix, NoUsableTailEndsAtFrameOne) {
  Image image;
  image.add(frame(0, -1, 0), 10);  // all silent
  Outcome run;
  runOn(run, image.bytes);
  EXPECT_EQ(run.result.out, kBanner);
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 1, 0);
}

TEST(Selthix, AnOutputThatCannotBeCreatedIsReportedAndTheRestWritten) {
  Image image;
  image.add(frame(0, 1, 9), 40);
  image.add(frame(0, 2, 9), 40);
  Outcome run;
  ASSERT_EQ(mkdir(run.dir.file("#001-48kHz.wav").c_str(), 0755), 0);
  runOn(run, image.bytes);
  EXPECT_NE(run.result.exitCode, 0);
  EXPECT_NE(run.result.err.find("#001-48kHz.wav"), std::string::npos) << run.result.err;
  EXPECT_NE(run.result.err.find("Is a directory"), std::string::npos) << run.result.err;
  expectFrames(run, "#000-48kHz.wav", image.bytes, 0, 0, 0);
  expectFrames(run, "#002-48kHz.wav", image.bytes, 41, 79, 0);
}

TEST(Selthix, TheLogListsAFailedFileAndALogInTheWayIsOnlySaid) {
  Image image;
  image.add(frame(0, 1, 9), 40);
  image.add(frame(0, 2, 9), 40);
  Outcome listed;
  ASSERT_EQ(mkdir(listed.dir.file("#001-48kHz.wav").c_str(), 0755), 0);
  runOn(listed, image.bytes);
  std::string log =
      testing_support::textOf(testing_support::readFile(listed.dir.file("SELTHIX.LOG")));
  EXPECT_NE(log.find("ファイル: #001-48kHz.wav\n"), std::string::npos) << log;
  EXPECT_NE(log.find("状態: 失敗 (Is a directory)\n"), std::string::npos) << log;
  EXPECT_NE(log.find("失敗したファイル: 1\n"), std::string::npos) << log;
  EXPECT_NE(log.find("終了ステータス: 1\n"), std::string::npos) << log;

  Outcome unlogged;
  ASSERT_EQ(mkdir(unlogged.dir.file("SELTHIX.LOG").c_str(), 0755), 0);
  runOn(unlogged, image.bytes);
  EXPECT_EQ(unlogged.result.exitCode, 0);
  EXPECT_EQ(testing_support::fromCp932(unlogged.result.err),
            "SELTHIX.LOGを作成できませんでした: Is a directory\n");
  expectFrames(unlogged, "#002-48kHz.wav", image.bytes, 41, 79, 0);
}

TEST(Selthix, AFullDiskIsReportedAndEarlierFilesStayWhole) {
  Image image;
  image.add(frame(0, 1, 9), 10);
  image.add(frame(0, 2, 9), 200);  // about 1.1 MB: over the limit
  image.add(frame(0, 3, 9), 10);
  Outcome run;
  testing_support::RunOptions options;
  options.fileSizeLimit = 1 << 20;  // the image itself is written before the limit applies
  runOn(run, image.bytes, options);
  EXPECT_NE(run.result.exitCode, 0);
  EXPECT_NE(run.result.err.find("#002-48kHz.wav"), std::string::npos) << run.result.err;
  EXPECT_NE(run.result.err.find("File too large"), std::string::npos) << run.result.err;
  expectFrames(run, "#001-48kHz.wav", image.bytes, 1, 10, 0);
  expectFrames(run, "#003-48kHz.wav", image.bytes, 211, 219, 0);
}

}  // namespace

namespace {

TEST(Selthix, NoRoomAtAll) {
  // Not even a header fits: every file is reported, and the run still ends.
  Image image;
  image.add(frame(0, 1, 9), 10);
  image.add(frame(0, 2, 9), 10);
  Outcome run;
  testing_support::RunOptions options;
  options.fileSizeLimit = 0;
  ASSERT_TRUE(synth::writeFile(run.dir.file("KOVRANT.IMG"), image.bytes));
  run.result = testing_support::runIn(run.dir.path(), kSelthix, options);
  EXPECT_NE(run.result.exitCode, 0);
  for (const char* name : {"#000-48kHz.wav", "#001-48kHz.wav", "#002-48kHz.wav"}) {
    char line[200];
    std::snprintf(line, sizeof line, msg::kWavWriteFailed, name, "File too large");
    EXPECT_NE(run.result.err.find(toCp932(line)), std::string::npos) << name;
  }
  EXPECT_EQ(run.result.out, kBanner + found(1) + correction(0) + found(2) + correction(0) +
                                tailCut(0) + tailCut(0));
}

}  // namespace

namespace {

// A WAV file of about 4 GiB, read once: its length, its sizes, the chunks
// before the audio, the MD5 of the audio and its last `tail` bytes, and the
// chunks after it.
struct BigWav {
  int64_t length = 0;
  uint32_t riffSize = 0, dataSize = 0;
  std::string before;  // the ids of the chunks before "data"
  std::string md5;
  std::vector<uint8_t> tail, after;
};

bool readBigWav(const std::string& path, size_t tail, BigWav* w) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  uint8_t head[12];
  bool ok = std::fread(head, 1, 12, f) == 12;
  w->riffSize = readLe32(head + 4);
  // The chunks up to "data", skipped.
  for (uint8_t chunk[8]; ok && (ok = std::fread(chunk, 1, 8, f) == 8);) {
    std::string id(chunk, chunk + 4);
    if (id == "data") {
      w->dataSize = readLe32(chunk + 4);
      break;
    }
    w->before += id + "/";
    uint32_t size = readLe32(chunk + 4);
    ok = fseeko(f, size + size % 2, SEEK_CUR) == 0;
  }
  Md5 sum;
  std::vector<uint8_t> block(1 << 20);
  const int64_t tailFrom = int64_t{w->dataSize} - static_cast<int64_t>(tail);
  for (int64_t at = 0; ok && at < w->dataSize;) {
    int64_t n = std::min<int64_t>(w->dataSize - at, static_cast<int64_t>(block.size()));
    ok = std::fread(block.data(), 1, static_cast<size_t>(n), f) == static_cast<size_t>(n);
    sum.update(block.data(), static_cast<size_t>(n));
    if (at + n > tailFrom) {
      w->tail.insert(w->tail.end(), block.begin() + std::max<int64_t>(0, tailFrom - at),
                     block.begin() + n);
    }
    at += n;
  }
  w->md5 = sum.hex();
  for (int c; ok && (c = std::fgetc(f)) != EOF;) w->after.push_back(static_cast<uint8_t>(c));
  w->length = ok ? ftello(f) : -1;
  std::fclose(f);
  return ok && w->tail.size() == tail;
}

// The number after `key` in the log (the first such line), or -1.
long long logNumber(const std::string& log, const std::string& key) {
  size_t at = log.find(key);
  return at == std::string::npos ? -1 : std::atoll(log.c_str() + at + key.size());
}

// --keep-time on 80 frames five minutes apart: the gaps' silence would make
// the file about 4.2 GiB. It ends with the last frame that fits, and the log,
// the markers and the labels tell what the file holds, no more; the file is
// said to be cut. With --bwf its MD5 chunk is of the audio it holds. Writes
// a file of nearly 4 GiB (some 40 seconds).
TEST(Selthix, KeepTimePastFourGiBLogsWhatTheFileHolds) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "4 GiB written and read back: minutes under the sanitizers, same code as the "
                  "normal build";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  GTEST_SKIP() << "4 GiB written and read back: minutes under the sanitizers, same code as the "
                  "normal build";
#endif
#endif
  Outcome run;
  struct statvfs disk;
  ASSERT_EQ(statvfs(run.dir.path().c_str(), &disk), 0);
  if (static_cast<double>(disk.f_bavail) * disk.f_frsize < 5e9) {
    GTEST_SKIP() << "needs 5 GB free beside " << run.dir.path();
  }
  Image image;
  for (int k = 0; k < 80; ++k) {
    synth::Frame f = frame(0, -1, 9);
    int minutes = 5 * k;  // 10000 frames later: 9999 missing, a gap
    synth::setAtime(f, 0, static_cast<uint8_t>(minutes / 60 / 10 << 4 | minutes / 60 % 10),
                    static_cast<uint8_t>(minutes % 60 / 10 << 4 | minutes % 10), 0, 0);
    image.add(f);
  }
  testing_support::RunOptions options;
  options.args = {"--keep-time", "--bwf"};
  runOn(run, image.bytes, options);
  EXPECT_EQ(run.result.exitCode, 1);
  EXPECT_NE(run.result.err.find("#000-48kHz.wav"), std::string::npos) << run.result.err;
  BigWav w;
  ASSERT_TRUE(readBigWav(run.dir.file("#000-48kHz.wav"), 5760, &w));
  EXPECT_EQ(w.riffSize + int64_t{8}, w.length);
  EXPECT_EQ(w.before, "bext/fmt /");
  ASSERT_GE(w.after.size(), 12u + 24);
  std::vector<uint8_t> md5(w.after.end() - 24, w.after.end());
  ASSERT_EQ(std::string(md5.begin(), md5.begin() + 8), std::string("MD5 \x10\0\0\0", 8));
  md5.erase(md5.begin(), md5.begin() + 8);
  EXPECT_EQ(Md5::hex(md5.data()), w.md5);
  ASSERT_EQ(std::string(w.after.begin(), w.after.begin() + 4), "cue ");
  std::vector<uint32_t> cuePoints;  // each point's sample offset
  for (uint32_t k = 0; k < readLe32(&w.after[8]); ++k) {
    cuePoints.push_back(readLe32(&w.after.at(12 + 24 * k + 20)));
  }
  std::string log = logOf(run);
  long long samples = logNumber(log, "\nサンプル: ");
  long long frames = logNumber(log, "\nフレーム: ");
  EXPECT_EQ(samples * 4, w.dataSize) << log;
  EXPECT_LT(frames, 80) << log;
  char range[80];
  std::snprintf(range, sizeof range, "フレーム: %lld (イメージの 0-%lld)\n", frames, frames - 1);
  EXPECT_NE(log.find(range), std::string::npos) << log;
  char length[40];
  std::snprintf(length, sizeof length, "長さ: %.3f 秒\n", samples / 48000.0);
  EXPECT_NE(log.find(length), std::string::npos) << log;
  // The data ends with the last frame the log counts.
  EXPECT_EQ(0, std::memcmp(w.tail.data(), &image.bytes[(frames - 1) * dat::kFrameSize], 5760));
  // Every gap listed lies and is filled inside the data; the cue points and
  // the labels too.
  long long held = w.dataSize / 4;
  int gaps = 0;
  for (size_t at = log.find("ギャップ: 位置="); at != std::string::npos;
       at = log.find("ギャップ: 位置=", at + 1)) {
    long long sample = std::atoll(log.c_str() + at + std::strlen("ギャップ: 位置="));
    long long missing = logNumber(log.substr(at), "欠落=");
    EXPECT_LE(sample + missing * 1440, held) << log.substr(at, 200);
    ++gaps;
  }
  EXPECT_EQ(gaps, frames - 1);
  EXPECT_EQ(cuePoints.size(), static_cast<size_t>(gaps));
  for (uint32_t point : cuePoints) EXPECT_LT(point, held);
  std::string labels = testing_support::textOf(readFile(run.dir.file("#000-48kHz.txt")));
  std::istringstream labelLines(labels);
  int labelCount = 0;
  for (std::string line; std::getline(labelLines, line); ++labelCount) {
    double start = 0, end = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf\t%lf", &start, &end), 2) << line;
    EXPECT_LE(end, held / 48000.0 + 1e-6) << line;
  }
  EXPECT_EQ(labelCount, gaps);
  EXPECT_NE(log.find("状態: WAVの上限4GiBで打ち切り"), std::string::npos) << log;
  EXPECT_NE(log.find("\nMD5 (data チャンク): " + w.md5 + "\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("状態: 完了"), std::string::npos) << log;
  EXPECT_EQ(log.find("すべて書き込み"), std::string::npos) << log;
}

}  // namespace
