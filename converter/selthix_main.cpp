// SELTHIX, the converter: turns the frame image "KOVRANT.IMG" in the current
// directory into WAV files, one per program and sampling rate, with its log,
// record and page beside them. Takes --keep-time and --bwf (where the tape
// failed, in the files), --convert-32k, --long-play and --de-emphasis (what
// is not converted by default), --check (the files planned, none written),
// besides --help and --version.
#include <optional>
#include <string>

#include "arguments.h"
#include "console.h"
#include "conversion.h"
#include "converter_messages.h"
#include "language.h"
#include "tape_id.h"

int main(int argc, char** argv) {
  // A descriptor that standard output left free must never become the tape's.
  if (!reserveStandardStreams()) return 1;
  useLanguage(systemLanguage());
  int exitStatus = 0;
  static const char* const kOptions[] = {"--keep-time", "--bwf",        "--convert-32k",
                                         "--check",     "--long-play",  "--de-emphasis",
                                         "--tape=",     "--tape-names", nullptr};
  Arguments arguments;
  if (answerArguments(argc, argv, "SELTHIX", msg::kSelthixHelp, &exitStatus, kOptions, &arguments))
    return exitStatus;
  ConversionOptions options;
  options.keepTime = arguments.has(0);
  options.bwf = arguments.has(1);
  options.convert32k = arguments.has(2);
  options.check = arguments.has(3);
  options.longPlay = arguments.has(4);
  options.deEmphasis = arguments.has(5);
  options.tapeNames = arguments.has(7);
  std::optional<std::string> tape;
  if (!tapeid::fromArgument("SELTHIX", arguments.values[6], &tape)) return 2;
  options.tape = tape.value_or("");
  for (int k = 0; k < 8; ++k) {
    if (!arguments.has(k)) continue;
    if (!options.text.empty()) options.text += ' ';
    options.text += k == 6 ? std::string("--tape ") + options.tape : std::string(kOptions[k]);
  }
  return runSelthix(options);
}
