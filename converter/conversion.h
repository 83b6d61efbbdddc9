// The converter run: maps "KOVRANT.IMG" from the current directory, divides
// it into segments at rate changes and new program numbers, and writes each
// segment as a WAV file in the current directory.
#pragma once

#include <cstdint>

// The whole program. Exit status: 0 when every output file was written, 1
// when the image could not be mapped or an output file failed.
int runSelthix();

// Converts `frameCount` frames at `image` (the frame walk and the end of
// image). False when any output file could not be written in full.
bool convertFrames(const uint8_t* image, int64_t frameCount);

// Writes frames first .. last (inclusive; none when last < first) of the image
// at `image` as the WAV file `name`, taking the first `bytesPerFrame` bytes of
// each frame. Failures are reported on standard error with the file name and
// the system's reason; returns true only when the whole range was written.
// When the mapped image changes underneath, the file is not kept (the run
// reports that once).
bool writeWavRange(const char* name, const uint8_t* image, int64_t first, int64_t last,
                   uint32_t rate, uint32_t bytesPerFrame);
