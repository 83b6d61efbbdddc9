// COLLECTION.csv: the document's facts, one row per tape directory.
#include <initializer_list>
#include <string>

#include "outputs.h"

namespace collection {

namespace {

// The value under the keys in turn; null where one is missing.
const Json& at(const Json& j, std::initializer_list<const char*> keys) {
  static const Json kNone;
  const Json* v = &j;
  for (const char* key : keys) {
    if (!v->is_object() || !v->contains(key)) return kNone;
    v = &(*v)[key];
  }
  return *v;
}

// A name from outside as text ({"text": ...}), or its bytes' base64 after
// "base64:" ({"bytes": ...}).
std::string nameText(const Json& name) {
  if (at(name, {"text"}).is_string()) return name["text"].get<std::string>();
  if (at(name, {"bytes"}).is_string()) return "base64:" + name["bytes"].get<std::string>();
  return "";
}

std::string cellText(const Json& v) {
  if (v.is_null()) return "";
  if (v.is_string()) return v.get<std::string>();
  return v.dump();
}

// A field as RFC 4180 writes it: in quotes, its quotes doubled, where it
// holds a comma, a quote or a line end.
std::string field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string joined(const Json& list, std::string (*item)(const Json&)) {
  std::string out;
  for (const Json& v : list.is_array() ? list : Json::array()) {
    out += (out.empty() ? "" : "; ") + item(v);
  }
  return out;
}

std::string inputPath(const Json& input) {
  return nameText(at(input, {"path"}));
}
std::string problemName(const Json& problem) {
  return cellText(at(problem, {"name"}));
}

std::string optionsText(const Json& options) {
  std::string out;
  if (!options.is_object()) return out;
  for (auto& o : options.items()) {
    if (o.value().is_boolean() && o.value().get<bool>()) out += (out.empty() ? "" : " ") + o.key();
  }
  return out;
}

const char* const kHeader[] = {"tape",
                               "path",
                               "verdict",
                               "captureStarted",
                               "captureEnded",
                               "drive",
                               "framesRead",
                               "unreadStretches",
                               "captureEnding",
                               "keptCaptures",
                               "mergeInputs",
                               "mergeMissingFrames",
                               "conversionEnding",
                               "conversionExitStatus",
                               "options",
                               "files",
                               "duration",
                               "gaps",
                               "missingFrames",
                               "discontinuities",
                               "emptyFiles",
                               "longPlayFiles",
                               "emphasisFiles",
                               "clips",
                               "holds",
                               "mutes",
                               "interpolations",
                               "verifiedFiles",
                               "changedFiles",
                               "changed",
                               "bag",
                               "bagPath",
                               "page"};

std::vector<std::string> row(const Json& t) {
  const Json &c = at(t, {"capture"}), &v = at(t, {"conversion"}), &e = at(v, {"events"});
  const Json& problems = at(t, {"verify", "problems"});
  return {cellText(t["tape"]),
          nameText(t["path"]),
          cellText(t["verdict"]),
          cellText(at(c, {"started"})),
          cellText(at(c, {"ended"})),
          cellText(at(c, {"drive"})),
          cellText(at(c, {"frames"})),
          cellText(at(c, {"unreadStretches"})),
          cellText(at(c, {"ending"})),
          std::to_string(at(t, {"keptCaptures"}).size()),
          joined(at(t, {"merge", "inputs"}), inputPath),
          cellText(at(t, {"merge", "missingFrames"})),
          cellText(at(v, {"ending"})),
          cellText(at(v, {"exitStatus"})),
          optionsText(at(v, {"options"})),
          cellText(at(v, {"files"})),
          cellText(at(v, {"duration"})),
          cellText(at(v, {"gaps"})),
          cellText(at(v, {"missingFrames"})),
          cellText(at(v, {"discontinuities"})),
          cellText(at(v, {"emptyFiles"})),
          cellText(at(v, {"longPlayFiles"})),
          cellText(at(v, {"emphasisFiles"})),
          cellText(at(e, {"clip"})),
          cellText(at(e, {"hold"})),
          cellText(at(e, {"mute"})),
          cellText(at(e, {"interpolation"})),
          cellText(at(t, {"verify", "files"})),
          problems.is_array() ? std::to_string(problems.size()) : "",
          joined(problems, problemName),
          cellText(at(t, {"bag", "state"})),
          nameText(at(t, {"bag", "path"})),
          cellText(at(t, {"page"}))};
}

void line(std::string* out, const std::vector<std::string>& cells) {
  for (size_t k = 0; k < cells.size(); ++k) *out += (k > 0 ? "," : "") + field(cells[k]);
  *out += "\r\n";
}

}  // namespace

std::string csvText(const Json& document) {
  std::string out;
  line(&out, std::vector<std::string>(std::begin(kHeader), std::end(kHeader)));
  for (const Json& t : at(document, {"tapes"})) line(&out, row(t));
  return out;
}

}  // namespace collection
