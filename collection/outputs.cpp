#include "outputs.h"

#include <cmath>

#include "collection_messages.h"
#include "console.h"
#include "wall_time.h"

namespace collection {

namespace {

template <typename T>
Json orNull(const std::optional<T>& v) {
  return v ? Json(*v) : Json();
}

// Seconds to the millisecond, as a sum of the records' durations shows them.
double seconds(double s) {
  return std::round(s * 1000) / 1000;
}

Json captureJson(const records::Capture& c) {
  Json counts = c.counts ? Json(c.counts->framesWritten) : Json();
  Json stretches = c.counts ? Json(c.counts->stretches) : Json();
  return {
      {"tape", orNull(c.tape)},       {"started", c.started}, {"arrived", orNull(c.arrived)},
      {"ended", orNull(c.ended)},     {"drive", c.drive},     {"frames", counts},
      {"unreadStretches", stretches}, {"ending", c.ending},   {"exitStatus", orNull(c.exitStatus)}};
}

Json keptJson(const std::vector<KeptCapture>& kept) {
  Json out = Json::array();
  for (const KeptCapture& k : kept) {
    out.push_back({{"image", orNull(k.image)},
                   {"imageFrames", orNull(k.imageFrames)},
                   {"record", orNull(k.record)},
                   {"capture", k.capture ? captureJson(*k.capture) : Json()}});
  }
  return out;
}

Json mergeJson(const records::Merge& m) {
  Json inputs = Json::array();
  for (const records::MergeInput& i : m.inputs) {
    inputs.push_back({{"path", i.path}, {"tape", orNull(i.tape)}});
  }
  const std::optional<records::MergeTotals>& t = m.totals;
  return {{"tape", orNull(m.tape)},
          {"ending", orNull(m.ending)},
          {"exitStatus", orNull(m.exitStatus)},
          {"inputs", inputs},
          {"frames", m.output ? Json(m.output->frames) : Json()},
          {"gaps", t ? Json(t->gaps) : Json()},
          {"gapsFilled", t ? Json(t->gapsFilled) : Json()},
          {"missingFrames", t ? Json(t->missingFrames) : Json()},
          {"disagreements", t ? Json(t->disagreements) : Json()}};
}

// What the conversion's files hold, counted from the files.
Json filesJson(const records::Conversion& c) {
  int64_t frames = 0, empty = 0, longPlay = 0, emphasis = 0, copies = 0, failed = 0;
  double duration = 0;
  for (const records::ConversionFile& f : c.files) {
    bool copy = f.derivedFrom.has_value();
    frames += copy ? 0 : f.frames;
    duration += copy ? 0 : f.duration;
    empty += f.samplePairs == 0 ? 1 : 0;
    longPlay += f.longPlay || f.state.compare(0, 9, "long-play") == 0 ? 1 : 0;
    emphasis += !copy && f.emphasisOn > 0 ? 1 : 0;
    copies += copy ? 1 : 0;
    failed += f.state == "failed" ? 1 : 0;
  }
  return {{"files", c.files.size()},   {"failedFiles", failed},         {"accessCopies", copies},
          {"framesConverted", frames}, {"duration", seconds(duration)}, {"emptyFiles", empty},
          {"longPlayFiles", longPlay}, {"emphasisFiles", emphasis}};
}

Json conversionJson(const records::Conversion& c) {
  Json j = {{"tape", orNull(c.tape)},
            {"started", c.started},
            {"ended", orNull(c.ended)},
            {"ending", orNull(c.ending)},
            {"exitStatus", orNull(c.exitStatus)},
            {"check", c.check},
            {"options", c.options},
            {"imageFrames", c.image && !c.image->failure ? Json(c.image->frames) : Json()}};
  j.update(filesJson(c));
  const std::optional<records::ConversionTotals>& t = c.totals;
  j["gaps"] = t ? Json(t->gaps) : Json();
  j["missingFrames"] = t ? Json(t->missingFrames) : Json();
  j["discontinuities"] = t ? Json(t->discontinuities) : Json();
  j["events"] = t ? Json{{"clip", t->clips},
                         {"hold", t->holds},
                         {"mute", t->mutes},
                         {"interpolation", t->interpolations}}
                  : Json();
  return j;
}

Json verifyJson(const VerifyResult& v) {
  Json problems = Json::array();
  for (const FileProblem& p : v.problems) {
    problems.push_back({{"name", p.name},
                        {"problems", p.problems},
                        {"errno", p.error != 0 ? Json(p.error) : Json()}});
  }
  return {{"files", v.files}, {"bytes", v.bytes}, {"problems", problems}};
}

Json bagJson(const BagResult& b) {
  return {{"state", b.state},
          {"code", b.code.empty() ? Json() : Json(b.code)},
          {"path", b.path.empty() ? Json() : pathJson(b.path)},
          {"file", b.file.empty() ? Json() : Json(b.file)},
          {"errno", b.error != 0 ? Json(b.error) : Json()},
          {"files", b.files},
          {"bytes", b.bytes}};
}

Json notReadJson(const std::vector<RecordNotRead>& list) {
  Json out = Json::array();
  for (const RecordNotRead& r : list) out.push_back({{"name", r.name}, {"why", r.why}});
  return out;
}

Json entryJson(const TapeEntry& e) {
  std::string from = e.tapeRecord();
  return {{"tape", orNull(e.tape())},
          {"tapeRecord", from.empty() ? Json() : Json(from)},
          {"path", pathJson(e.path)},
          {"verdict", e.verdict()},
          {"page", orNull(e.page)},
          {"records", e.recordsRead},
          {"recordsNotRead", notReadJson(e.notRead)},
          {"capture", e.capture ? captureJson(*e.capture) : Json()},
          {"captureRecord", e.capture ? Json(e.captureRecord) : Json()},
          {"keptCaptures", keptJson(e.kept)},
          {"merge", e.merge ? mergeJson(*e.merge) : Json()},
          {"conversion", e.conversion ? conversionJson(*e.conversion) : Json()},
          {"verify", e.verify ? verifyJson(*e.verify) : Json()},
          {"bag", e.bag ? bagJson(*e.bag) : Json()}};
}

}  // namespace

const std::vector<std::string>& verdictCodes() {
  static const std::vector<std::string> kCodes = {"complete", "gaps",    "not-converted",
                                                  "failed",   "changed", "no-records"};
  return kCodes;
}

const char* verdictWord(const std::string& verdict) {
  const char* words[] = {msg::kVerdictComplete, msg::kVerdictGaps,    msg::kVerdictNotConverted,
                         msg::kVerdictFailed,   msg::kVerdictChanged, msg::kVerdictNoRecords};
  for (size_t k = 0; k < verdictCodes().size(); ++k) {
    if (verdict == verdictCodes()[k]) return words[k];
  }
  return "";
}

Json collectionDocument(const std::vector<TapeEntry>& entries, const RunOptions& options) {
  Json tapes = Json::array(), verdicts = Json::object(), identities = Json::array();
  for (const std::string& v : verdictCodes()) verdicts[v] = 0;
  int64_t files = 0, changed = 0;
  for (const TapeEntry& e : entries) {
    tapes.push_back(entryJson(e));
    verdicts[e.verdict()] = verdicts[e.verdict()].get<int64_t>() + 1;
    std::optional<std::string> tape = e.tape();
    if (tape && (identities.empty() || identities.back() != *tape)) identities.push_back(*tape);
    files += e.verify ? e.verify->files : 0;
    changed += e.verify ? static_cast<int64_t>(e.verify->problems.size()) : 0;
  }
  return {{"schema", kSchema},
          {"program", "kovrant-collection"},
          {"version", DAT_VERSION},
          {"made", isoTime(systemClock())},
          {"verify", options.verify},
          {"bag", options.bag ? pathJson(*options.bag) : Json()},
          {"tapes", tapes},
          {"totals",
           {{"directories", entries.size()},
            {"identities", identities.size()},
            {"verdicts", verdicts},
            {"filesVerified", options.verify ? Json(files) : Json()},
            {"filesChanged", options.verify ? Json(changed) : Json()}}}};
}

}  // namespace collection
