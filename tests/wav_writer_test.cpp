#include "wav_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "conversion.h"
#include "frame_builder.h"
#include "little_endian.h"
#include "sha256.h"
#include "test_support.h"

namespace {

using testing_support::parseWav;
using testing_support::readFile;
using testing_support::TempDir;

std::vector<uint8_t> imageOf(int frames) {
  std::vector<uint8_t> image;
  for (int k = 0; k < frames; ++k) {
    synth::Frame f = synth::blankFrame();
    for (int b = 0; b < dat::kFrameSize; ++b) f[b] = static_cast<uint8_t>(k * 7 + b);
    image.insert(image.end(), f.begin(), f.end());
  }
  return image;
}

TEST(WavWriter, HeaderBytesFor48kHz) {
  TempDir dir;
  std::string name = dir.file("a.wav");
  std::vector<uint8_t> image = imageOf(2);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(writeWavRange(name.c_str(), image.data(), 0, 1, 48000, 5760));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  std::vector<uint8_t> bytes = readFile(name);
  const uint8_t expected[44] = {
      'R',  'I',  'F',  'F',  0x24, 0x2D, 0x00, 0x00,  // 2 * 5760 + 36
      'W',  'A',  'V',  'E',  'f',  'm',  't',  ' ',  16,   0,    0,    0,
      1,    0,    2,    0,    0x80, 0xBB, 0x00, 0x00,                          // 48000
      0x00, 0xEE, 0x02, 0x00,                                                  // 192000
      4,    0,    16,   0,    'd',  'a',  't',  'a',  0x00, 0x2D, 0x00, 0x00,  // 11520
  };
  ASSERT_EQ(bytes.size(), 44u + 11520u);
  EXPECT_EQ(0, std::memcmp(bytes.data(), expected, 44));
  // Frame 0's audio, then frame 1's, straight from the image.
  EXPECT_EQ(0, std::memcmp(bytes.data() + 44, image.data(), 5760));
  EXPECT_EQ(0, std::memcmp(bytes.data() + 44 + 5760, image.data() + 5822, 5760));
}

TEST(WavWriter, SizesForRangesAndRates) {
  struct Case {
    int64_t first, last;
    uint32_t rate, bytesPerFrame, dataSize, byteRate;
  };
  const Case cases[] = {
      {0, 2, 48000, 5760, 3 * 5760, 192000}, {1, 3, 44100, 5292, 3 * 5292, 176400},
      {2, 1, 48000, 5760, 0, 192000},        {5, -3, 44100, 5292, 0, 176400},
      {0, 3, 32000, 0, 0, 128000},           {3, 3, 48000, 5760, 5760, 192000},
  };
  std::vector<uint8_t> image = imageOf(4);
  for (const Case& c : cases) {
    TempDir dir;
    std::string name = dir.file("x.wav");
    ASSERT_TRUE(
        writeWavRange(name.c_str(), image.data(), c.first, c.last, c.rate, c.bytesPerFrame));
    std::vector<uint8_t> bytes = readFile(name);
    testing_support::WavInfo w = parseWav(bytes);
    EXPECT_TRUE(testing_support::wellFormedWav(bytes));
    EXPECT_EQ(w.dataSize, c.dataSize);
    EXPECT_EQ(w.riffSize, c.dataSize + 36);
    EXPECT_EQ(w.rate, c.rate);
    EXPECT_EQ(w.byteRate, c.byteRate);
    if (c.dataSize > 0) {
      EXPECT_EQ(0, std::memcmp(w.data.data(), image.data() + c.first * 5822, c.bytesPerFrame));
    }
  }
}

TEST(WavWriter, ReplacesAnExistingFile) {
  TempDir dir;
  std::string name = dir.file("r.wav");
  ASSERT_TRUE(synth::writeFile(name, std::vector<uint8_t>(100000, 0xAA)));
  std::vector<uint8_t> image = imageOf(1);
  ASSERT_TRUE(writeWavRange(name.c_str(), image.data(), 0, 0, 44100, 5292));
  EXPECT_EQ(readFile(name).size(), 44u + 5292u);
}

TEST(WavWriter, WriteRefusesNothingToWrite) {
  TempDir dir;
  WavWriter w;
  w.init(48000);
  uint8_t byte = 1;
  EXPECT_FALSE(w.write(1, &byte));  // no file open
  ASSERT_TRUE(w.open(dir.file("w.wav").c_str()));
  EXPECT_FALSE(w.write(0, &byte));
  EXPECT_FALSE(w.write(4, nullptr));
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(w.isOpen());
  // Nothing was written but the header: RIFF size 36, data size 0.
  std::vector<uint8_t> file = readFile(dir.file("w.wav"));
  ASSERT_EQ(file.size(), 44u);
  EXPECT_EQ(readLe32(&file[4]), 36u);
  EXPECT_EQ(readLe32(&file[40]), 0u);
}

TEST(WavWriter, CreateFailureIsReportedWithTheName) {
  TempDir dir;
  std::string name = dir.file("d.wav");
  ASSERT_EQ(mkdir(name.c_str(), 0755), 0);  // a directory where the file should go
  std::vector<uint8_t> image = imageOf(1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(writeWavRange(name.c_str(), image.data(), 0, 0, 48000, 5760));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(name), std::string::npos) << err;
  EXPECT_NE(err.find("Is a directory"), std::string::npos) << err;
}

TEST(WavWriter, WriteFailureIsReported) {
  // A file-size limit stands in for a full disk.
  TempDir dir;
  std::string name = dir.file("full.wav");
  std::vector<uint8_t> image = imageOf(200);
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  auto savedHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = saved;
  limit.rlim_cur = 100000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  testing::internal::CaptureStderr();
  bool ok = writeWavRange(name.c_str(), image.data(), 0, 199, 48000, 5760);
  std::string err = testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, savedHandler);
  EXPECT_FALSE(ok);
  EXPECT_NE(err.find(name), std::string::npos) << err;
  EXPECT_NE(err.find("File too large"), std::string::npos) << err;
}

