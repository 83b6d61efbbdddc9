#include "wav_chunks.h"

#include <algorithm>
#include <cstring>

#include "little_endian.h"

namespace {

// Appends a chunk: id, size, body, and the pad byte of an odd size.
void appendChunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body) {
  uint8_t head[8];
  std::memcpy(head, id, 4);
  writeLe32(head + 4, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), head, head + 8);
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2 != 0) out.push_back(0);
}

void appendLe32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  writeLe32(b, v);
  out.insert(out.end(), b, b + 4);
}

// A fixed-size text field: the bytes, cut or padded with NULs.
void appendField(std::vector<uint8_t>& out, const std::string& text, size_t size) {
  for (size_t k = 0; k < size; ++k) out.push_back(k < text.size() ? text[k] : 0);
}

void appendLe16(std::vector<uint8_t>& out, uint16_t v) {
  uint8_t b[2];
  writeLe16(b, v);
  out.insert(out.end(), b, b + 2);
}

// The sizes of the text fields of "bext" before its time reference.
constexpr size_t kDescriptionSize = 256, kOriginatorSize = 32, kReferenceSize = 32, kDateSize = 10,
                 kTimeSize = 8;

}  // namespace

std::vector<uint8_t> cueChunks(const std::vector<Marker>& markers) {
  std::vector<uint8_t> out;
  if (markers.empty()) return out;
  std::vector<uint8_t> cue;
  appendLe32(cue, static_cast<uint32_t>(markers.size()));
  std::vector<uint8_t> list = {'a', 'd', 't', 'l'};
  for (size_t k = 0; k < markers.size(); ++k) {
    uint32_t id = static_cast<uint32_t>(k + 1);
    appendLe32(cue, id);
    appendLe32(cue, markers[k].sample);  // position in play order
    cue.insert(cue.end(), {'d', 'a', 't', 'a'});
    appendLe32(cue, 0);  // chunk start
    appendLe32(cue, 0);  // block start
    appendLe32(cue, markers[k].sample);
    std::vector<uint8_t> label;
    appendLe32(label, id);
    label.insert(label.end(), markers[k].text.begin(), markers[k].text.end());
    label.push_back(0);
    appendChunk(list, "labl", label);
    if (markers[k].length == 0) continue;
    std::vector<uint8_t> region;
    appendLe32(region, id);
    appendLe32(region, markers[k].length);
    region.insert(region.end(), {'r', 'g', 'n', ' '});
    for (int field = 0; field < 4; ++field) appendLe16(region, 0);  // country .. code page
    appendChunk(list, "ltxt", region);
  }
  appendChunk(out, "cue ", cue);
  appendChunk(out, "LIST", list);
  return out;
}

std::vector<uint8_t> bextChunk(const BextFields& f) {
  std::vector<uint8_t> body;
  appendField(body, f.description, kDescriptionSize);
  appendField(body, f.originator, kOriginatorSize);
  appendField(body, f.reference, kReferenceSize);
  appendField(body, f.date, kDateSize);
  appendField(body, f.time, kTimeSize);
  appendLe32(body, static_cast<uint32_t>(f.timeReference));
  appendLe32(body, static_cast<uint32_t>(f.timeReference >> 32));
  appendLe16(body, kBextVersion);
  appendField(body, "", 64 + 190);  // UMID (none) and the reserved bytes
  body.insert(body.end(), f.codingHistory.begin(), f.codingHistory.end());
  std::vector<uint8_t> out;
  appendChunk(out, "bext", body);
  return out;
}

BextFields heldInChunk(BextFields f) {
  f.description.resize(std::min(f.description.size(), kDescriptionSize));
  f.originator.resize(std::min(f.originator.size(), kOriginatorSize));
  f.reference.resize(std::min(f.reference.size(), kReferenceSize));
  f.date.resize(std::min(f.date.size(), kDateSize));
  f.time.resize(std::min(f.time.size(), kTimeSize));
  return f;
}

std::vector<uint8_t> md5Chunk(const uint8_t digest[16]) {
  std::vector<uint8_t> out;
  appendChunk(out, "MD5 ", std::vector<uint8_t>(digest, digest + 16));
  return out;
}
