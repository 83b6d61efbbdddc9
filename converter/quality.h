// What the drive concealed, measured as a file is written: the figures of
// each channel (peak, RMS, DC offset, as ffmpeg's astats defines them) and
// the places where the audio looks held, muted, interpolated or clipped
// although the frames came back good (a DAT mechanism conceals a block it
// cannot correct by holding the last sample, muting or drawing a line
// across it). Fed with the file's 16-bit stereo samples in their order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace quality {

// The thresholds, in one place.
// A clip: this many samples of one channel in a row at full scale.
constexpr int kClipRun = 3;
// A hold: this many sample pairs in a row all equal, the held value this
// loud in at least one channel (about -60 dBFS; quieter is near-silence,
// which holds by nature) and at full scale in neither (that is a clip).
constexpr int kHoldRun = 32;
constexpr int kLoud = 33;
// A mute: this many all-zero sample pairs in a row, shorter than a second,
// with a sample of kLoud or more within kMuteReach pairs before and after
// it: audio muted in the middle of sound, not the silence between programs.
constexpr int kMuteRun = 32;
constexpr int kMuteReach = 480;
// An interpolation: this many samples of one channel in a row in arithmetic
// progression with a step that is not zero (a line drawn across a lost
// stretch; a constant channel is none).
constexpr int kInterpolationRun = 32;

struct Event {
  enum Kind { Clip, Hold, Mute, Interpolation };
  Kind kind;
  int64_t sample;  // the first sample pair of the run
  int64_t length;  // sample pairs
  int channel;     // 0, 1; -1 for both
};

// A channel's figures; none where the channel is all zero (peak, RMS) or
// holds no sample at all.
struct Channel {
  std::optional<double> peakDb, rmsDb, dcOffset;
};

struct BlockScan;

class Meter {
 public:
  explicit Meter(uint32_t rate) : rate(rate) {}
  // The next `pairs` sample pairs of the file (16-bit little-endian,
  // interleaved).
  void samples(const uint8_t* pcm, int64_t pairs);
  // `pairs` pairs of silence that fill a gap: counted in the figures, but
  // no run goes across it and nothing in it is an event.
  void gap(int64_t pairs);
  // The end of the file: runs still open are judged.
  void finish();
  Channel channel(int c) const;
  // In the order of their first sample.
  const std::vector<Event>& events() const { return found; }

 private:
  struct ChannelState {
    int32_t peak = 0;
    int64_t sum = 0;
    uint64_t squares = 0;
    int32_t last = 0;  // the sample before
    int32_t step = 0;  // the step of the line that ends with it
    int64_t lineStart = 0, lineLength = 0;
    int64_t clipStart = 0, clipLength = 0;
    int32_t clipValue = 0;
  };
  bool passable(const BlockScan& s) const;
  void runs(const int16_t* x, int64_t pairs);
  void passOver(const int16_t* x, int64_t pairs);
  bool constant(const BlockScan& s, int64_t pairs) const;
  void carryOn(int64_t pairs);
  void endClip(int c);
  void endLine(int c);
  void endHold(uint32_t held);
  void endZeros();
  void judgeMutes(bool soundAfter);
  void endAll();

  uint32_t rate;
  int64_t at = 0;     // sample pairs so far
  bool fresh = true;  // no sample before the next (the start, or after a gap)
  ChannelState ch[2];
  uint32_t lastPair = 0;  // the pair before, as its two samples' bits
  int64_t holdStart = 0, holdLength = 0;
  int64_t zeroStart = 0, zeroLength = 0;
  int64_t lastSound = -1;  // the last pair with a sample of kLoud or more
  struct Run {
    int64_t start, length;
  };
  std::vector<Run> pending;  // zero runs waiting for sound within kMuteReach after them
  std::vector<Event> found;
};

}  // namespace quality
