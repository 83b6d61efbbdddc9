// Copies a stretch of one open file onto the end of what was written to
// another, inside the system where it can: the merge's result is made of
// stretches of its inputs. One implementation per platform.
#pragma once

#include <cstdint>
#include <cstdio>

// Where a copy stopped short: in reading `from` (an error, or its end came
// first: EIO) or in writing `to`, with the system's errno.
struct CopyFault {
  bool reading = false;
  int error = 0;
};

// Appends bytes [at, at + length) of `from` to `to`, at the position of
// `to`'s descriptor: whatever its stream holds is flushed first. `from`'s
// stream position is left undefined. False, with `fault` filled, unless all
// `length` bytes were copied.
bool copyRange(FILE* from, int64_t at, int64_t length, FILE* to, CopyFault* fault);
