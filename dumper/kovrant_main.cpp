// KOVRANT: copies every frame of the DAT cassette in the tape drive into
// "KOVRANT.IMG" in the current directory. Takes no arguments.
#include "capture.h"

int main() {
  return runKovrant();
}
