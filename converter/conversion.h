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
