// KOVRANT: copies every frame of the DAT cassette in the tape drive into
// "KOVRANT.IMG" in the current directory. Takes --device PATH (or the TAPE
// environment variable) to name the tape device, --help and --version.
#include <cstdlib>

#include "arguments.h"
#include "capture.h"
#include "console.h"
#include "dumper_messages.h"
#include "language.h"

int main(int argc, char** argv) {
  // A descriptor that standard output left free must never become the tape's.
  if (!reserveStandardStreams()) return 1;
  useLanguage(systemLanguage());
  int exitStatus = 0;
  const char* const options[] = {"--device=", nullptr};
  Arguments arguments;
  if (answerArguments(argc, argv, "KOVRANT", msg::kKovrantHelp, &exitStatus, options, &arguments)) {
    return exitStatus;
  }
  // As the tape tools do, TAPE names the device unless the command line does.
  const char* device = arguments.values[0];
  const char* tape = std::getenv("TAPE");
  if (device == nullptr && tape != nullptr && tape[0] != '\0') device = tape;
  return runKovrant(device);
}
