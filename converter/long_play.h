// Long play (LP): 32 kHz, 12-bit non-linear codes, the tape at half speed.
// The 12-bit code is public (IEC 61119); how the drive's audio mode lays the
// codes out in a frame's 5760 audio bytes is not. It is learnt from the tape:
// every named layout below decodes a sample of the segment's frames, and the
// one whose audio is smoothest is taken when it beats the next by a clear
// margin; otherwise the segment is left unconverted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dat_frame.h"

namespace longplay {

// 3840 codes, 1920 stereo sample pairs (60 ms at 32 kHz) a frame.
constexpr int kPairsPerFrame = 1920;
constexpr int kBytesPerFrame = kPairsPerFrame * 4;  // of 16-bit stereo output
// The best layout must be this many times smoother than the next.
constexpr double kClearMargin = 2.0;

// A 12-bit two's-complement code expanded to 16-bit linear.
int16_t expand(uint16_t code);

// How two codes A and B sit in three bytes x, y, z.
enum class Packing {
  HighBytesThenNibbles,  // x = A 11-4, y = B 11-4, z = A 3-0 | B 3-0
  BigEndian,             // A then B as one 24-bit big-endian group
  LittleEndian,          // the same little-endian
  HighBytesThenSwapped,  // as the first, z = B 3-0 | A 3-0
};
// Where the channels' codes lie among the 3840 of a frame.
enum class Channels { Alternating, LeftThenRight };

struct Layout {
  Packing packing;
  Channels channels;
  const char* name;
};
// Every candidate, each with its name.
const std::vector<Layout>& layouts();

// The frame's 1920 sample pairs in `layout`, as 16-bit stereo little-endian
// bytes (kBytesPerFrame of them) at `out`.
void decode(const uint8_t* audio, const Layout& layout, uint8_t* out);

// How rough the audio of `frames` is in `layout`: the root mean square of
// the fourth difference of a channel's samples over that of the samples.
// The fourth difference passes the top of the band and little below it:
// sound has little energy there, while the noise that a wrong layout makes
// (even where only the lowest bits of each code are misplaced) is white. Negative when the frames
// are digital silence in it.
double roughness(const std::vector<const dat::DatFrame*>& frames, const Layout& layout);

struct Choice {
  const Layout* layout = nullptr;  // null: not recognised (or silence)
  bool silent = false;             // every sample frame is zero in every layout
  std::vector<double> scores;      // per candidate, in the order of layouts()
  double margin = 0;               // second best over best
};
// The layout of a segment, from up to `sample` frames spread over it.
Choice choose(const std::vector<const dat::DatFrame*>& segment, int sample = 50);
// The candidates' scores as the console and the log show them: three
// significant digits each, separated by blanks.
std::string scoresText(const std::vector<double>& scores);

}  // namespace longplay
