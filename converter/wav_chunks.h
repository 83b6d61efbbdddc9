// RIFF chunks that mark a WAV file beyond its audio: cue points with their
// labels (where the tape failed), and the Broadcast WAV description (EBU
// Tech 3285, version 1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A point in the file, in sample pairs from the start of the audio.
struct Marker {
  uint32_t sample;
  std::string text;  // UTF-8
};

// A "cue " chunk with one point per marker, followed by a LIST chunk of type
// "adtl" holding a "labl" text for each point. Nothing without markers.
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

// The "bext" chunk, version 1.
std::vector<uint8_t> bextChunk(const BextFields& fields);
