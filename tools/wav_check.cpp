#include "wav_check.h"

#include <cstring>

#include "dat_frame.h"
#include "little_endian.h"

namespace wavcheck {

WavInfo parseWav(const std::vector<uint8_t>& b) {
  WavInfo w;
  if (b.size() < 44) return w;
  w.canonical = std::memcmp(&b[0], "RIFF", 4) == 0 && std::memcmp(&b[8], "WAVE", 4) == 0 &&
                std::memcmp(&b[12], "fmt ", 4) == 0 && readLe32(&b[16]) == 16 &&
                readLe16(&b[20]) == 1 && readLe16(&b[22]) == 2 && readLe16(&b[32]) == 4 &&
                readLe16(&b[34]) == 16 && std::memcmp(&b[36], "data", 4) == 0;
  w.riffSize = readLe32(&b[4]);
  w.rate = readLe32(&b[24]);
  w.byteRate = readLe32(&b[28]);
  w.blockAlign = readLe16(&b[32]);
  w.dataSize = readLe32(&b[40]);
  w.data.assign(b.begin() + 44, b.end());
  return w;
}

bool wellFormedWav(const std::vector<uint8_t>& bytes) {
  WavInfo w = parseWav(bytes);
  return w.canonical && w.dataSize == bytes.size() - 44 && w.riffSize == bytes.size() - 8 &&
         w.byteRate == w.rate * 4 && w.dataSize % 4 == 0;
}

ImageAudio::ImageAudio(const uint8_t* image, int64_t frames) : frames(frames) {
  for (int64_t i = 0; i < frames; ++i) {
    const char* p = reinterpret_cast<const char*>(image + i * dat::kFrameSize);
    audio48.insert(std::string(p, dat::rateInfo(0).bytesPerFrame));
    audio44.insert(std::string(p, dat::rateInfo(1).bytesPerFrame));
  }
}

std::string ImageAudio::problem(const std::string& name, const std::vector<uint8_t>& bytes) const {
  if (!wellFormedWav(bytes)) return "not a well-formed WAV file";
  WavInfo w = parseWav(bytes);
  size_t per = w.rate == 48000 ? 5760 : w.rate == 44100 ? 5292 : 0;
  if (per == 0) {
    return w.rate == 32000 && w.dataSize == 0 ? "" : "an unexpected rate, or 32 kHz audio";
  }
  if (name.find(w.rate == 48000 ? "-48kHz" : "-44.1kHz") == std::string::npos) {
    return "named after another rate";
  }
  if (w.dataSize % per != 0) return "data that is not whole frames";
  if (static_cast<int64_t>(w.dataSize / per) > frames) return "more frames than the image holds";
  const std::set<std::string>& known = per == 5760 ? audio48 : audio44;
  for (size_t at = 0; at < w.dataSize; at += per) {
    std::string chunk(reinterpret_cast<const char*>(w.data.data() + at), per);
    if (known.count(chunk) == 0) return "bytes at " + std::to_string(at) + " are no frame's audio";
  }
  return "";
}

}  // namespace wavcheck
