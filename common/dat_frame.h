// The DAT frame record as the drive delivers it in audio mode, and the
// decodings of its fields. The frame image "KOVRANT.IMG" is a headerless run
// of these records; frame k starts at byte k * kFrameSize.
#pragma once

#include <cstdint>

namespace dat {

constexpr int kFrameSize = 5822;
constexpr int kAudioSize = 5760;
constexpr int kPackCount = 7;
constexpr int kPackSize = 8;

// Byte offsets inside a frame.
constexpr int kPacksAt = 5760;
constexpr int kSubId0At = 5816;
constexpr int kSubId1At = 5817;  // program hundreds digit | pack count
constexpr int kSubId2At = 5818;  // program tens digit | units digit
constexpr int kSubId3At = 5819;  // tested by the converter's end-of-image trim
constexpr int kMainId0At = 5820;  // bits 3-2: sampling-frequency code
constexpr int kMainId1At = 5821;  // bit 3: the capture filter's bit

constexpr char kImageName[] = "KOVRANT.IMG";

struct DatFrame {
  uint8_t audio[kAudioSize];
  uint8_t packs[kPackCount][kPackSize];
  uint8_t subId[4];
  uint8_t mainId[2];

  const uint8_t* bytes() const { return audio; }
  uint8_t* bytes() { return audio; }
};
static_assert(sizeof(DatFrame) == kFrameSize, "DatFrame must be the 5822-byte record");

// Sampling-frequency code: 0 = 48 kHz, 1 = 44.1 kHz, 2 and 3 unsupported.
inline int samplingCode(const uint8_t* frame) { return (frame[kMainId0At] >> 2) & 3; }

struct RateInfo {
  uint32_t rate;           // samples per second
  uint32_t bytesPerFrame;  // audio bytes of one frame that carry samples
  const char* namePart;    // as it appears in output file names
};
// Code 2 and 3 give 32 kHz with no audio bytes: such frames are never converted.
RateInfo rateInfo(int code);

// Program number: three raw 4-bit digits, hundreds in subId[1] bits 7-4, tens
// and units in subId[2].
struct ProgramDigits {
  int hundreds, tens, units;
};
ProgramDigits programDigits(const uint8_t* frame);
// "%01x%01x%01x" of the digits, in a 4-byte buffer.
void programText(const uint8_t* frame, char text[4]);
// False for the texts "0aa", "0bb" and "0ee" (any case): they name no program.
bool namesProgram(const char* text);
// hundreds * 100 + tens * 10 + units, digits taken as raw values 0-15.
int programNumber(const uint8_t* frame);

// Number of valid subcode packs from subId[1] bits 3-0, where 0 means 7.
// Can be 8-15; readers bound it by kPackCount themselves.
int packCount(const uint8_t* frame);
inline const uint8_t* pack(const uint8_t* frame, int k) {
  return frame + kPacksAt + kPackSize * k;
}
inline bool isAtimePack(const uint8_t* p) { return (p[0] >> 4) == 2; }

// The bit that the dumper's capture filter counts (mainId[1] & 0x08), 0 or 1.
inline int filterBit(const uint8_t* frame) { return (frame[kMainId1At] >> 3) & 1; }

}  // namespace dat
