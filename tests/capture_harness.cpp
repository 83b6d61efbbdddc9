#include "capture_harness.h"

#include <gtest/gtest.h>

#include "capture.h"

namespace capture_harness {

synth::Frame tapeFrame(int k, bool filterBit) {
  synth::Frame f = synth::blankFrame();
  for (int b = 0; b < dat::kAudioSize; b += 2) f[b] = static_cast<uint8_t>(k * 5 + b);
  synth::setAtime(f, k % 7, 0x01, 0x02, static_cast<uint8_t>(k / 34), static_cast<uint8_t>(k % 34));
  synth::setFilterBit(f, filterBit);
  return f;
}

std::vector<uint8_t> tapeOf(int frames) {
  std::vector<uint8_t> tape;
  for (int k = 0; k < frames; ++k) {
    synth::Frame f = tapeFrame(k);
    tape.insert(tape.end(), f.begin(), f.end());
  }
  return tape;
}

std::vector<uint8_t> framesOf(const std::vector<uint8_t>& tape, std::vector<int> which) {
  std::vector<uint8_t> out;
  for (int k : which) {
    out.insert(out.end(), tape.begin() + k * dat::kFrameSize,
               tape.begin() + (k + 1) * dat::kFrameSize);
  }
  return out;
}

sim::Script scriptWith(std::vector<uint8_t> tape, std::vector<sim::Fault> faults) {
  sim::Script s;
  s.tape = std::move(tape);
  s.faults = std::move(faults);
  return s;
}

void run(Capture& c, const sim::Script& script) {
  sim::configure(script);
  testing_support::InDirectory in(c.dir.path());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  c.exitStatus = runKovrant();
  c.out = testing::internal::GetCapturedStdout();
  c.err = testing::internal::GetCapturedStderr();
}

}  // namespace capture_harness
