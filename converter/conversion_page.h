// SELTHIX.html, the conversion's page (page.h): the record's facts with the
// level of every second of the tape and the capture's own summary.
#pragma once

#include <cstdint>

#include "json_record.h"
#include "tape_time.h"

class ConversionLog;

namespace convpage {
constexpr char kName[] = "SELTHIX.html";
}  // namespace convpage

// The level strip: the peak of each second of tape time (ATIME; a frame
// without one counts on from the last that had one, or from the image's
// start) in whole dBFS, from the 16-bit samples the conversion takes from
// the frames; null for a second without converted audio. One pass over the
// frames: {"start": first second, "peaks": [...]}.
Json levelStrip(const uint8_t* image, int64_t frames, const tapetime::Track& track,
                bool convert32k);

// Writes SELTHIX.html from the finished log's record and summary, the level
// strip (null: none) and KOVRANT.json when it stands in the directory.
void writeConversionPage(const ConversionLog& log, const Json& levels);
