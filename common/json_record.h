// The record for machines beside a log: a JSON document built during the
// run and written whole at its end, under the logs' rules: created afresh,
// never through a link, another user's file in a shared directory left
// alone (the first free "STEM-1.json", ... instead), staged and renamed into
// place, so that a reader never sees half a document. Its keys are English
// and its values free of the console's language; "schema" names the
// document and its version (doc/schema/).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "tape_time.h"
#include "texts.h"

using Json = nlohmann::ordered_json;

namespace texts {
// A text of the table in a document: as a string, in the language in use.
template <const char* Japanese>
void to_json(Json& j, const Text<Japanese>& t) {
  j = t.text;
}
}  // namespace texts

class JsonRecord {
 public:
  // `name`: "SELTHIX.json"; `schema`: "selthix/1".
  JsonRecord(const char* name, const char* schema);
  Json& doc() { return document; }
  const Json& doc() const { return document; }
  // Writes the document. False, with errno set, when it could not be
  // written (the run carries on). name() tells where it went, refusal() why
  // not under its own name. A later write replaces the document where the
  // first went (a run that records its start and its end).
  bool write();
  const std::string& name() const { return written; }
  int refusal() const { return refused; }

 private:
  std::string target;
  std::string written;
  int refused = 0;
  Json document;
};

// A record beside this run's files that it reads (the capture's beside the
// image): larger ones, or ones nested deeper than any record is, are
// refused unread, so that a damaged or hostile file never costs the run its
// memory (a record is a few hundred kilobytes, nested five deep).
constexpr size_t kRecordReadLimit = 16 << 20;
constexpr int kRecordDepthLimit = 16;
enum class RecordRead { Read, Missing, NotOurs, TooLarge, TooDeep, Malformed };
// Reads the JSON document `name` when it is a regular file of this user's
// (ownFile) within the limits above; `doc` receives it (an object) only
// when the result is Read.
RecordRead readRecord(const char* name, Json* doc);

// A text as a JSON string: bytes that are not UTF-8 become U+FFFD rather
// than failing the document.
std::string jsonText(const Json& value);

// A name from outside (a path given, a device, a file found in the
// directory) as the records give it, so that a script can open what it
// names: {"text": the name} when it is text (nameAsText: on Windows, of the
// ANSI code page), else {"bytes": its bytes in base64}. The names the
// programs make themselves are plain strings.
Json pathJson(const std::string& name);

// A tape time as the records give it: its text ("hh:mm:ss:ff") and its
// frames from the start of the tape under `cycle`.
Json atimeJson(const tapetime::Time& t, const tapetime::Cycle& cycle);
// A track's cycle as the records give it: {"source", "phase"}.
Json cycleJson(const tapetime::Cycle& cycle);
