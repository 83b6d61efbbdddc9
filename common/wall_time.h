// Times of day as the records give them: seconds since 1970-01-01 00:00 UTC
// and the local zone's offset from UTC at that moment. The dumper reads its
// clock through its system services (simulated in tests); the converter and
// the merge read the system's.
#pragma once

#include <cstdint>
#include <string>

struct WallTime {
  int64_t utcSeconds;
  int offsetMinutes;
};

// The system's clock now. One implementation per platform.
WallTime systemClock();
// "yyyy-mm-dd hh:mm:ss +hh:mm (UTC yyyy-mm-dd hh:mm:ss)": the logs' form.
std::string timeStamp(const WallTime& t);
// ISO 8601 with the offset: "yyyy-mm-ddThh:mm:ss+hh:mm".
std::string isoTime(const WallTime& t);
