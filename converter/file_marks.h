// What a WAV file carries of the tape beside its audio: the texts of its
// markers (the cue points' labels, and the label file beside it that sound
// editors import) and its Broadcast WAV description, which the CORE document
// beside the files lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conversion_log.h"
#include "conversion_plan.h"
#include "wav_chunks.h"

// The text of a break's marker: what it is, its ATIMEs, and for a gap its
// length (`accuracy` frames either way) and whether it was filled. ASCII.
std::string markerText(const FileBreak& b, int accuracy);

// The "bext" fields of a file of program `program`: its description (ATIME
// span, gaps and discontinuities, --keep-time's "kept to length"), the
// program as originator and the tape's identity (the image's name without
// one) as reference, the image's date and time, `reference` sample pairs
// since the start of the tape, and the coding history (pre-emphasis named,
// never removed).
BextFields bextFields(const FileRecord& r, int program, const ConversionOptions& options,
                      const ImageDate& date, uint64_t reference);

// The coding history line that marks a de-emphasised access copy.
std::string deEmphasisHistory(const FileRecord& copy);

// "#001-48kHz.txt" beside the file "#001-48kHz.wav": start, end (seconds)
// and text of each break, tab-separated. False, with the failure said on
// the console, when it cannot be written.
bool writeLabels(const FileRecord& r, int64_t samplesPerFrame, int accuracy);

// The CORE document of --bwf: one row per file with a "bext" chunk.
constexpr char kCoreName[] = "SELTHIX-CORE.csv";
struct CoreRow {
  std::string name;  // the file's
  uint32_t rate;
  BextFields bext;  // as given to bextChunk
};

// Its text, in the CSV form of the archives' Broadcast WAV tools (RFC 4180,
// UTF-8, CR LF): a header row, then per file its name and the fields its
// "bext" chunk holds, the time reference also as hh:mm:ss.mmm.
std::string coreDocument(const std::vector<CoreRow>& rows);

// Writes it under the logs' rules (staged, never through a link, another
// user's document left alone). A failure is said on the console; the
// conversion's outcome stays its own. The name it went under; "" where it
// could not be written.
std::string writeCoreDocument(const std::vector<CoreRow>& rows);
