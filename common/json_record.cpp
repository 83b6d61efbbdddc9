#include "json_record.h"

#include <algorithm>
#include <cstdio>

#include "byte_text.h"
#include "console.h"
#include "output_file.h"
#include "records.h"

JsonRecord::JsonRecord(const char* name, const char* schema) : target(name), written(name) {
  document["schema"] = schema;
}

namespace {

// The deepest nesting of arrays and objects in `text`, brackets inside
// strings passed over; past `limit` the count stops.
int nesting(const std::string& text, int limit) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (size_t k = 0; k < text.size() && deepest <= limit; ++k) {
    char c = text[k];
    if (inString) {
      if (c == '\\') {
        ++k;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

}  // namespace

RecordRead readRecord(const char* name, Json* doc) {
  std::FILE* f = openRegular(name);
  if (f == nullptr) return RecordRead::Missing;
  if (!ownFile(f)) {
    std::fclose(f);
    return RecordRead::NotOurs;
  }
  std::string text;
  char buffer[65536];
  for (size_t n;
       text.size() <= kRecordReadLimit && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
    text.append(buffer, n);
  }
  std::fclose(f);
  if (text.size() > kRecordReadLimit) return RecordRead::TooLarge;
  if (nesting(text, kRecordDepthLimit) > kRecordDepthLimit) return RecordRead::TooDeep;
  Json d = Json::parse(text, nullptr, false);
  if (!d.is_object()) return RecordRead::Malformed;
  *doc = std::move(d);
  return RecordRead::Read;
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
  return {{"bytes", base64Text(reinterpret_cast<const uint8_t*>(name.data()), name.size())}};
}

Json atimeJson(const tapetime::Time& t, const tapetime::Cycle& cycle) {
  return records::atime(t, cycle);
}

Json cycleJson(const tapetime::Cycle& cycle) {
  return records::cycle(cycle);
}
