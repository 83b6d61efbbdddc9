// Windows clock: time and the zone's bias.
#include <windows.h>

#include <ctime>

#include "wall_time.h"

WallTime systemClock() {
  TIME_ZONE_INFORMATION zone;
  DWORD which = GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  return {static_cast<int64_t>(std::time(nullptr)), static_cast<int>(-bias)};
}
