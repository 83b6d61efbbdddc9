#include "json_record.h"

#include <cerrno>
#include <cstdio>

#include "output_file.h"

JsonRecord::JsonRecord(const char* name, const char* schema) : target(name), written(name) {
  document["schema"] = schema;
}

std::string jsonText(const Json& value) {
  return value.dump(2, ' ', false, Json::error_handler_t::replace);
}

bool JsonRecord::write() {
  std::string text = jsonText(document) + "\n";
  StagedFile file;
  errno = 0;
  if (!file.create(target.c_str())) return false;
  if (std::fwrite(text.data(), 1, text.size(), file.stream()) != text.size()) {
    int error = errno != 0 ? errno : EIO;
    file.discard();
    errno = error;
    return false;
  }
  if (!file.commitBesideAnother()) return false;
  written = file.name();
  target = written;
  if (file.refusal() != 0) refused = file.refusal();
  return true;
}

Json atimeJson(const tapetime::Time& t, const tapetime::Cycle& cycle) {
  return {{"text", tapetime::text(t)}, {"position", tapetime::position(t, cycle)}};
}
