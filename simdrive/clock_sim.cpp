// The simulated clock: a pause takes no time; the simulated drive counts it.
#include "drive_model.h"
#include "system_services.h"

void sleepMilliseconds(unsigned milliseconds) {
  sim::sleep(milliseconds);
}
