// The records beside the image that describe it: the capture's (KOVRANT.json,
// or KOVRANT-N.json where another user's stood in the way) and the merge's
// (KOVRANT-MERGE.json), read once at the start of a conversion for the
// tape's identity and the page. Only a record of this user's that has ended
// and wrote as many frames as the image holds describes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "records.h"

struct NeighbourRecords {
  std::optional<records::Capture> capture;
  std::optional<records::Merge> merge;
  // The tape's identity they give (the merge's first, which wrote the
  // image where both stand), and the name of the record that gives it.
  std::optional<std::string> tape() const;
  std::string tapeRecord() const;
};

// The records beside an image of `frames` frames (-1: no image). A record
// refused unread (larger or deeper than any record: readRecord) is said on
// the console.
NeighbourRecords neighbourRecords(int64_t frames);
