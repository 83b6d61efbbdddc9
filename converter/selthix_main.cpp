// SELTHIX: converts the frame image "KOVRANT.IMG" in the current directory
// into WAV files, one per program and sampling rate. Takes no arguments but
// --help and --version.
#include "arguments.h"
#include "console.h"
#include "conversion.h"
#include "usage_messages.h"

int main(int argc, char** argv) {
  // A descriptor that standard output left free must never become the tape's.
  if (!reserveStandardStreams()) return 1;
  int exitStatus = 0;
  if (answerArguments(argc, argv, "SELTHIX", msg::kSelthixHelp, &exitStatus)) return exitStatus;
  return runSelthix();
}
