// What every WAV file of the converter promises, checked against the image
// it came from: for the tests and the fuzz targets. Not part of either
// program.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "conversion.h"

namespace wavcheck {

// The fields of a 44-byte canonical WAV header.
struct WavInfo {
  bool canonical = false;  // RIFF/WAVE/fmt /data ids, fmt size 16, PCM, 2 ch, 16 bit, align 4
  uint32_t riffSize = 0, rate = 0, byteRate = 0, dataSize = 0;
  uint16_t blockAlign = 0;
  std::vector<uint8_t> data;  // the bytes after the header
};
WavInfo parseWav(const std::vector<uint8_t>& bytes);
// A WAV file whose header sizes match its length exactly.
bool wellFormedWav(const std::vector<uint8_t>& bytes);

// The audio of every whole frame of an image, at each rate.
class ImageAudio {
 public:
  ImageAudio(const uint8_t* image, int64_t frames);
  // What is wrong with the file `name` holding `bytes`, written by a
  // conversion with `options`, or "" when nothing is. A WAV file must be
  // well formed (its chunks filling the RIFF size exactly, "bext" before
  // "fmt " with --bwf only, "cue " and LIST after the data with --keep-time
  // only, and with --bwf an "MD5 " chunk of the data's digest last), 16-bit
  // stereo PCM, named after its rate, and its data whole
  // frames of the image's audio at that rate (no more frames than the image
  // has), with frames of digital silence between them under --keep-time;
  // 32 kHz data only with --convert-32k. A label file ".txt" comes with
  // --keep-time only, one line per break: start, end and text,
  // tab-separated. The CORE document comes with --bwf only, its header row
  // first.
  std::string problem(const std::string& name, const std::vector<uint8_t>& bytes,
                      const ConversionOptions& options = ConversionOptions()) const;

 private:
  std::string labelsProblem(const std::vector<uint8_t>& bytes,
                            const ConversionOptions& options) const;
  int64_t frames;
  std::set<std::string> audio48, audio44, audio32;
};

}  // namespace wavcheck
