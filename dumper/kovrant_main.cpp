// KOVRANT: copies every frame of the DAT cassette in the tape drive into
// "KOVRANT.IMG" in the current directory. Takes --device PATH (or the TAPE
// environment variable) to name the tape device, --tape ID (the tape's
// identity, for the log and the record), --length MINUTES (the cassette's
// nominal length, for the time display on a terminal), --help and --version.
#include <cstdlib>
#include <cstring>

#include "arguments.h"
#include "capture.h"
#include "console.h"
#include "dumper_messages.h"
#include "language.h"
#include "tape_id.h"

namespace {

// The cassette's length that --length gives: none without it (`given`
// null), the minutes when they are a whole number from kShortestCassette to
// kLongestCassette. False when they are not: standard error says why.
bool lengthFromArgument(const char* given, int* minutes) {
  if (given == nullptr) return true;
  size_t digits = std::strspn(given, "0123456789");
  int value = digits > 0 && digits <= 9 && given[digits] == '\0' ? std::atoi(given) : 0;
  if (value < kShortestCassette || value > kLongestCassette) {
    printStderr(msg::kLengthRefused, "KOVRANT", shownName(given).c_str(), kShortestCassette,
                kLongestCassette);
    return false;
  }
  *minutes = value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // A descriptor that standard output left free must never become the tape's.
  if (!reserveStandardStreams()) return 1;
  useLanguage(systemLanguage());
  int exitStatus = 0;
  const char* const options[] = {"--device=", "--tape=", "--length=", nullptr};
  Arguments arguments;
  if (answerArguments(argc, argv, "KOVRANT", msg::kKovrantHelp, &exitStatus, options, &arguments)) {
    return exitStatus;
  }
  CaptureSettings settings;
  prepareConsole();
  if (!tapeid::fromArgument("KOVRANT", arguments.values[1], &settings.tape) ||
      !lengthFromArgument(arguments.values[2], &settings.lengthMinutes)) {
    return 2;  // nothing written, the drive not opened
  }
  // As the tape tools do, TAPE names the device unless the command line does.
  settings.device = arguments.values[0];
  const char* tape = std::getenv("TAPE");
  if (settings.device == nullptr && tape != nullptr && tape[0] != '\0') settings.device = tape;
  return runKovrant(settings);
}
