// The converter run: maps "KOVRANT.IMG" from the current directory, plans
// its segments (conversion_plan.h: rate changes and new program numbers)
// and writes each as a WAV file in the current directory.
#pragma once

#include <cstdint>
#include <string>

#include "conversion_plan.h"
#include "interrupts.h"
#include "json_record.h"
#include "wav_writer.h"

class ConversionLog;

// --check: the status of an image with a gap or a discontinuity in what a
// conversion writes.
constexpr int kBreaksFoundStatus = 4;
// The status of a run refused before it wrote anything: a --tape that the
// image's record contradicts, --tape-names without an identity.
constexpr int kRefusedStatus = 2;

// The whole program. Exit status: 0 when every output file was written, 1
// when the image could not be mapped or an output file failed, 3 when the
// user interrupted it (the file being written is removed); with --check,
// kBreaksFoundStatus in place of 0 when the files would hold a gap or a
// discontinuity.
int runSelthix(const ConversionOptions& options = ConversionOptions());

// Converts `frameCount` frames at `image` (the frame walk and the end of
// image). False when any output file could not be written in full. With a
// log, each file is described in it. With options.check nothing is written:
// each file is described as a conversion would write it. With `levels`, it
// receives the level strip of the page (levelStrip), unless the run stopped.
bool convertFrames(const uint8_t* image, int64_t frameCount,
                   const ConversionOptions& options = ConversionOptions(),
                   ConversionLog* log = nullptr, const ImageDate& date = ImageDate(),
                   Json* levels = nullptr);

// Writes frames first .. last (inclusive; none when last < first) of the image
// at `image` as the WAV file `name`, taking the first `bytesPerFrame` bytes of
// each frame. Failures are reported on standard error with the file name and
// the system's reason; returns true only when the whole range was written.
// When the mapped image changes underneath, the file is not kept (the run
// reports that once).
// `plan` adds silence and chunks; `result`, when given, receives what became
// of the file.
bool writeWavRange(const char* name, const uint8_t* image, int64_t first, int64_t last,
                   uint32_t rate, uint32_t bytesPerFrame, const WavPlan* plan = nullptr,
                   WavResult* result = nullptr);

// What the conversion asks of each file it writes: stop at once when the
// image could no longer be read (shortened, an I/O error) or the user
// interrupted; keep it only while the image is still the one mapped and no
// interrupt came.
extern const WavChecks kConversionChecks;
