// Many random and mutated images through the whole conversion, with every
// combination of options. Images live in exactly-sized heap buffers, so a
// sanitizer build catches any read beyond them; every file written must be a
// well-formed WAV made of whole frames of the image, with what the options
// add and nothing else.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "conversion.h"
#include "frame_builder.h"
#include "test_support.h"

namespace {

using testing_support::TempDir;

std::vector<uint8_t> randomImage(synth::Random& r) {
  int frames = static_cast<int>(r.below(120));
  std::vector<uint8_t> image;
  uint32_t phase = 0;
  int program = 0;
  int rate = 0;
  for (int i = 0; i < frames; ++i) {
    if (r.below(15) == 0) program = static_cast<int>(r.below(4));
    if (r.below(25) == 0) rate = static_cast<int>(r.below(4));
    synth::Frame f = synth::blankFrame();
    synth::setRateCode(f, rate);
    if (r.below(6) == 0) {
      synth::setProgram(f, 0, 0xA + static_cast<int>(r.below(5)),
                        0xA + static_cast<int>(r.below(5)));
    } else {
      synth::setProgramNumber(f, program);
    }
    if (r.below(3) != 0) {
      synth::fillTone(f, rate, phase, 30 + r.below(100), static_cast<int>(r.below(30000)),
                      static_cast<int>(r.below(200)), r);
    }
    synth::setSubId3(f, r.below(4) == 0 ? static_cast<uint8_t>(r.below(256)) : 0);
    image.insert(image.end(), f.begin(), f.end());
  }
  // Mutations: flipped bytes anywhere, mostly in the identification bytes.
  int flips = image.empty() ? 0 : static_cast<int>(r.below(20));
  for (int k = 0; k < flips; ++k) {
    size_t at =
        r.below(2) == 0
            ? r.below(static_cast<uint32_t>(image.size()))
            : (r.below(static_cast<uint32_t>(image.size() / 5822)) * 5822 + 5816 + r.below(6));
    if (at < image.size()) image[at] = static_cast<uint8_t>(r.next());
  }
  // A partial last frame, now and then.
  if (r.below(4) == 0) {
    size_t extra = r.below(dat::kFrameSize);
    for (size_t k = 0; k < extra; ++k) image.push_back(static_cast<uint8_t>(r.next()));
  }
  return image;
}

TEST(RandomImages, EveryOutputIsWholeFramesInAWellFormedWav) {
  synth::Random r(20261207);
  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE(round);
    std::vector<uint8_t> image = randomImage(r);
    // An exact-size heap copy: nothing beyond it may be read.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[image.size()]);
    std::memcpy(exact.get(), image.data(), image.size());
    int64_t n = static_cast<int64_t>(image.size() / dat::kFrameSize);

    wavcheck::ImageAudio audio(image.data(), n);
    ConversionOptions options;
    options.keepTime = (round & 1) != 0;
    options.bwf = (round & 2) != 0;
    options.convert32k = (round & 4) != 0;

    TempDir dir;
    bool ok;
    {
      testing_support::InDirectory in(dir.path());
      testing::internal::CaptureStdout();
      ok = convertFrames(exact.get(), n, options);
      testing::internal::GetCapturedStdout();
    }
    EXPECT_TRUE(ok);
    std::vector<std::string> names = testing_support::listDir(dir.path());
    if (n == 0) {
      EXPECT_TRUE(names.empty());
    }
    for (const std::string& name : names) {
      EXPECT_EQ(audio.problem(name, testing_support::readFile(dir.file(name)), options), "")
          << name;
    }
  }
}

// The check knows what each option adds: the files of a run with every
// option are refused as those of a run without one of them.
TEST(RandomImages, TheCheckKnowsWhatEachOptionAdds) {
  synth::SynthOptions o;
  o.programs = 2;
  o.frames = 600;
  o.with32k = true;
  std::vector<uint8_t> image = synth::synthesizeImage(o);
  image.erase(image.begin() + 100 * dat::kFrameSize, image.begin() + 110 * dat::kFrameSize);
  int64_t n = static_cast<int64_t>(image.size() / dat::kFrameSize);
  ConversionOptions all;
  all.keepTime = all.bwf = all.convert32k = true;
  TempDir dir;
  {
    testing_support::InDirectory in(dir.path());
    testing::internal::CaptureStdout();
    ASSERT_TRUE(convertFrames(image.data(), n, all));
    testing::internal::GetCapturedStdout();
  }
  wavcheck::ImageAudio audio(image.data(), n);
  const std::vector<std::string> names = testing_support::listDir(dir.path());
  for (const std::string& name : names) {
    EXPECT_EQ(audio.problem(name, testing_support::readFile(dir.file(name)), all), "") << name;
  }
  const std::pair<const char*, bool ConversionOptions::*> dropped[] = {
      {"--keep-time", &ConversionOptions::keepTime},
      {"--bwf", &ConversionOptions::bwf},
      {"--convert-32k", &ConversionOptions::convert32k}};
  for (const auto& d : dropped) {
    ConversionOptions fewer = all;
    fewer.*d.second = false;
    int refused = 0;
    for (const std::string& name : names) {
      if (!audio.problem(name, testing_support::readFile(dir.file(name)), fewer).empty()) ++refused;
    }
    EXPECT_GT(refused, 0) << "without " << d.first;
  }
}

}  // namespace
