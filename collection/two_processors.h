// Work spread over both processors: this thread and a second one
// (side_thread.h) take the next item of a list until none is left, where
// the machine has two; this thread alone where it has one.
#pragma once

#include <cstddef>
#include <functional>

// Calls work(k) once for each k from 0 to count - 1, taken in that order by
// whichever thread is free; returns when every call has returned. The calls
// share nothing but what `work` shares.
void onTwoProcessors(size_t count, const std::function<void(size_t)>& work);
