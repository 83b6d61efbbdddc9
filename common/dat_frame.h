// The DAT frame record as the drive delivers it in audio mode, and the
// decodings of its fields. The frame image "KOVRANT.IMG" is a headerless run
// of these records; frame k starts at byte k * kFrameSize.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dat {

constexpr int kAudioSize = 5760;
constexpr int kPackCount = 7;
constexpr int kPackSize = 8;

// One frame record, field by field. Every byte offset below is derived from
// it; byte-level code (the image, the frame view's vote) uses those.
struct DatFrame {
  uint8_t audio[kAudioSize];
  uint8_t packs[kPackCount][kPackSize];
  uint8_t subId[4];   // [1]: program hundreds digit | pack count; [2]: tens | units
  uint8_t mainId[2];  // [0] bits 3-2: sampling-frequency code; [1] bit 3: the capture filter's bit

  const uint8_t* bytes() const { return audio; }
  uint8_t* bytes() { return audio; }
};

constexpr int kFrameSize = sizeof(DatFrame);
constexpr int kPacksAt = offsetof(DatFrame, packs);
constexpr int kSubId0At = offsetof(DatFrame, subId);
constexpr int kSubId1At = kSubId0At + 1;
constexpr int kSubId2At = kSubId0At + 2;
constexpr int kSubId3At = kSubId0At + 3;  // tested by the converter's end-of-image trim
constexpr int kMainId0At = offsetof(DatFrame, mainId);
constexpr int kMainId1At = kMainId0At + 1;
static_assert(kFrameSize == 5822 && alignof(DatFrame) == 1, "the 5822-byte record, any address");
static_assert(kPacksAt == 5760 && kSubId0At == 5816 && kMainId0At == 5820, "the record's layout");

constexpr char kImageName[] = "KOVRANT.IMG";
// The capture's log and its record, beside the image.
constexpr char kCaptureLogName[] = "KOVRANT.LOG";
constexpr char kCaptureRecordName[] = "KOVRANT.json";
// The merge's record beside the image it wrote (kovrant-merge).
constexpr char kMergeRecordName[] = "KOVRANT-MERGE.json";

// The frame record at `bytes` (a frame of the image, a frame buffer).
inline const DatFrame& frameAt(const uint8_t* bytes) {
  return *reinterpret_cast<const DatFrame*>(bytes);
}

// Sampling-frequency code: 0 = 48 kHz, 1 = 44.1 kHz, 2 and 3 unsupported.
inline int samplingCode(const DatFrame& f) {
  return (f.mainId[0] >> 2) & 3;
}

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
ProgramDigits programDigits(const DatFrame& f);
// "%01x%01x%01x" of the digits, in a 4-byte buffer.
void programText(const DatFrame& f, char text[4]);
// False for the texts "0aa", "0bb" and "0ee" (any case): they name no program.
bool namesProgram(const char* text);
// hundreds * 100 + tens * 10 + units, digits taken as raw values 0-15.
int programNumber(const DatFrame& f);

// Number of valid subcode packs from subId[1] bits 3-0, where 0 means 7.
// Can be 8-15; packsInUse() bounds it by the packs there are.
int packCount(const DatFrame& f);
// The packs a reader looks at: the first packCount, never beyond pack 6.
int packsInUse(const DatFrame& f);
inline bool isAtimePack(const uint8_t* p) {
  return (p[0] >> 4) == 2;
}

// The ATIME pack that the dumper's display shows last for this frame: the
// last ATIME pack among the first packCount packs, never beyond pack 6;
// null when there is none.
const uint8_t* lastAtimePack(const DatFrame& f);
// The fields of an ATIME pack as the dumper's display shows them, digit by
// digit: hours, minutes, seconds, frame.
#define DAT_ATIME_FIELDS "%01x%01x:%01x%01x:%01d%01x:%01x%01x"

// Emphasis, mainId[0] bits 5-4: 0 none, 1 pre-emphasis 50/15 us.
inline int emphasisCode(const DatFrame& f) {
  return (f.mainId[0] >> 4) & 3;
}
// Channels, mainId[0] bits 1-0: 0 two channels, 1 four (long play only).
inline int channelsCode(const DatFrame& f) {
  return f.mainId[0] & 3;
}
// Quantization, mainId[1] bits 7-6: 0 16-bit linear, 1 12-bit non-linear
// (long play).
inline int quantizationCode(const DatFrame& f) {
  return (f.mainId[1] >> 6) & 3;
}
// Long play: frames that say 32 kHz (sampling code 2) and 12-bit
// (quantization code 1). A 48 or 44.1 kHz frame whose quantization code
// reads 1 holds 16-bit audio all the same: the code is a damaged bit.
inline bool longPlayCodes(int samplingCode, int quantizationCode) {
  return samplingCode == 2 && quantizationCode == 1;
}

// The bit that the dumper's capture filter counts (mainId[1] & 0x08), 0 or 1.
inline int filterBit(const DatFrame& f) {
  return (f.mainId[1] >> 3) & 1;
}

}  // namespace dat
