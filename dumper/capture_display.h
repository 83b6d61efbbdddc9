// The capture's time display: one console line that each carriage return
// rewrites. In a file or a pipe it is what it has always been, each good
// frame's ATIME packs as they come (showAtime). On a terminal a person
// watches a capture that takes as long as the tape plays: the line shows the
// ATIME shown last, the time the reading has taken, the frames read and the
// stretches of reads that did not return GOOD, and, given the cassette's
// length, how far along the tape is and the time left; it is redrawn at most
// every kRedrawMilliseconds and is never wider than kWidestLine columns.
#pragma once

#include <cstdint>
#include <string>

#include "dat_frame.h"

// The cassette's nominal length that --length takes, in minutes.
constexpr int kShortestCassette = 60;
constexpr int kLongestCassette = 180;

constexpr uint64_t kRedrawMilliseconds = 250;
constexpr size_t kWidestLine = 79;

// Prints the ATIME packs among the frame's first packCount packs (never
// beyond pack 6), each on the same console line.
void showAtime(const dat::DatFrame& frame);

// What the terminal's line tells.
struct Progress {
  std::string atime;            // the ATIME shown last, as the display shows it; empty: none yet
  uint64_t elapsedMs = 0;       // since the reading began
  int64_t frames = 0;           // READs that returned GOOD
  int64_t stretches = 0;        // stretches of reads that did not
  int lengthMinutes = 0;        // the cassette's nominal length; 0: not given
  int64_t firstPosition = -1;   // frames from the start of the tape to the first ATIME
  int64_t latestPosition = -1;  // and to the latest; -1: none yet
};

// The line for `p` after its carriage return, followed by `padding` (the
// blanks that cover what a longer line before it left).
std::string progressLine(const Progress& p, const std::string& padding = "");
// The columns a line of the display takes on a terminal: the Japanese
// characters two each, the rest one; the carriage return none.
size_t columnsOf(const std::string& line);

class CaptureDisplay {
 public:
  // `terminal`: a person watches standard output; `lengthMinutes`: the
  // cassette's nominal length, 0 when not given. The reading begins now.
  CaptureDisplay(bool terminal, int lengthMinutes);
  void goodRead(const dat::DatFrame& frame);
  void badRead();
  // The reading has ended: on a terminal the line's last state, and its end,
  // so that what follows stands on a line of its own.
  void close();

 private:
  void draw(bool now);

  bool terminal;
  Progress shown;
  uint64_t start;
  uint64_t drawnAt = 0;
  bool drawn = false;
  bool inStretch = false;
  size_t widest = 0;  // the columns of the widest line drawn
};
