// The kernel's copy of a stretch of one file into another at the other's
// position, on the systems that have one: one implementation per system
// (copy_in_kernel_linux.cpp, copy_in_kernel_none.cpp), for copy_range_posix.cpp.
#pragma once

#include <cstdint>

// Copies as much of the `length` bytes at `at` of the descriptor `in` to
// `out` as the kernel will, advancing `at` and `length`: all of them, or up
// to where it declined or failed (the caller's loop meets that again).
void copyInKernel(int in, int out, int64_t* at, int64_t* length);
