#include "kovrant_program.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "arguments.h"
#include "capture.h"
#include "console.h"
#include "dumper_messages.h"
#include "identify.h"
#include "language.h"
#include "tape_id.h"
#include "trace.h"

namespace {

enum Option { kDevice, kTape, kLength, kTrace, kIdentify };

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

// The trace --trace names, begun. False when it cannot be created:
// standard error says why.
bool traceFromArgument(const char* path, const CaptureSettings& settings, bool identify) {
  if (path == nullptr) return true;
  trace::Settings s{settings.device, settings.tape, settings.lengthMinutes, identify};
  if (trace::begin(path, s)) return true;
  int error = errno != 0 ? errno : EIO;
  printStderr(msg::kTraceCreateFailed, shownName(path).c_str(), std::strerror(error));
  return false;
}

}  // namespace

int kovrantProgram(int argc, char** argv) {
  // A descriptor that standard output left free must never become the tape's.
  if (!reserveStandardStreams()) return 1;
  useLanguage(systemLanguage());
  int exitStatus = 0;
  const char* const options[] = {
      "--device=", "--tape=", "--length=", "--trace=", "--identify", nullptr};
  Arguments arguments;
  if (answerArguments(argc, argv, "KOVRANT", msg::kKovrantHelp, &exitStatus, options, &arguments)) {
    return exitStatus;
  }
  CaptureSettings settings;
  prepareConsole();
  if (!tapeid::fromArgument("KOVRANT", arguments.values[kTape], &settings.tape) ||
      !lengthFromArgument(arguments.values[kLength], &settings.lengthMinutes)) {
    return 2;  // nothing written, the drive not opened
  }
  // As the tape tools do, TAPE names the device unless the command line does.
  settings.device = arguments.values[kDevice];
  const char* tape = std::getenv("TAPE");
  if (settings.device == nullptr && tape != nullptr && tape[0] != '\0') settings.device = tape;
  bool identify = arguments.has(kIdentify);
  if (!traceFromArgument(arguments.values[kTrace], settings, identify)) return 2;
  if (!identify) return runKovrant(settings);
  exitStatus = runIdentify(settings.device);
  trace::end(exitStatus == 0 ? "identified" : "not-identified", exitStatus);
  return exitStatus;
}
