// The simulated clock: a pause takes no time; the simulated drive counts it.
#include "sim_drive.h"
#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) { sim::sleep(milliseconds); }
