// Windows console: a closed pipe makes writes fail; nothing ends the process.
#include "console.h"

void keepRunningWithoutConsole() {}