// The SHA-256 taken while the file is written is the file's: whole, with
// silence and chunks around the audio, cut short by a frame limit, and
// hashed beside the writing (more than one buffer).
TEST(WavWriter, DigestTakenInTheWritingIsTheFiles) {
  struct Case {
    const char* what;
    int64_t last;
    std::vector<Silence> silence;
    bool chunks;
    int64_t framesLimit;
  };
  const Case cases[] = {
      {"whole", 5, {}, false, -1},
      {"silence and chunks", 5, {{2, 3}, {5, 1}}, true, -1},
      {"cut by the limit", 5, {{2, 3}}, true, 4},
      {"empty", -1, {}, false, -1},
      {"several buffers", 399, {}, false, -1},
      {"several buffers with MD5", 399, {{100, 5}}, true, -1},
  };
  std::vector<uint8_t> image = imageOf(400);
  for (const Case& c : cases) {
    TempDir dir;
    std::string name = dir.file("d.wav");
    WavPlan plan;
    plan.silence = c.silence;
    plan.framesLimit = c.framesLimit;
    if (c.chunks) {
      plan.leading = {'j', 'u', 'n', 'k', 2, 0, 0, 0, 1, 2};
      plan.trailing = {'n', 'o', 't', 'e', 1, 0, 0, 0, 7, 0};
      plan.md5 = true;
    }
    WavResult r = writeWav(name.c_str(), image.data(), 0, c.last, 48000, 5760, &plan);
    ASSERT_EQ(r.kind, WavResult::Written) << c.what;
    EXPECT_EQ(r.framesLimit >= 0, c.framesLimit >= 0) << c.what;
    std::string file;
    ASSERT_TRUE(sha256File(name.c_str(), &file)) << c.what;
    EXPECT_EQ(r.sha256, file) << c.what;
  }
}

// Audio other than the size told leaves the header written at open wrong:
// no digest is claimed for bytes the file does not hold.
TEST(WavWriter, NoDigestWhereTheSizeToldWasNotWritten) {
  for (uint32_t told : {5760u * 2, 5760u * 4}) {
    TempDir dir;
    std::string name = dir.file("s.wav");
    std::vector<uint8_t> image = imageOf(3);
    WavWriter w;
    w.init(48000);
    w.setDataSize(told);
    ASSERT_TRUE(w.open(name.c_str()));
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(w.write(5760, image.data() + k * dat::kFrameSize));
    ASSERT_TRUE(w.close());
    EXPECT_TRUE(w.sha256().empty()) << told;
    EXPECT_EQ(parseWav(readFile(name)).dataSize, 3u * 5760u) << told;
  }
}

TEST(WavWriter, FrameLimitKeepsSizesWithin32Bits) {
  const uint32_t rates[] = {5760, 5292, 1, 4};
  for (uint32_t bpf : rates) {
    int64_t limit = wavFrameLimit(bpf);
    EXPECT_LE(44 + limit * int64_t{bpf}, int64_t{UINT32_MAX});
    EXPECT_GT(44 + (limit + 1) * int64_t{bpf}, int64_t{UINT32_MAX});
  }
  EXPECT_EQ(wavFrameLimit(5760), 745654);
}

}  // namespace
