#include "records.h"

namespace records {

namespace {

// The value under `key`, or null where `j` is no object or lacks it.
const Json& at(const Json& j, const char* key) {
  static const Json kNone;
  if (!j.is_object()) return kNone;
  auto it = j.find(key);
  return it == j.end() ? kNone : *it;
}

// One value of the type a field has; false (the field left as it was)
// where the document holds another.
bool value(const Json& v, std::string* out) {
  if (!v.is_string()) return false;
  *out = v.get<std::string>();
  return true;
}
bool value(const Json& v, int64_t* out) {
  if (!v.is_number_integer()) return false;
  *out = v.get<int64_t>();
  return true;
}
bool value(const Json& v, int* out) {
  int64_t n = 0;
  if (!value(v, &n) || n < INT32_MIN || n > INT32_MAX) return false;
  *out = static_cast<int>(n);
  return true;
}
bool value(const Json& v, uint32_t* out) {
  int64_t n = 0;
  if (!value(v, &n) || n < 0 || n > UINT32_MAX) return false;
  *out = static_cast<uint32_t>(n);
  return true;
}
bool value(const Json& v, double* out) {
  if (!v.is_number()) return false;
  *out = v.get<double>();
  return true;
}
bool value(const Json& v, bool* out) {
  if (!v.is_boolean()) return false;
  *out = v.get<bool>();
  return true;
}
bool value(const Json& v, Json* out) {
  *out = v;
  return true;
}
// A tape time only where it has both its text and its position.
bool value(const Json& v, Atime* out) {
  if (!v.is_object() || !at(v, "text").is_string() || !at(v, "position").is_number_integer())
    return false;
  from_json(v, *out);
  return true;
}
// A struct of the records: read by its from_json, from an object only.
template <typename T,
          typename = decltype(from_json(std::declval<const Json&>(), std::declval<T&>()))>
bool value(const Json& v, T* out) {
  if (!v.is_object()) return false;
  from_json(v, *out);
  return true;
}
template <typename T>
bool value(const Json& v, std::optional<T>* out) {
  T t{};
  if (!value(v, &t)) return false;
  *out = std::move(t);
  return true;
}
template <typename T>
bool value(const Json& v, std::vector<T>* out) {
  if (!v.is_array()) return false;
  for (const Json& item : v) {
    T t{};
    if (value(item, &t)) out->push_back(std::move(t));
  }
  return true;
}

template <typename T>
void read(const Json& j, const char* key, T* out) {
  value(at(j, key), out);
}

// A value or null.
template <typename T>
Json orNull(const std::optional<T>& v) {
  return v ? Json(*v) : Json();
}

}  // namespace

Atime atime(const tapetime::Time& t, const tapetime::Cycle& cycle) {
  return {tapetime::text(t), tapetime::position(t, cycle)};
}

Cycle cycle(const tapetime::Cycle& c) {
  const char* source = c.source == tapetime::Cycle::Tape    ? "tape"
                       : c.source == tapetime::Cycle::Mixed ? "mixed"
                                                            : "published";
  return {source, c.phase};
}

void to_json(Json& j, const Atime& a) {
  j = {{"text", a.text}, {"position", a.position}};
}
void from_json(const Json& j, Atime& a) {
  read(j, "text", &a.text);
  read(j, "position", &a.position);
}

void to_json(Json& j, const Cycle& c) {
  j = {{"source", c.source}, {"phase", c.phase}};
}
void from_json(const Json& j, Cycle& c) {
  read(j, "source", &c.source);
  read(j, "phase", &c.phase);
}

void to_json(Json& j, const CaptureStretch& s) {
  Json answers = Json::array();
  for (const CaptureAnswer& a : s.answers) {
    answers.push_back(
        {{"status", a.status}, {"sense", a.sense}, {"count", a.count}, {"senses", a.senses}});
  }
  j = {{"imageFrame", s.imageFrame},
       {"reads", s.reads},
       {"before", orNull(s.before)},
       {"after", orNull(s.after)},
       {"answers", answers}};
}
void to_json(Json& j, const CaptureSense& s) {
  j = {
      {"key", orNull(s.key)}, {"asc", orNull(s.asc)}, {"ascq", orNull(s.ascq)}, {"count", s.count}};
}
void from_json(const Json& j, CaptureSense& s) {
  read(j, "key", &s.key);
  read(j, "asc", &s.asc);
  read(j, "ascq", &s.ascq);
  read(j, "count", &s.count);
}
void from_json(const Json& j, CaptureAnswer& a) {
  read(j, "status", &a.status);
  read(j, "sense", &a.sense);
  read(j, "count", &a.count);
  read(j, "senses", &a.senses);
}
void to_json(Json& j, const CaptureSenseCode& c) {
  j = {{"asc", c.asc}, {"ascq", c.ascq}, {"name", orNull(c.name)}};
}
void from_json(const Json& j, CaptureSenseCode& c) {
  read(j, "asc", &c.asc);
  read(j, "ascq", &c.ascq);
  read(j, "name", &c.name);
}
void from_json(const Json& j, CaptureStretch& s) {
  read(j, "imageFrame", &s.imageFrame);
  read(j, "reads", &s.reads);
  read(j, "before", &s.before);
  read(j, "after", &s.after);
  read(j, "answers", &s.answers);
}
void from_json(const Json& j, CaptureCounts& c) {
  read(j, "goodReads", &c.goodReads);
  read(j, "framesWritten", &c.framesWritten);
  read(j, "framesFiltered", &c.framesFiltered);
  read(j, "stretches", &c.stretches);
  read(j, "errorReads", &c.errorReads);
}

void to_json(Json& j, const CaptureKept& k) {
  j = {{"image", k.image},
       {"frames", k.frames},
       {"log", orNull(k.log)},
       {"record", orNull(k.record)}};
}
void from_json(const Json& j, CaptureKept& k) {
  read(j, "image", &k.image);
  read(j, "frames", &k.frames);
  read(j, "log", &k.log);
  read(j, "record", &k.record);
}

void to_json(Json& j, const Capture& c) {
  Json counts;
  if (c.counts) {
    const CaptureCounts& n = *c.counts;
    counts = {{"goodReads", n.goodReads},
              {"framesWritten", n.framesWritten},
              {"framesFiltered", n.framesFiltered},
              {"stretches", n.stretches},
              {"errorReads", n.errorReads}};
  }
  j = {{"schema", c.schema},
       {"program", c.program},
       {"version", c.version},
       {"tape", orNull(c.tape)},
       {"log", orNull(c.log)},
       {"started", c.started},
       {"arrived", orNull(c.arrived)},
       {"ended", orNull(c.ended)},
       {"drive", c.drive},
       {"device", c.device},
       {"image", c.image},
       {"kept", orNull(c.kept)},
       {"cycle", orNull(c.cycle)},
       {"firstAtime", orNull(c.firstAtime)},
       {"lastAtime", orNull(c.lastAtime)},
       {"stretches", c.stretches},
       {"senseCodes", c.senseCodes},
       {"counts", counts},
       {"ending", c.ending},
       {"dataModeRestored", orNull(c.dataModeRestored)},
       {"exitStatus", orNull(c.exitStatus)},
       {"staleTemporariesRemoved", c.staleTemporariesRemoved}};
}

void from_json(const Json& j, Capture& c) {
  for (auto field : {std::make_pair("schema", &c.schema), std::make_pair("program", &c.program),
                     std::make_pair("version", &c.version), std::make_pair("started", &c.started),
                     std::make_pair("drive", &c.drive), std::make_pair("image", &c.image),
                     std::make_pair("ending", &c.ending)}) {
    read(j, field.first, field.second);
  }
  read(j, "tape", &c.tape);
  read(j, "log", &c.log);
  read(j, "arrived", &c.arrived);
  read(j, "ended", &c.ended);
  read(j, "device", &c.device);
  read(j, "kept", &c.kept);
  read(j, "cycle", &c.cycle);
  read(j, "firstAtime", &c.firstAtime);
  read(j, "lastAtime", &c.lastAtime);
  read(j, "stretches", &c.stretches);
  read(j, "senseCodes", &c.senseCodes);
  read(j, "counts", &c.counts);
  read(j, "dataModeRestored", &c.dataModeRestored);
  read(j, "exitStatus", &c.exitStatus);
  read(j, "staleTemporariesRemoved", &c.staleTemporariesRemoved);
}

void to_json(Json& j, const Gap& g) {
  j = {{"sample", g.sample},   {"imageFrame", g.imageFrame},
       {"before", g.before},   {"after", g.after},
       {"missing", g.missing}, {"duration", g.duration},
       {"filled", g.filled},   {"place", g.place}};
}
void from_json(const Json& j, Gap& g) {
  read(j, "sample", &g.sample);
  read(j, "imageFrame", &g.imageFrame);
  read(j, "before", &g.before);
  read(j, "after", &g.after);
  read(j, "missing", &g.missing);
  read(j, "duration", &g.duration);
  read(j, "filled", &g.filled);
  read(j, "place", &g.place);
}
void to_json(Json& j, const Discontinuity& d) {
  j = {
      {"sample", d.sample}, {"imageFrame", d.imageFrame}, {"before", d.before}, {"after", d.after}};
}
void from_json(const Json& j, Discontinuity& d) {
  read(j, "sample", &d.sample);
  read(j, "imageFrame", &d.imageFrame);
  read(j, "before", &d.before);
  read(j, "after", &d.after);
}
void to_json(Json& j, const LongPlay& l) {
  j = {{"layout", orNull(l.layout)},
       {"margin", l.margin},
       {"roughness", l.roughness},
       {"atimePerFrame", l.atimePerFrame}};
}
void from_json(const Json& j, LongPlay& l) {
  read(j, "layout", &l.layout);
  read(j, "margin", &l.margin);
  read(j, "roughness", &l.roughness);
  read(j, "atimePerFrame", &l.atimePerFrame);
}
void to_json(Json& j, const Failure& f) {
  j = {{"reason", f.reason}, {"errno", orNull(f.error)}};
}
void from_json(const Json& j, Failure& f) {
  read(j, "reason", &f.reason);
  read(j, "errno", &f.error);
}
void to_json(Json& j, const ConversionImage& i) {
  if (i.failure) {
    j = {{"name", i.name}, {"failure", *i.failure}};
    return;
  }
  j = {{"name", i.name},
       {"frames", i.frames},
       {"framesWithAtime", i.framesWithAtime},
       {"badAtimePacks", i.badAtimePacks},
       {"cycle", orNull(i.cycle)},
       {"gapAccuracyFrames", orNull(i.gapAccuracyFrames)}};
}
void from_json(const Json& j, ConversionImage& i) {
  read(j, "name", &i.name);
  read(j, "failure", &i.failure);
  read(j, "frames", &i.frames);
  read(j, "framesWithAtime", &i.framesWithAtime);
  read(j, "badAtimePacks", &i.badAtimePacks);
  read(j, "cycle", &i.cycle);
  read(j, "gapAccuracyFrames", &i.gapAccuracyFrames);
}
void to_json(Json& j, const WrittenFile& w) {
  j = {
      {"name", w.name}, {"bytes", w.bytes}, {"modified", w.modified}, {"sha256", orNull(w.sha256)}};
}
void from_json(const Json& j, WrittenFile& w) {
  read(j, "name", &w.name);
  read(j, "bytes", &w.bytes);
  read(j, "modified", &w.modified);
  read(j, "sha256", &w.sha256);
}

void to_json(Json& j, const ConversionTotals& t) {
  j = {{"files", t.files},
       {"written", t.written},
       {"failed", t.failed},
       {"cut4GiB", t.cut4GiB},
       {"gaps", t.gaps},
       {"missingFrames", t.missingFrames},
       {"discontinuities", t.discontinuities},
       {"events",
        {{"clip", t.clips},
         {"hold", t.holds},
         {"mute", t.mutes},
         {"interpolation", t.interpolations}}}};
}
void from_json(const Json& j, ConversionTotals& t) {
  for (auto field :
       {std::make_pair("files", &t.files), std::make_pair("written", &t.written),
        std::make_pair("failed", &t.failed), std::make_pair("cut4GiB", &t.cut4GiB),
        std::make_pair("gaps", &t.gaps), std::make_pair("missingFrames", &t.missingFrames),
        std::make_pair("discontinuities", &t.discontinuities)}) {
    read(j, field.first, field.second);
  }
  const Json& events = at(j, "events");
  for (auto field :
       {std::make_pair("clip", &t.clips), std::make_pair("hold", &t.holds),
        std::make_pair("mute", &t.mutes), std::make_pair("interpolation", &t.interpolations)}) {
    read(events, field.first, field.second);
  }
}

void to_json(Json& j, const ConversionFile& f) {
  j = {{"name", f.name},
       {"rate", f.rate},
       {"frames", f.frames},
       {"firstFrame", orNull(f.firstFrame)},
       {"lastFrame", orNull(f.lastFrame)},
       {"samplePairs", f.samplePairs},
       {"duration", f.duration},
       {"firstAtime", orNull(f.firstAtime)},
       {"lastAtime", orNull(f.lastAtime)},
       {"emphasis", {{"on", f.emphasisOn}, {"off", f.emphasisOff}}},
       {"gaps", f.gaps},
       {"discontinuities", f.discontinuities},
       {"cutFrames", f.cutFrames},
       {"trimFrames", f.trimFrames},
       {"framesPast4GiB", f.framesPast4GiB},
       {"sha256", orNull(f.sha256)},
       {"sha256Errno", orNull(f.sha256Errno)},
       {"md5", orNull(f.md5)},
       {"longPlay", orNull(f.longPlay)},
       {"derivedFrom", orNull(f.derivedFrom)},
       {"state", f.state},
       {"stateIfConverted", orNull(f.stateIfConverted)},
       {"failure", orNull(f.failure)},
       {"qc", f.qc}};
}

void from_json(const Json& j, ConversionFile& f) {
  read(j, "name", &f.name);
  read(j, "rate", &f.rate);
  read(j, "frames", &f.frames);
  read(j, "firstFrame", &f.firstFrame);
  read(j, "lastFrame", &f.lastFrame);
  read(j, "samplePairs", &f.samplePairs);
  read(j, "duration", &f.duration);
  read(j, "firstAtime", &f.firstAtime);
  read(j, "lastAtime", &f.lastAtime);
  read(at(j, "emphasis"), "on", &f.emphasisOn);
  read(at(j, "emphasis"), "off", &f.emphasisOff);
  read(j, "gaps", &f.gaps);
  read(j, "discontinuities", &f.discontinuities);
  read(j, "cutFrames", &f.cutFrames);
  read(j, "trimFrames", &f.trimFrames);
  read(j, "framesPast4GiB", &f.framesPast4GiB);
  read(j, "sha256", &f.sha256);
  read(j, "sha256Errno", &f.sha256Errno);
  read(j, "md5", &f.md5);
  read(j, "longPlay", &f.longPlay);
  read(j, "derivedFrom", &f.derivedFrom);
  read(j, "state", &f.state);
  read(j, "stateIfConverted", &f.stateIfConverted);
  read(j, "failure", &f.failure);
  read(j, "qc", &f.qc);
}

void to_json(Json& j, const QcEvent& e) {
  j = {{"kind", e.kind},
       {"sample", e.sample},
       {"length", e.length},
       {"channel", orNull(e.channel)},
       {"atime", orNull(e.atime)}};
}
void from_json(const Json& j, QcEvent& e) {
  read(j, "kind", &e.kind);
  read(j, "sample", &e.sample);
  read(j, "length", &e.length);
  read(j, "channel", &e.channel);
  read(j, "atime", &e.atime);
}

void to_json(Json& j, const Qc& q) {
  auto pair = [](const std::optional<double>* v) { return Json{orNull(v[0]), orNull(v[1])}; };
  j = {{"peakDb", pair(q.peakDb)},
       {"rmsDb", pair(q.rmsDb)},
       {"dcOffset", pair(q.dcOffset)},
       {"events", q.events}};
}
void from_json(const Json& j, Qc& q) {
  for (int c = 0; c < 2; ++c) {
    value(at(j, "peakDb").is_array() && at(j, "peakDb").size() == 2 ? at(j, "peakDb")[c] : Json(),
          &q.peakDb[c]);
    value(at(j, "rmsDb").is_array() && at(j, "rmsDb").size() == 2 ? at(j, "rmsDb")[c] : Json(),
          &q.rmsDb[c]);
    value(at(j, "dcOffset").is_array() && at(j, "dcOffset").size() == 2 ? at(j, "dcOffset")[c]
                                                                        : Json(),
          &q.dcOffset[c]);
  }
  read(j, "events", &q.events);
}

void to_json(Json& j, const ConversionOptions& o) {
  j = {{"keepTime", o.keepTime},
       {"bwf", o.bwf},
       {"convert32k", o.convert32k},
       {"longPlay", o.longPlay},
       {"deEmphasis", o.deEmphasis}};
}

void from_json(const Json& j, ConversionOptions& o) {
  read(j, "keepTime", &o.keepTime);
  read(j, "bwf", &o.bwf);
  read(j, "convert32k", &o.convert32k);
  read(j, "longPlay", &o.longPlay);
  read(j, "deEmphasis", &o.deEmphasis);
}

void to_json(Json& j, const Conversion& c) {
  j = {{"schema", c.schema},
       {"program", c.program},
       {"version", c.version},
       {"tape", orNull(c.tape)},
       {"check", c.check},
       {"options", c.options},
       {"started", c.started},
       {"ended", orNull(c.ended)},
       {"log", orNull(c.log)},
       {"image", orNull(c.image)},
       {"staleTemporariesRemoved", c.staleTemporariesRemoved},
       {"files", c.files},
       {"written", c.written},
       {"earlierFiles", {{"removed", c.earlier.removed}, {"stale", c.earlier.stale}}},
       {"totals", orNull(c.totals)},
       {"exitStatus", orNull(c.exitStatus)},
       {"ending", orNull(c.ending)}};
}

void from_json(const Json& j, Conversion& c) {
  read(j, "schema", &c.schema);
  read(j, "program", &c.program);
  read(j, "version", &c.version);
  read(j, "tape", &c.tape);
  read(j, "check", &c.check);
  from_json(at(j, "options"), c.options);
  read(j, "started", &c.started);
  read(j, "ended", &c.ended);
  read(j, "log", &c.log);
  read(j, "image", &c.image);
  read(j, "staleTemporariesRemoved", &c.staleTemporariesRemoved);
  read(j, "files", &c.files);
  read(j, "written", &c.written);
  read(at(j, "earlierFiles"), "removed", &c.earlier.removed);
  read(at(j, "earlierFiles"), "stale", &c.earlier.stale);
  read(j, "totals", &c.totals);
  read(j, "exitStatus", &c.exitStatus);
  read(j, "ending", &c.ending);
}

void to_json(Json& j, const Share& s) {
  j = {{"shared", s.shared}, {"differing", s.differing}};
}
void from_json(const Json& j, Share& s) {
  read(j, "shared", &s.shared);
  read(j, "differing", &s.differing);
}

void to_json(Json& j, const MergeInput& i) {
  j = {{"number", i.number},
       {"path", i.path},
       {"tape", orNull(i.tape)},
       {"frames", i.frames},
       {"firstAtime", i.firstAtime},
       {"lastAtime", i.lastAtime},
       {"badAtimePacks", i.badAtimePacks},
       {"repeats", i.repeats},
       {"forced", orNull(i.forced)},
       {"framesTaken", i.framesTaken}};
}
void from_json(const Json& j, MergeInput& i) {
  read(j, "number", &i.number);
  read(j, "path", &i.path);
  read(j, "tape", &i.tape);
  read(j, "frames", &i.frames);
  read(j, "firstAtime", &i.firstAtime);
  read(j, "lastAtime", &i.lastAtime);
  read(j, "badAtimePacks", &i.badAtimePacks);
  read(j, "repeats", &i.repeats);
  read(j, "forced", &i.forced);
  read(j, "framesTaken", &i.framesTaken);
}

void to_json(Json& j, const MergeRefusal& r) {
  j = {{"code", r.code}, {"input", r.input}, {"reason", orNull(r.reason)}};
  if (r.from) j["from"] = *r.from;
  if (r.to) j["to"] = *r.to;
  if (r.share) j["shared"] = r.share->shared, j["differing"] = r.share->differing;
  if (r.tape || r.baseTape) j["tape"] = orNull(r.tape), j["baseTape"] = orNull(r.baseTape);
}
void from_json(const Json& j, MergeRefusal& r) {
  read(j, "code", &r.code);
  read(j, "input", &r.input);
  read(j, "reason", &r.reason);
  read(j, "from", &r.from);
  read(j, "to", &r.to);
  if (at(j, "shared").is_number_integer()) r.share = Share(), from_json(j, *r.share);
  read(j, "tape", &r.tape);
  read(j, "baseTape", &r.baseTape);
}

void to_json(Json& j, const MergeGap& g) {
  j = {{"before", g.before}, {"after", g.after},   {"missing", g.missing},
       {"filled", g.filled}, {"inputs", g.inputs}, {"left", g.left}};
}
void from_json(const Json& j, MergeGap& g) {
  read(j, "before", &g.before);
  read(j, "after", &g.after);
  read(j, "missing", &g.missing);
  read(j, "filled", &g.filled);
  read(j, "inputs", &g.inputs);
  read(j, "left", &g.left);
}

void to_json(Json& j, const MergeDisagreement& d) {
  j = {{"atime", d.atime}, {"kept", d.kept}, {"differs", d.differs}};
}
void from_json(const Json& j, MergeDisagreement& d) {
  read(j, "atime", &d.atime);
  read(j, "kept", &d.kept);
  read(j, "differs", &d.differs);
}

void to_json(Json& j, const MergeAdded& a) {
  j = {{"frames", a.frames}, {"inputs", a.inputs}};
}
void from_json(const Json& j, MergeAdded& a) {
  read(j, "frames", &a.frames);
  read(j, "inputs", &a.inputs);
}

void to_json(Json& j, const MergeOutput& o) {
  j = {{"name", o.name},
       {"frames", o.frames},
       {"fromBase", o.fromBase},
       {"filled", o.filled},
       {"added", o.added}};
}
void from_json(const Json& j, MergeOutput& o) {
  read(j, "name", &o.name);
  read(j, "frames", &o.frames);
  read(j, "fromBase", &o.fromBase);
  read(j, "filled", &o.filled);
  read(j, "added", &o.added);
}

void to_json(Json& j, const MergeTotals& t) {
  j = {{"gaps", t.gaps},
       {"gapsFilled", t.gapsFilled},
       {"missingFrames", t.missingFrames},
       {"disagreements", t.disagreements}};
}
void from_json(const Json& j, MergeTotals& t) {
  read(j, "gaps", &t.gaps);
  read(j, "gapsFilled", &t.gapsFilled);
  read(j, "missingFrames", &t.missingFrames);
  read(j, "disagreements", &t.disagreements);
}

void to_json(Json& j, const Merge& m) {
  j = {{"schema", m.schema},
       {"program", m.program},
       {"version", m.version},
       {"tape", orNull(m.tape)},
       {"log", orNull(m.log)},
       {"started", m.started},
       {"ended", orNull(m.ended)},
       {"options", {{"force", m.force}}},
       {"interruptsCaught", m.interruptsCaught},
       {"staleTemporariesRemoved", m.staleTemporariesRemoved},
       {"inputs", m.inputs},
       {"refusals", m.refusals},
       {"gaps", m.gaps},
       {"disagreements", m.disagreements},
       {"addedBefore", m.addedBefore},
       {"addedAfter", m.addedAfter},
       {"output", orNull(m.output)},
       {"totals", orNull(m.totals)},
       {"ending", orNull(m.ending)},
       {"exitStatus", orNull(m.exitStatus)}};
}

void from_json(const Json& j, Merge& m) {
  read(j, "schema", &m.schema);
  read(j, "program", &m.program);
  read(j, "version", &m.version);
  read(j, "tape", &m.tape);
  read(j, "log", &m.log);
  read(j, "started", &m.started);
  read(j, "ended", &m.ended);
  read(at(j, "options"), "force", &m.force);
  read(j, "interruptsCaught", &m.interruptsCaught);
  read(j, "staleTemporariesRemoved", &m.staleTemporariesRemoved);
  read(j, "inputs", &m.inputs);
  read(j, "refusals", &m.refusals);
  read(j, "gaps", &m.gaps);
  read(j, "disagreements", &m.disagreements);
  read(j, "addedBefore", &m.addedBefore);
  read(j, "addedAfter", &m.addedAfter);
  read(j, "output", &m.output);
  read(j, "totals", &m.totals);
  read(j, "ending", &m.ending);
  read(j, "exitStatus", &m.exitStatus);
}

}  // namespace records
