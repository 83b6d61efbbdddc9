// The MD5 that a WAV file written with --bwf carries in its "MD5 " chunk, and
// the MD5 of its data chunk's bytes, found as the file's bytes stream by
// (in pieces of any size), so that one reading of the file also gives its
// SHA-256.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "md5.h"

class WavMd5 {
 public:
  void feed(const uint8_t* bytes, size_t length);
  // Whether the file had a data chunk, and an "MD5 " chunk of 16 bytes.
  bool hasData() const { return dataSeen; }
  bool hasChunk() const { return chunkSeen; }
  // The MD5 chunk's digest as 32 lower-case hexadecimal digits.
  std::string chunk() const { return Md5::hex(chunkBytes); }
  // The MD5 of the first data chunk's bytes, as far as the file holds them.
  // Ends the computation.
  std::string data() { return digest.hex(); }

 private:
  enum class Step { Riff, ChunkHead, Body, Pad, Done };
  size_t header(const uint8_t* bytes, size_t length, size_t size);
  size_t body(const uint8_t* bytes, size_t length);
  void chunkBegins();

  Step step = Step::Riff;
  uint8_t head[12] = {};
  size_t have = 0;    // of the header being read
  uint64_t left = 0;  // of the chunk's body
  bool odd = false;   // a pad byte follows the body
  bool inData = false, inChunk = false, dataSeen = false, chunkSeen = false;
  uint8_t chunkBytes[16] = {};
  Md5 digest;
};
