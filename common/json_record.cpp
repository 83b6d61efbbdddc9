#include "json_record.h"

#include "console.h"
#include "output_file.h"

namespace {

// `bytes` in base64 (RFC 4648: its alphabet, and padded with "=").
std::string base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t at = 0; at < bytes.size(); at += 3) {
    size_t have = bytes.size() - at < 3 ? bytes.size() - at : 3;
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) {
      uint32_t byte = k < have ? static_cast<unsigned char>(bytes[at + k]) : 0;
      group = group << 8 | byte;
    }
    for (size_t k = 0; k < 4; ++k) out += k <= have ? kDigits[group >> (18 - 6 * k) & 63] : '=';
  }
  return out;
}

}  // namespace

JsonRecord::JsonRecord(const char* name, const char* schema) : target(name), written(name) {
  document["schema"] = schema;
}

std::string jsonText(const Json& value) {
  return value.dump(2, ' ', false, Json::error_handler_t::replace);
}

bool JsonRecord::write() {
  StagedFile file;
  if (!file.writeWhole(target.c_str(), jsonText(document) + "\n")) return false;
  written = file.name();
  target = written;
  if (file.refusal() != 0) refused = file.refusal();
  return true;
}

Json pathJson(const std::string& name) {
  std::string text;
  if (nameAsText(name.c_str(), &text)) return {{"text", text}};
  return {{"bytes", base64(name)}};
}

Json atimeJson(const tapetime::Time& t, const tapetime::Cycle& cycle) {
  return {{"text", tapetime::text(t)}, {"position", tapetime::position(t, cycle)}};
}

Json cycleJson(const tapetime::Cycle& cycle) {
  const char* source = cycle.source == tapetime::Cycle::Tape    ? "tape"
                       : cycle.source == tapetime::Cycle::Mixed ? "mixed"
                                                                : "published";
  return {{"source", source}, {"phase", cycle.phase}};
}
