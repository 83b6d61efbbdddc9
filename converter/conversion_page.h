// SELTHIX.html, the conversion's page (page.h): the record's facts with the
// level of every second of the tape and the capture's own summary.
#pragma once

#include <cstdint>
#include <vector>

#include "json_record.h"
#include "neighbour_records.h"
#include "page.h"
#include "tape_time.h"

class ConversionLog;

namespace convpage {
constexpr char kName[] = "SELTHIX.html";
}  // namespace convpage

// The peak of each frame's 16-bit samples, those the conversion takes from
// it (0 to 32768); -1 for a frame without such audio. One pass over the
// frames' audio.
std::vector<int32_t> framePeaks(const uint8_t* image, int64_t frames, bool convert32k);

// The level strip: the peak of each second of tape time (ATIME; a frame
// without one counts on from the last that had one, or from the image's
// start) in whole dBFS, from the frames' peaks; null for a second without
// converted audio: {"start": first second, "peaks": [...]}.
Json levelStrip(const std::vector<int32_t>& peaks, const tapetime::Track& track);

// Writes `page` (SELTHIX.html) from the log's record and summary (a run
// that has not finished says so), the level strip (null: none) and the
// capture's record that describes the image, when there is one. Failures
// are said on the console unless `say` is false.
void writeConversionPage(page::PageFile& page, const ConversionLog& log,
                         const NeighbourRecords& neighbours, const Json& levels, bool say = true);
