// KOVRANT: copies every frame of the DAT cassette in the tape drive into
// "KOVRANT.IMG" in the current directory. Takes no arguments but --help and
// --version.
#include "arguments.h"
#include "capture.h"
#include "console.h"
#include "usage_messages.h"

int main(int argc, char** argv) {
  // A descriptor that standard output left free must never become the tape's.
  if (!reserveStandardStreams()) return 1;
  int exitStatus = 0;
  if (answerArguments(argc, argv, "KOVRANT", msg::kKovrantHelp, &exitStatus)) return exitStatus;
  return runKovrant();
}
