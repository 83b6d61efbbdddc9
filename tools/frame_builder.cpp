#include "frame_builder.h"

#include <cstdio>
#include <cstring>

namespace synth {

Frame blankFrame() {
  Frame f(dat::kFrameSize, 0);
  setPackCount(f, 7);
  return f;
}

void setRateCode(Frame& f, int code) {
  uint8_t& b = f[dat::kMainId0At];
  b = static_cast<uint8_t>((b & ~0x0C) | ((code & 3) << 2));
}

void setProgram(Frame& f, int hundreds, int tens, int units) {
  uint8_t& s1 = f[dat::kSubId1At];
  s1 = static_cast<uint8_t>((s1 & 0x0F) | ((hundreds & 0x0F) << 4));
  f[dat::kSubId2At] = static_cast<uint8_t>(((tens & 0x0F) << 4) | (units & 0x0F));
}

void setProgramNumber(Frame& f, int p) {
  setProgram(f, p / 100, p / 10 % 10, p % 10);
}

void setPackCount(Frame& f, int count) {
  uint8_t& s1 = f[dat::kSubId1At];
  s1 = static_cast<uint8_t>((s1 & 0xF0) | (count & 0x0F));
}

void setSubId3(Frame& f, uint8_t value) {
  f[dat::kSubId3At] = value;
}

void setFilterBit(Frame& f, bool on) {
  uint8_t& b = f[dat::kMainId1At];
  b = static_cast<uint8_t>(on ? (b | 0x08) : (b & ~0x08));
}

void setAtime(Frame& f, int k, uint8_t hours, uint8_t minutes, uint8_t seconds, uint8_t frame) {
  uint8_t* p = f.data() + dat::kPacksAt + dat::kPackSize * k;
  std::memset(p, 0, dat::kPackSize);
  p[0] = 0x20;
  p[3] = hours;
  p[4] = minutes;
  p[5] = seconds;
  p[6] = frame;
}

void setSample(Frame& f, int index, int16_t value) {
  uint16_t u = static_cast<uint16_t>(value);
  f[2 * index] = static_cast<uint8_t>(u);
  f[2 * index + 1] = static_cast<uint8_t>(u >> 8);
}

void fillConstant(Frame& f, int16_t value) {
  for (int k = 0; k < dat::kAudioSize / 2; ++k) setSample(f, k, value);
}

uint64_t Random::next() {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void fillTone(Frame& f, int rateCode, uint32_t& phase, uint32_t period, int amplitude, int noise,
              Random& random) {
  int pairs = rateCode == 1 ? 1323 : 1440;
  for (int k = 0; k < pairs; ++k) {
    uint32_t pos = phase % period;
    uint32_t half = period / 2;
    // Triangle: -amplitude .. +amplitude over one period.
    int64_t tri = pos < half ? static_cast<int64_t>(pos) : static_cast<int64_t>(period - pos);
    int value = static_cast<int>(-amplitude + (2 * amplitude * tri) / (half == 0 ? 1 : half));
    for (int ch = 0; ch < 2; ++ch) {
      int n = noise > 0 ? static_cast<int>(random.below(2 * noise + 1)) - noise : 0;
      int s = value + n;
      if (s > 32767) s = 32767;
      if (s < -32768) s = -32768;
      setSample(f, 2 * k + ch, static_cast<int16_t>(s));
    }
    ++phase;
  }
  // Bytes 5292.. of a 44.1 kHz frame carry no samples: leave them as noise
  // so that a reader taking them would be caught.
  if (rateCode == 1) {
    for (int b = 5292; b < dat::kAudioSize; ++b) f[b] = static_cast<uint8_t>(random.next());
  }
}

namespace {

uint8_t bcd(int v) {
  return static_cast<uint8_t>(((v / 10) << 4) | (v % 10));
}

struct Writer {
  std::vector<uint8_t>& out;
  Random& random;
  int64_t count = 0;  // absolute frame counter for ATIME

  void put(Frame& f, bool glitches) {
    // ATIME: 100 frames in 3 seconds, numbered 0-32, 0-32, 0-33 (the last
    // frame of a second is followed by frame 0 of the next).
    int64_t secs = (count * 3 + 2) / 100;
    int fr = static_cast<int>(count - secs * 100 / 3);
    int slot = static_cast<int>(random.below(dat::kPackCount));
    setAtime(f, slot, bcd(static_cast<int>(secs / 3600 % 100)),
             bcd(static_cast<int>(secs / 60 % 60)), bcd(static_cast<int>(secs % 60)),
             bcd(fr % 100));
    if (glitches && random.below(400) == 0) {
      // A single damaged identification byte: the neighbour vote repairs it.
      f[dat::kSubId2At] ^= static_cast<uint8_t>(1 + random.below(255));
    }
    if (random.below(1000) == 0) setFilterBit(f, true);
    out.insert(out.end(), f.begin(), f.end());
    ++count;
  }
};

}  // namespace

std::vector<uint8_t> synthesizeImage(const SynthOptions& o) {
  std::vector<uint8_t> out;
  Random random(o.seed);
  Writer w{out, random};
  int programs = o.programs < 1 ? 1 : o.programs;
  int64_t perProgram = o.frames / programs;
  if (perProgram < 10) perProgram = 10;
  int lastNumber = 0;

  auto program = [&](int number, int rateCode, int64_t frames) {
    uint32_t phase = 0;
    uint32_t period = 40 + random.below(200);
    int amplitude = 2000 + static_cast<int>(random.below(20000));
    // Silence before the program: the old number, then "no number" (0bb).
    int64_t gap = perProgram < 80 ? 2 + random.below(static_cast<uint32_t>(perProgram / 2))
                                  : 20 + random.below(60);
    for (int64_t k = 0; k < gap; ++k) {
      Frame f = blankFrame();
      setRateCode(f, rateCode);
      if (k < gap / 2) {
        setProgramNumber(f, lastNumber);
      } else {
        setProgram(f, 0, 0xB, 0xB);
      }
      w.put(f, o.glitches);
    }
    // The start ID arrives a few frames before or after the sound begins.
    int64_t lead = static_cast<int64_t>(random.below(9)) - 4;
    for (int64_t k = 0; k < frames; ++k) {
      Frame f = blankFrame();
      setRateCode(f, rateCode);
      setProgramNumber(f, k + lead >= 0 ? number : lastNumber);
      int64_t fade = frames - k;
      int amp = fade < 30 ? static_cast<int>(amplitude * fade / 30) : amplitude;
      fillTone(f, rateCode, phase, period, amp, 50 + static_cast<int>(random.below(300)), random);
      w.put(f, o.glitches);
    }
    lastNumber = number;
  };

  for (int p = 1; p <= programs; ++p) {
    if (o.with32k && p == programs) {
      // A stretch recorded at 32 kHz: kept out of every WAV file.
      for (int k = 0; k < 120; ++k) {
        Frame f = blankFrame();
        setRateCode(f, 2);
        setProgramNumber(f, lastNumber);
        fillConstant(f, static_cast<int16_t>(random.below(1000)));
        w.put(f, false);
      }
    }
    int rateCode = (p == o.rate44Program) ? 1 : 0;
    int64_t frames = perProgram * 3 / 4 +
                     static_cast<int64_t>(random.below(static_cast<uint32_t>(perProgram / 2 + 1)));
    program(p, rateCode, frames);
  }
  if (o.repeat) program(1, 0, perProgram / 2);

  // Unusable tail: silence with a non-zero subId[3], then noise.
  for (int k = 0; k < o.tail; ++k) {
    Frame f = blankFrame();
    setSubId3(f, static_cast<uint8_t>(1 + random.below(255)));
    setProgram(f, 0, 0xE, 0xE);
    if (k % 2 == 1) fillConstant(f, static_cast<int16_t>(random.below(65536) - 32768));
    w.put(f, false);
  }
  return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0) ok = false;
  return ok;
}

}  // namespace synth
