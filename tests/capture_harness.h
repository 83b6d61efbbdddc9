// The dumper run in-process against the drive model, for the dumper's tests:
// test tapes, and one run with its console output, exit status and image.
#pragma once

#include <string>
#include <vector>

#include "drive_model.h"
#include "frame_builder.h"
#include "test_support.h"

namespace capture_harness {

// Frame k of a test tape: audio of its own, an ATIME pack 01:02:ss:ff in
// slot k % 7 (ss = k / 34, ff = k % 34).
synth::Frame tapeFrame(int k, bool filterBit = false);
std::vector<uint8_t> tapeOf(int frames);
// The frames `which` of `tape`, one after another.
std::vector<uint8_t> framesOf(const std::vector<uint8_t>& tape, std::vector<int> which);
sim::Script scriptWith(std::vector<uint8_t> tape, std::vector<sim::Fault> faults = {});

struct Capture {
  testing_support::TempDir dir;
  std::string out, err;
  int exitStatus = -1;

  std::string imagePath() const { return dir.file("KOVRANT.IMG"); }
  bool hasImage() const { return testing_support::fileExists(imagePath()); }
  std::vector<uint8_t> image() const { return testing_support::readFile(imagePath()); }
};

// The whole dumper program against a drive with `script`, in c's directory.
void run(Capture& c, const sim::Script& script);

}  // namespace capture_harness
