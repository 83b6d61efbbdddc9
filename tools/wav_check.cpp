#include "wav_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dat_frame.h"
#include "file_marks.h"
#include "little_endian.h"
#include "md5.h"

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

namespace {

// The audio bytes of one frame at `rate`: a frame lasts 30 ms, of sample
// pairs of 4 bytes.
size_t frameBytes(uint32_t rate) {
  return size_t{rate} * 3 / 100 * 4;
}

}  // namespace

ImageAudio::ImageAudio(const uint8_t* image, int64_t frames) : frames(frames) {
  for (int64_t i = 0; i < frames; ++i) {
    const char* p = reinterpret_cast<const char*>(image + i * dat::kFrameSize);
    audio48.insert(std::string(p, frameBytes(48000)));
    audio44.insert(std::string(p, frameBytes(44100)));
    audio32.insert(std::string(p, frameBytes(32000)));
  }
}

std::string ImageAudio::problem(const std::string& name, const std::vector<uint8_t>& b,
                                const ConversionOptions& options) const {
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0) {
    return labelsProblem(b, options);
  }
  if (name == kCoreName) {
    if (!options.bwf) return "a CORE document without --bwf";
    static const std::string kHeader = coreDocument({});
    return b.size() >= kHeader.size() && std::equal(kHeader.begin(), kHeader.end(), b.begin())
               ? ""
               : "a CORE document without its header row";
  }
  // The RIFF walk: every chunk whole, the last one ending the file.
  if (b.size() < 12 || std::memcmp(&b[0], "RIFF", 4) != 0 || std::memcmp(&b[8], "WAVE", 4) != 0) {
    return "not a RIFF WAVE file";
  }
  if (readLe32(&b[4]) != b.size() - 8) return "a RIFF size other than the file's";
  std::string order;
  size_t fmtAt = 0, dataAt = 0, md5At = 0;
  uint32_t fmtSize = 0, dataSize = 0;
  for (size_t at = 12; at < b.size();) {
    if (b.size() - at < 8) return "a chunk header cut short";
    uint32_t size = readLe32(&b[at + 4]);
    if (size + uint64_t{size % 2} > b.size() - at - 8) return "a chunk beyond the end of the file";
    std::string id(reinterpret_cast<const char*>(&b[at]), 4);
    order += id + "/";
    if (id == "fmt ") fmtAt = at + 8, fmtSize = size;
    if (id == "data") dataAt = at + 8, dataSize = size;
    if (id == "MD5 ") md5At = at + 8;
    at += 8 + size + size % 2;
  }
  std::string expected = std::string(options.bwf ? "bext/" : "") + "fmt /data/";
  std::string last = options.bwf ? "MD5 /" : "";
  if (order != expected + last && !(options.keepTime && order == expected + "cue /LIST/" + last)) {
    return "the chunks " + order;
  }
  if (md5At != 0) {
    Md5 sum;
    sum.update(&b[dataAt], dataSize);
    uint8_t digest[16];
    sum.digest(digest);
    if (readLe32(&b[md5At - 4]) != 16 || std::memcmp(&b[md5At], digest, 16) != 0) {
      return "an MD5 chunk other than the data's";
    }
  }
  if (fmtSize != 16) return "a fmt chunk of " + std::to_string(fmtSize) + " bytes";
  const uint8_t* f = &b[fmtAt];
  uint32_t rate = readLe32(f + 4);
  if (readLe16(f) != 1 || readLe16(f + 2) != 2 || readLe32(f + 8) != rate * 4 ||
      readLe16(f + 12) != 4 || readLe16(f + 14) != 16) {
    return "not 16-bit stereo PCM";
  }
  const char* ratePart = nullptr;
  for (int code = 0; code < 3; ++code) {
    if (dat::rateInfo(code).rate == rate) ratePart = dat::rateInfo(code).namePart;
  }
  if (ratePart == nullptr) return "an unexpected rate";
  if (name.find(std::string("-") + ratePart) == std::string::npos) {
    return "named after another rate";
  }
  if (rate == 32000 && dataSize > 0 && !options.convert32k) return "32 kHz audio";
  size_t per = frameBytes(rate);
  if (dataSize % per != 0) return "data that is not whole frames";
  const std::set<std::string>& known = rate == 48000 ? audio48 : rate == 44100 ? audio44 : audio32;
  const std::string silence(per, '\0');
  int64_t fromImage = 0;
  for (size_t at = 0; at < dataSize; at += per) {
    std::string chunk(reinterpret_cast<const char*>(&b[dataAt + at]), per);
    if (options.keepTime && chunk == silence) continue;
    if (known.count(chunk) == 0) return "bytes at " + std::to_string(at) + " are no frame's audio";
    ++fromImage;
  }
  if (fromImage > frames) return "more frames than the image holds";
  return "";
}

std::string ImageAudio::labelsProblem(const std::vector<uint8_t>& bytes,
                                      const ConversionOptions& options) const {
  if (!options.keepTime) return "a label file without --keep-time";
  std::string text(bytes.begin(), bytes.end());
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) return "a label line without its end";
    std::string line = text.substr(at, end - at);
    double start = 0, stop = 0;
    int used = 0;
    if (std::sscanf(line.c_str(), "%lf\t%lf\t%n", &start, &stop, &used) != 2 || used == 0 ||
        static_cast<size_t>(used) >= line.size() || stop < start) {
      return "a label line other than start, end and text: " + line;
    }
    at = end + 1;
  }
  return "";
}

}  // namespace wavcheck
