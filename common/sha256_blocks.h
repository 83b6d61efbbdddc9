// The processor's own SHA-256 instructions, where it has them: one
// implementation per processor family, chosen by CMake.
#pragma once

#include <cstddef>
#include <cstdint>

// Runs the SHA-256 compression over `blocks` 64-byte blocks at `data`,
// updating `state`. False, with nothing done, when the processor has no
// such instructions: the caller computes them itself.
bool sha256BlocksByProcessor(uint32_t state[8], const uint8_t* data, size_t blocks);
