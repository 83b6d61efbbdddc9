// kovrant-merge: joins frame images of one cassette, read more than once, by
// the tape time of their frames into "KOVRANT.IMG" in the current directory.
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "console.h"
#include "language.h"
#include "merge.h"
#include "merge_messages.h"
#include "tape_id.h"

int main(int argc, char** argv) {
  // A descriptor that standard output left free must never become the result's.
  if (!reserveStandardStreams()) return 1;
  useLanguage(systemLanguage());
  int exitStatus = 0;
  // The inputs are the operands, in their order; one whose name starts with
  // "-" comes after "--" (or as ./-name).
  static const char* const kOptions[] = {"--force", "--tape=", nullptr};
  Arguments arguments;
  if (answerArguments(argc, argv, "kovrant-merge", msg::kMergeHelp, &exitStatus, kOptions,
                      &arguments, true)) {
    return exitStatus;
  }
  std::vector<char*> inputs;
  for (const char* operand : arguments.operands) inputs.push_back(const_cast<char*>(operand));
  if (inputs.size() < 2) {
    prepareConsole();
    printStderr(msg::kMergeUsage);
    return 2;
  }
  std::optional<std::string> tape;
  if (!tapeid::fromArgument("kovrant-merge", arguments.values[1], &tape)) return 2;
  return runMerge(static_cast<int>(inputs.size()), inputs.data(), arguments.has(0),
                  tape.value_or(""));
}
