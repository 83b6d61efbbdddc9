#include "json_record.h"

#include "output_file.h"

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

Json atimeJson(const tapetime::Time& t, const tapetime::Cycle& cycle) {
  return {{"text", tapetime::text(t)}, {"position", tapetime::position(t, cycle)}};
}

Json cycleJson(const tapetime::Cycle& cycle) {
  const char* source = cycle.source == tapetime::Cycle::Tape    ? "tape"
                       : cycle.source == tapetime::Cycle::Mixed ? "mixed"
                                                                : "published";
  return {{"source", source}, {"phase", cycle.phase}};
}
