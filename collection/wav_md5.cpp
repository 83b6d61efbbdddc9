#include "wav_md5.h"

#include <algorithm>
#include <cstring>

#include "little_endian.h"

void WavMd5::feed(const uint8_t* bytes, size_t length) {
  while (length > 0 && step != Step::Done) {
    size_t used = 0;
    if (step == Step::Riff) {
      used = header(bytes, length, 12);
      if (have == 12) {
        bool wav = std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
        step = wav ? Step::ChunkHead : Step::Done;
        have = 0;
      }
    } else if (step == Step::ChunkHead) {
      used = header(bytes, length, 8);
      if (have == 8) chunkBegins();
    } else if (step == Step::Body) {
      used = body(bytes, length);
    } else {
      used = 1;  // the pad byte after a body of odd length
      step = Step::ChunkHead;
    }
    bytes += used;
    length -= used;
  }
}

size_t WavMd5::header(const uint8_t* bytes, size_t length, size_t size) {
  size_t take = std::min(size - have, length);
  std::memcpy(head + have, bytes, take);
  have += take;
  return take;
}

void WavMd5::chunkBegins() {
  have = 0;
  left = readLe32(head + 4);
  odd = (left & 1) != 0;
  inData = std::memcmp(head, "data", 4) == 0 && !dataSeen;
  inChunk = std::memcmp(head, "MD5 ", 4) == 0 && left == sizeof chunkBytes && !chunkSeen;
  dataSeen = dataSeen || inData;
  step = Step::Body;
  if (left == 0) step = Step::ChunkHead;
}

size_t WavMd5::body(const uint8_t* bytes, size_t length) {
  size_t take = static_cast<size_t>(std::min<uint64_t>(left, length));
  if (inData) digest.update(bytes, take);
  if (inChunk) std::memcpy(chunkBytes + (sizeof chunkBytes - left), bytes, take);
  left -= take;
  if (left == 0) {
    chunkSeen = chunkSeen || inChunk;
    inData = inChunk = false;
    step = odd ? Step::Pad : Step::ChunkHead;
  }
  return take;
}
