// One tape directory of the collection: the records found in it (the
// capture's, the earlier captures kept beside it, the merge's, the
// conversion's), what --verify found of the files they name and what --bag
// made of it, and the verdict they give.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records.h"

namespace collection {

// An earlier capture kept beside the directory's own: KOVRANT-N.IMG with
// KOVRANT-N.json, either of them where only one stands.
struct KeptCapture {
  std::optional<std::string> image, record;  // the names that stand
  std::optional<int64_t> imageFrames;        // the image's whole frames
  std::optional<records::Capture> capture;   // its record, where read
};

// A record that stands in the directory but was not read, and why:
// "not-ours" (another user's), "too-large", "too-deep", "malformed".
struct RecordNotRead {
  std::string name, why;
};

// A file a record names that does not agree with it: the file's name as the
// record gives it and what differs, each of "missing", "unreadable" (with
// the system's errno), "size", "sha256", "no-md5-chunk", "md5-chunk",
// "md5-data", "name" (the record's name is not a plain file name).
struct FileProblem {
  std::string name;
  std::vector<std::string> problems;
  int error = 0;
};
struct VerifyResult {
  int64_t files = 0, bytes = 0;  // the files checked, the bytes read
  std::vector<FileProblem> problems;
};

// What --bag made of the directory: "written"; "refused" (`code`:
// "no-identity", "not-converted", "failed", "changed", or "other" where
// another directory of the tape is bagged, `path` its path); "failed"
// (`code`: "in-the-way", "write-failed", "read-failed", "differs", "name",
// with the file and the system's errno where one is to blame).
struct BagResult {
  std::string state, code;
  std::string path;  // the bag's (or the other directory's)
  std::string file;
  int error = 0;
  int64_t files = 0, bytes = 0;  // the payload
};

struct TapeEntry {
  std::string path;                 // as given
  std::optional<std::string> page;  // SELTHIX.html relative to the current directory
  std::optional<records::Capture> capture;
  std::string captureRecord;  // its name: KOVRANT.json, or KOVRANT-N.json beside another user's
  std::vector<KeptCapture> kept;
  std::optional<records::Merge> merge;
  std::optional<records::Conversion> conversion;
  std::vector<std::string> recordsRead;
  std::vector<RecordNotRead> notRead;
  std::optional<VerifyResult> verify;
  std::optional<BagResult> bag;

  // The identity the records give: the conversion's, else the merge's,
  // else the capture's; and the record that gives it.
  std::optional<std::string> tape() const;
  std::string tapeRecord() const;
  // "complete", "gaps", "not-converted", "failed", "changed", "no-records"
  // (collection.md tells the rules).
  const char* verdict() const;
};

// The records of the directory `path` (as given), and the link to its page
// from the directory `here` (absolute: disk::absolutePath). A record too
// large, too deep or not JSON is said on the console.
TapeEntry readTapeDirectory(const std::string& path, const std::string& here);
// `dir` joined with the name `name` inside it.
std::string inDirectory(const std::string& dir, const std::string& name);
// The entries in the collection's order: by identity, then by path; the
// directories without an identity last, by path.
void sortEntries(std::vector<TapeEntry>* entries);

}  // namespace collection
