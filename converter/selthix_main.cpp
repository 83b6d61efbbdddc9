// SELTHIX: converts the frame image "KOVRANT.IMG" in the current directory
// into WAV files, one per program and sampling rate. Takes no arguments.
#include "conversion.h"

int main() {
  return runSelthix();
}
