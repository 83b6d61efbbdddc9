// The collection's three files, all from one document: COLLECTION.json
// (schema "kovrant-collection/1", doc/schema/collection.schema.json),
// COLLECTION.csv (one row per tape directory, from the document's facts) and
// COLLECTION.html (the document embedded, drawn by the page's script).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "json_record.h"
#include "tape_entry.h"

namespace collection {

constexpr char kSchema[] = "kovrant-collection/1";

// How the run was asked for: --verify, --bag DIR (as given).
struct RunOptions {
  bool verify = false;
  std::optional<std::string> bag;
};

// The document: the run, each entry in its order, the totals.
Json collectionDocument(const std::vector<TapeEntry>& entries, const RunOptions& options);
// The CSV (RFC 4180: a header row, a row per entry, CR LF, UTF-8).
std::string csvText(const Json& document);
// The page's whole text: the document and the labels in the language in use.
std::string pageText(const Json& document);
// Every verdict (TapeEntry::verdict) in the order the totals give them.
const std::vector<std::string>& verdictCodes();
// The verdict in the language in use.
const char* verdictWord(const std::string& verdict);

}  // namespace collection
