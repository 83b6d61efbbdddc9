// SELTHIX: converts the frame image "KOVRANT.IMG" in the current directory
// into WAV files, one per program and sampling rate. Takes --keep-time,
// --bwf and --convert-32k besides --help and --version.
#include "arguments.h"
#include "console.h"
#include "conversion.h"
#include "language.h"
#include "usage_messages.h"

int main(int argc, char** argv) {
  // A descriptor that standard output left free must never become the tape's.
  if (!reserveStandardStreams()) return 1;
  useLanguage(systemLanguage());
  int exitStatus = 0;
  static const char* const kOptions[] = {"--keep-time", "--bwf", "--convert-32k", nullptr};
  unsigned chosen = 0;
  if (answerArguments(argc, argv, "SELTHIX", msg::kSelthixHelp, &exitStatus, kOptions, &chosen))
    return exitStatus;
  ConversionOptions options;
  options.keepTime = (chosen & 1) != 0;
  options.bwf = (chosen & 2) != 0;
  options.convert32k = (chosen & 4) != 0;
  for (int k = 0; k < 3; ++k) {
    if ((chosen >> k & 1) == 0) continue;
    if (!options.text.empty()) options.text += ' ';
    options.text += kOptions[k];
  }
  return runSelthix(options);
}
