// The carrier seam served by the simulated drive (sim_drive.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "carrier.h"
#include "sim_drive.h"

bool carrierOpen() {
  std::string reason;
  if (!sim::configureFromEnvironment(&reason)) {
    std::fprintf(stderr, "kovrant-sim: %s\n", reason.c_str());
    std::exit(2);
  }
  return sim::open();
}

void carrierClose() {
  sim::close();
  if (const char* path = std::getenv("KOVRANT_SIM_LOG")) {
    if (FILE* f = std::fopen(path, "wb")) {
      std::string text = sim::logText();
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
  }
}

bool carrierIdentification(uint8_t id[28], bool* found) { return sim::identification(id, found); }

bool carrierSend(PassThroughRequest& block, PassThroughSizes sizes) {
  return sim::send(block, sizes);
}

bool carrierErrorText(char* text, size_t size, long* lookupError) {
  const char* s = nullptr;
  switch (sim::lastError()) {
    case 2:
      s = "The system cannot find the file specified.";
      break;
    case 1117:
      s = "The request could not be performed because of an I/O device error.";
      break;
    default:
      break;
  }
  if (s == nullptr || std::strlen(s) + 1 > size) {
    *lookupError = 317;  // ERROR_MR_MID_NOT_FOUND: no text for the code
    return false;
  }
  std::snprintf(text, size, "%s", s);
  return true;
}
