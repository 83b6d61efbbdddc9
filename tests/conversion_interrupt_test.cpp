// A conversion interrupted while its second thread takes the level strip:
// SIGTERM arrives on a thread of its own once the first file is begun. The
// run stops without the strip; under ThreadSanitizer (build-tsan) the
// request is seen by the threads without a race.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "conversion.h"
#include "frame_builder.h"
#include "test_support.h"

namespace {

using testing_support::TempDir;

TEST(ConversionInterrupt, SigtermDuringTheLevelStrip) {
  // Eight programs of 2000 frames (93 MB): the strip's pass lasts well past
  // the first file's start (under ThreadSanitizer here about 120 ms, and
  // 20 ms). Standard error is left alone: it carries the sanitizer's report.
  const int kPrograms = 8, kFramesEach = 2000;
  std::vector<uint8_t> image;
  image.reserve(static_cast<size_t>(kPrograms * kFramesEach) * dat::kFrameSize);
  for (int p = 1; p <= kPrograms; ++p) {
    synth::Frame f = synth::blankFrame();
    synth::setProgramNumber(f, p);
    synth::fillConstant(f, static_cast<int16_t>(1000 * p));
    for (int k = 0; k < kFramesEach; ++k) image.insert(image.end(), f.begin(), f.end());
  }
  TempDir dir;
  {
    InterruptGuard guard;
    ASSERT_TRUE(guard.installed());
    std::thread sender([&] {
      for (int k = 0; k < 5000 && testing_support::listDir(dir.path()).empty(); ++k) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      // To this thread, as raise does.
      pthread_kill(pthread_self(), SIGTERM);
    });
    Json levels;
    bool ok;
    {
      testing_support::InDirectory in(dir.path());
      testing::internal::CaptureStdout();
      ok = convertFrames(image.data(), kPrograms * kFramesEach, ConversionOptions(), nullptr,
                         ImageDate(), &levels);
      testing::internal::GetCapturedStdout();
    }
    sender.join();
    EXPECT_TRUE(interruptRequested());
    EXPECT_FALSE(ok) << "the file being written is not kept";
    EXPECT_TRUE(levels.is_null()) << "no strip from a run that stopped";
    EXPECT_LT(testing_support::listDir(dir.path()).size(), static_cast<size_t>(kPrograms));
  }
  // The tests after this one convert with no guard: a new one clears the
  // request.
  { InterruptGuard clearing; }
  EXPECT_FALSE(interruptRequested());
}

}  // namespace
