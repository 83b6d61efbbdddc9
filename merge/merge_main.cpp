// kovrant-merge: joins frame images of one cassette, read more than once, by
// the tape time of their frames into "KOVRANT.IMG" in the current directory.
#include "arguments.h"
#include "console.h"
#include "language.h"
#include "merge.h"
#include "merge_messages.h"
#include "usage_messages.h"

int main(int argc, char** argv) {
  // A descriptor that standard output left free must never become the result's.
  if (!reserveStandardStreams()) return 1;
  useLanguage(systemLanguage());
  int exitStatus = 0;
  // An argument that starts with "-" is an option: --help, --version, or
  // one refused (an input of such a name can be given as ./-name).
  for (int k = 1; k < argc; ++k) {
    if (argv[k][0] != '-' && !platformHelpSwitch(argv[k])) continue;
    char* option[] = {argv[0], argv[k], nullptr};
    answerArguments(2, option, "kovrant-merge", msg::kMergeHelp, &exitStatus);
    return exitStatus;
  }
  if (argc < 3) {
    prepareConsole();
    printStderr("%s", msg::kMergeUsage);
    return 2;
  }
  return runMerge(argc - 1, argv + 1);
}
