// The dumper run: identifies the drive, switches it to audio mode, waits for
// a cassette, keeps an earlier capture in the current directory under
// numbered names (earlier_capture.h), copies the frames into "KOVRANT.IMG"
// there, rewinds and unloads the cassette and switches the drive back to
// data mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture_display.h"
#include "dat_frame.h"

// Consecutive READs without a good frame after which the capture gives up:
// at the drive's 33 frames a second, about ten minutes of damaged tape.
constexpr int kMaxConsecutiveBadReads = 20000;

// What the command line tells the capture.
struct CaptureSettings {
  const char* device = nullptr;  // the tape device the user named; null: the system's are searched
  std::optional<std::string> tape;  // the tape's identity (--tape), for the log and the record
  int lengthMinutes = 0;            // the cassette's nominal length (--length); 0: not given
};

// The whole program. Exit status 0 after a capture that reached blank tape,
// wrote every frame and restored data mode; 1 on every other way out.
int runKovrant(const CaptureSettings& settings = CaptureSettings());

// The capture filter's history: the filter bits of the two latest good
// frames. A good frame is written unless at least two of the three latest
// good frames (itself included) carry the bit.
struct CaptureFilter {
  int flag1 = 0;
  int flag2 = 0;
  // Takes the next good frame; true when it is to be written.
  bool pass(const dat::DatFrame& frame);
};
