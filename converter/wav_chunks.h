// RIFF chunks that mark a WAV file beyond its audio: cue points with their
// labels and regions (where the tape failed), the Broadcast WAV description
// (EBU Tech 3285, version 1) and the MD5 of its audio.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A point in the file, in sample pairs from the start of the audio, and
// the length of the region it starts (0: a point only).
struct Marker {
  uint32_t sample;
  std::string text;  // UTF-8
  uint32_t length = 0;
};

// A "cue " chunk with one point per marker, followed by a LIST chunk of type
// "adtl" holding a "labl" text for each point and, after the text of a
// region, its "ltxt" (the length, purpose "rgn ", no text). Nothing without
// markers.
std::vector<uint8_t> cueChunks(const std::vector<Marker>& markers);

struct BextFields {
  std::string description;    // at most 256 bytes are kept
  std::string originator;     // 32
  std::string reference;      // 32
  std::string date;           // "yyyy-mm-dd"
  std::string time;           // "hh:mm:ss"
  uint64_t timeReference;     // sample pairs since the start of the tape
  std::string codingHistory;  // lines ending in CR LF
};

constexpr int kBextVersion = 1;

// The "bext" chunk, version 1.
std::vector<uint8_t> bextChunk(const BextFields& fields);
// The fields as the chunk holds them: each text cut to the size of its field.
BextFields heldInChunk(BextFields fields);

// The "MD5 " chunk: the 16 bytes of the MD5 digest of the data chunk's bytes,
// in their order; kMd5ChunkSize bytes in all.
constexpr uint32_t kMd5ChunkSize = 8 + 16;
std::vector<uint8_t> md5Chunk(const uint8_t digest[16]);
