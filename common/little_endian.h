// Little-endian fields in byte buffers: WAV headers, the Windows request
// block, the audio samples.
#pragma once

#include <cstdint>

inline uint16_t readLe16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t readLe32(const uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

inline void writeLe16(uint8_t* at, uint32_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

inline void writeLe32(uint8_t* at, uint32_t v) {
  writeLe16(at, v & 0xFFFF);
  writeLe16(at + 2, v >> 16);
}
