// Windows pause.
#include <windows.h>

#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  Sleep(milliseconds);
}
