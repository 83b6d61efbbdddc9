// The dumper run: identifies the drive, switches it to audio mode, waits for
// a cassette, copies its frames into "KOVRANT.IMG" in the current directory,
// rewinds and unloads the cassette and switches the drive back to data mode.
#pragma once

#include <cstdint>
#include <string>

#include "dat_frame.h"

// Consecutive READs without a good frame after which the capture gives up:
// at the drive's 33 frames a second, about ten minutes of damaged tape.
constexpr int kMaxConsecutiveBadReads = 20000;

// The whole program, with the tape device the user named (null: the
// system's drives are searched). Exit status 0 after a capture that reached
// blank tape, wrote every frame and restored data mode; 1 on every other
// way out.
int runKovrant(const char* device = nullptr);

// The capture filter's history: the filter bits of the two latest good
// frames. A good frame is written unless at least two of the three latest
// good frames (itself included) carry the bit.
struct CaptureFilter {
  int flag1 = 0;
  int flag2 = 0;
  // Takes the next good frame; true when it is to be written.
  bool pass(const dat::DatFrame& frame);
};

// Prints the ATIME packs among the frame's first packCount packs (never
// beyond pack 6), each on the same console line.
void showAtime(const dat::DatFrame& frame);
