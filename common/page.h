// The tape at a glance: a page (HTML) beside the logs, for a person rather
// than a script. One self-contained file (its style, drawing and script
// inline, nothing fetched, readable from file://) that draws the tape by its
// time from the same document as the run's record for machines, embedded in
// it as data; its labels are the table of texts' (texts.h), in the
// console's language. Written under the logs' rules: created afresh, never
// through a link, staged and renamed, another user's page left alone.
#pragma once

#include <string>

#include "json_record.h"

namespace page {

// `data` as JSON to embed in a page's script element, which no text inside
// it can end ("<", ">" and "&" written "\u003c", "\u003e" and "\u0026",
// U+2028 and U+2029 escaped). The collection's page embeds its data so too.
std::string scriptJson(const Json& data);
// The page's whole text: the template with `data` embedded (scriptJson).
std::string text(const Json& data);
// The labels both pages show, in the language in use, by the names their
// script reads.
Json labels();
// A page of the run, written once or more (a conversion's at its start and
// at its end): each write replaces the last where it went, also under
// another name than its own.
class PageFile {
 public:
  explicit PageFile(const char* name) : own(name), target(name) {}
  // Writes the page holding `data` (its "kind": "conversion" or "merge"),
  // with its own labels (`labels`, by the names its script reads), the
  // shared ones (and the merge's legend) and the language added. A page
  // that cannot be written, or went under another name, is said on the
  // console (unless `say` is false); the run carries on either way.
  void write(Json data, const Json& labels, bool say = true);

 private:
  std::string own;     // its own name
  std::string target;  // where it went
  int refused = 0;     // why not under its own name
};

}  // namespace page
