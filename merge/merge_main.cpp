// kovrant-merge: joins frame images of one cassette, read more than once, by
// the tape time of their frames into "KOVRANT.IMG" in the current directory.
#include <vector>

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
  // An argument that starts with "-" is an option: --force, --help,
  // --version, or one refused (an input of such a name can be given as
  // ./-name). The others are the inputs, in their order.
  std::vector<char*> options = {argv[0]}, inputs;
  for (int k = 1; k < argc; ++k) {
    bool option = argv[k][0] == '-' || platformHelpSwitch(argv[k]);
    (option ? options : inputs).push_back(argv[k]);
  }
  static const char* const kOptions[] = {"--force", nullptr};
  unsigned chosen = 0;
  if (answerArguments(static_cast<int>(options.size()), options.data(), "kovrant-merge",
                      msg::kMergeHelp, &exitStatus, kOptions, &chosen)) {
    return exitStatus;
  }
  if (inputs.size() < 2) {
    prepareConsole();
    printStderr("%s", msg::kMergeUsage);
    return 2;
  }
  return runMerge(static_cast<int>(inputs.size()), inputs.data(), (chosen & 1) != 0);
}
