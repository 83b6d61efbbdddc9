#include "frame_view.h"

#include <cstdlib>
#include <cstring>

#include "console.h"
#include "converter_messages.h"
#include "little_endian.h"
#include "long_play.h"

namespace {

struct VoteField {
  int byte;
  uint8_t mask;
};

// Identification fields repaired by the neighbour vote. Bits 1-0 of mainId[1],
// subId[3], the packs and the audio are never repaired.
constexpr VoteField kVoteFields[] = {
    {dat::kMainId0At, 0xC0}, {dat::kMainId0At, 0x30}, {dat::kMainId0At, 0x0C},
    {dat::kMainId0At, 0x03}, {dat::kMainId1At, 0xC0}, {dat::kMainId1At, 0x30},
    {dat::kMainId1At, 0x0C}, {dat::kSubId0At, 0xF0},  {dat::kSubId0At, 0x0F},
    {dat::kSubId1At, 0x0F},  {dat::kSubId1At, 0xF0},  {dat::kSubId2At, 0xF0},
    {dat::kSubId2At, 0x0F},
};

// 32 kHz frames, as --convert-32k reads them: 960 sample pairs from the start
// of the audio field.
constexpr uint32_t kBytesPerFrame32k = 3840;

}  // namespace

const dat::DatFrame* FrameView::get(int64_t i) {
  return repaired(i, true);
}

const dat::DatFrame* FrameView::getIdentification(int64_t i) {
  return repaired(i, false);
}

const dat::DatFrame* FrameView::repaired(int64_t i, bool wholeFrame) {
  if (i < 0 || i >= count) return nullptr;
  uint8_t* v = copy.bytes();
  if (wholeFrame) {
    std::memcpy(v, bytesAt(i), dat::kFrameSize);
  } else {
    std::memcpy(v + dat::kSubId0At, bytesAt(i) + dat::kSubId0At, dat::kFrameSize - dat::kSubId0At);
  }
  if (i == 0 || i == count - 1) return &copy;
  const uint8_t* before = bytesAt(i - 1);
  const uint8_t* after = bytesAt(i + 1);
  for (const VoteField& f : kVoteFields) {
    uint8_t agreed = before[f.byte] & f.mask;
    if (agreed == (after[f.byte] & f.mask)) {
      v[f.byte] = static_cast<uint8_t>((v[f.byte] & ~f.mask) | agreed);
    }
  }
  return &copy;
}

uint32_t convertedBytes(int samplingCode, int quantizationCode, bool convert32k, bool longPlay) {
  uint32_t bytes = dat::rateInfo(samplingCode).bytesPerFrame;
  if (bytes > 0) return bytes;
  // 12-bit frames of a rate not converted: decoded only as long play.
  if (quantizationCode == 1) {
    return longPlay && dat::longPlayCodes(samplingCode, quantizationCode) ? longplay::kBytesPerFrame
                                                                          : 0;
  }
  return convert32k ? kBytesPerFrame32k : 0;
}

double frameLoudness(FrameView* view, int64_t i, bool convert32k, bool longPlay,
                     std::vector<std::string>* said) {
  if (view == nullptr) return 0;
  const dat::DatFrame* frame = view->get(i);
  if (frame == nullptr) return 0;
  int code = dat::samplingCode(*frame), quantization = dat::quantizationCode(*frame);
  uint32_t bytes = convertedBytes(code, quantization, convert32k, longPlay);
  if (bytes == 0 && said != nullptr) said->push_back(msg::kRate32kNotSupported.c_str());
  if (bytes == 0 && said == nullptr) printStdout(msg::kRate32kNotSupported);
  const uint8_t* v = frame->audio;
  uint8_t decoded[longplay::kBytesPerFrame];
  if (bytes == longplay::kBytesPerFrame && dat::longPlayCodes(code, quantization)) {
    longplay::decode(frame->audio, longplay::layouts()[0], decoded);
    v = decoded;
  }
  uint32_t samples = bytes / 2;  // 16-bit samples, both channels
  // At most 3840 * 32768: exact in 32 bits and in a double.
  uint32_t sum = 0;
  for (uint32_t k = 0; k < samples; ++k) {
    int sample = static_cast<int16_t>(readLe16(v + 2 * k));
    sum += static_cast<uint32_t>(std::abs(sample));
  }
  return static_cast<double>(sum);
}
