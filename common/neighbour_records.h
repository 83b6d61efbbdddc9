// The records beside an image that describe it: the capture's (KOVRANT.json,
// or KOVRANT-N.json where another user's stood in the way; KOVRANT-N.json
// for an earlier capture kept as KOVRANT-N.IMG) and the merge's
// (KOVRANT-MERGE.json). Read for the tape's identity (the conversion, the
// merge, the collection) and the conversion's page. Only a record of this
// user's that has ended and wrote as many frames as the image holds
// describes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "records.h"

struct NeighbourRecords {
  std::optional<records::Capture> capture;
  std::optional<records::Merge> merge;
  std::string captureName, mergeName;  // the records' paths, where read
  // The tape's identity they give (the merge's first, which wrote the
  // image where both stand), and the path of the record that gives it.
  std::optional<std::string> tape() const;
  std::string tapeRecord() const;
};

// The records beside the image `image` (a path) of `frames` frames (-1: no
// image). A record refused unread (larger or deeper than any record:
// readRecord) is said on the console.
NeighbourRecords neighbourRecords(const std::string& image, int64_t frames);

// The frames of the image at `image` as its size tells them; -1 without one.
int64_t imageFrames(const std::string& image);
