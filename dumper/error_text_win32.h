// The system's text for a Windows error code, as the dumper prints it.
#pragma once

#include <cstddef>

// At most `size` - 1 bytes of the text for `code`, as UTF-8, its inserts
// (%1, ...) left as they stand. False when there is none or it does not fit;
// *lookupError then holds the error of the lookup itself.
bool systemErrorText(unsigned long code, char* text, size_t size, long* lookupError);
