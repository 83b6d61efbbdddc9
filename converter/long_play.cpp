#include "long_play.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "little_endian.h"

namespace longplay {

int16_t expand(uint16_t code) {
  int c = code & 0xFFF;
  if (c < 0x200) return static_cast<int16_t>(c);
  if (c <= 0x7FF) return static_cast<int16_t>(((c & 0xFF) + 0x100) << ((c >> 8) - 1));
  if (c == 0x800) return 0;
  if (c <= 0xDFF) return static_cast<int16_t>(((c & 0xFF) - 0x200) * (1 << (14 - (c >> 8))));
  return static_cast<int16_t>(c - 0x1000);
}

const std::vector<Layout>& layouts() {
  static const std::vector<Layout> all = {
      {Packing::HighBytesThenNibbles, Channels::Alternating, "A-B-nibbles, L/R alternating"},
      {Packing::BigEndian, Channels::Alternating, "24-bit big-endian, L/R alternating"},
      {Packing::LittleEndian, Channels::Alternating, "24-bit little-endian, L/R alternating"},
      {Packing::HighBytesThenSwapped, Channels::Alternating,
       "A-B-swapped-nibbles, L/R alternating"},
      {Packing::HighBytesThenNibbles, Channels::LeftThenRight, "A-B-nibbles, all L then all R"},
      {Packing::BigEndian, Channels::LeftThenRight, "24-bit big-endian, all L then all R"},
      {Packing::LittleEndian, Channels::LeftThenRight, "24-bit little-endian, all L then all R"},
      {Packing::HighBytesThenSwapped, Channels::LeftThenRight,
       "A-B-swapped-nibbles, all L then all R"},
  };
  return all;
}

namespace {

// Code k (0 .. 3839) of the frame in the order the bytes hold them.
void codes(const uint8_t* audio, Packing packing, uint16_t* out) {
  for (int g = 0; g < kPairsPerFrame; ++g) {
    const uint8_t* p = audio + 3 * g;
    uint16_t a = 0, b = 0;
    switch (packing) {
      case Packing::HighBytesThenNibbles:
        a = static_cast<uint16_t>(p[0] << 4 | p[2] >> 4);
        b = static_cast<uint16_t>(p[1] << 4 | (p[2] & 15));
        break;
      case Packing::HighBytesThenSwapped:
        a = static_cast<uint16_t>(p[0] << 4 | (p[2] & 15));
        b = static_cast<uint16_t>(p[1] << 4 | p[2] >> 4);
        break;
      case Packing::BigEndian:
        a = static_cast<uint16_t>(p[0] << 4 | p[1] >> 4);
        b = static_cast<uint16_t>((p[1] & 15) << 8 | p[2]);
        break;
      case Packing::LittleEndian: {
        uint32_t v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
        a = static_cast<uint16_t>(v >> 12);
        b = static_cast<uint16_t>(v & 0xFFF);
        break;
      }
    }
    out[2 * g] = a;
    out[2 * g + 1] = b;
  }
}

// The frame's samples as left and right channels.
void channels(const uint8_t* audio, const Layout& layout, int16_t* left, int16_t* right) {
  uint16_t c[2 * kPairsPerFrame];
  codes(audio, layout.packing, c);
  for (int k = 0; k < kPairsPerFrame; ++k) {
    bool alternating = layout.channels == Channels::Alternating;
    left[k] = expand(alternating ? c[2 * k] : c[k]);
    right[k] = expand(alternating ? c[2 * k + 1] : c[kPairsPerFrame + k]);
  }
}

}  // namespace

void decode(const uint8_t* audio, const Layout& layout, uint8_t* out) {
  int16_t left[kPairsPerFrame], right[kPairsPerFrame];
  channels(audio, layout, left, right);
  for (int k = 0; k < kPairsPerFrame; ++k) {
    writeLe16(out + 4 * k, static_cast<uint16_t>(left[k]));
    writeLe16(out + 4 * k + 2, static_cast<uint16_t>(right[k]));
  }
}

double roughness(const std::vector<const dat::DatFrame*>& frames, const Layout& layout) {
  // Frame by frame, and their geometric mean: a quiet frame, where a wrong
  // layout's noise stands out most, counts as much as a loud one.
  double logs = 0;
  int counted = 0;
  int16_t left[kPairsPerFrame], right[kPairsPerFrame];
  for (const dat::DatFrame* f : frames) {
    channels(f->audio, layout, left, right);
    double bends = 0, level = 0;
    for (const int16_t* ch : {left, right}) {
      for (int k = 0; k < kPairsPerFrame; ++k) {
        level += double(ch[k]) * ch[k];
        if (k < 2 || k + 2 >= kPairsPerFrame) continue;
        double bend = ch[k + 2] - 4.0 * ch[k + 1] + 6.0 * ch[k] - 4.0 * ch[k - 1] + ch[k - 2];
        bends += bend * bend;
      }
    }
    if (level == 0) continue;
    logs += 0.5 * std::log((bends + 1) / level);
    ++counted;
  }
  return counted == 0 ? -1 : std::exp(logs / counted);
}

Choice choose(const std::vector<const dat::DatFrame*>& segment, int sample) {
  Choice c;
  std::vector<const dat::DatFrame*> picked;
  size_t n = segment.size(), want = std::min<size_t>(n, static_cast<size_t>(sample));
  for (size_t k = 0; k < want; ++k) picked.push_back(segment[k * n / want]);
  const std::vector<Layout>& all = layouts();
  for (const Layout& l : all) c.scores.push_back(roughness(picked, l));
  c.silent = std::all_of(c.scores.begin(), c.scores.end(), [](double s) { return s < 0; });
  if (c.silent || picked.empty()) return c;
  std::vector<size_t> order(all.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  auto score = [&](size_t k) { return c.scores[k] < 0 ? HUGE_VAL : c.scores[k]; };
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return score(a) < score(b); });
  double best = score(order[0]), second = score(order[1]);
  c.margin = best > 0 ? second / best : HUGE_VAL;
  if (c.margin >= kClearMargin) c.layout = &all[order[0]];
  return c;
}

std::string scoresText(const std::vector<double>& scores) {
  std::string text;
  char score[32];
  for (size_t k = 0; k < scores.size(); ++k) {
    std::snprintf(score, sizeof score, "%s%.3g", k == 0 ? "" : " ", scores[k]);
    text += score;
  }
  return text;
}

}  // namespace longplay
