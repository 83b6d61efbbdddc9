#include "arguments.h"

#include <cstring>
#include <string>

#include "console.h"
#include "usage_messages.h"

namespace {

// The index of `argument` in `options`, or -1.
int optionIndex(const char* const* options, const char* argument) {
  for (int k = 0; options != nullptr && options[k] != nullptr; ++k) {
    if (std::strcmp(options[k], argument) == 0) return k;
  }
  return -1;
}

// The refusal of `argument`: the message around it in the console's form,
// the argument's own bytes with its control characters escaped.
void refuse(const char* program, const char* argument) {
  std::string format = msg::kUnknownArgument;
  size_t first = format.find("%s");
  size_t second = format.find("%s", first + 2);
  printStderr(format.substr(0, second).c_str(), program);
  std::string shown = escapeControls(argument);
  writeForeign(stderr, shown.data(), shown.size());
  printStderr(format.substr(second + 2).c_str(), program);
}

}  // namespace

bool answerArguments(int argc, char** argv, const char* program, const char* helpText,
                     int* exitStatus, const char* const* options, unsigned* chosen) {
  if (chosen != nullptr) *chosen = 0;
  if (argc < 2) return false;
  for (int k = 1; k < argc; ++k) {
    const char* a = argv[k];
    int option = optionIndex(options, a);
    if (option >= 0) {
      if (chosen != nullptr) *chosen |= 1u << option;
      continue;
    }
    prepareConsole();
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0 || platformHelpSwitch(a)) {
      printStdout("%s", helpText);
      *exitStatus = 0;
      return true;
    }
    if (std::strcmp(a, "--version") == 0) {
      printStdout(msg::kVersionLine, program, DAT_VERSION);
      *exitStatus = 0;
      return true;
    }
    refuse(program, a);
    *exitStatus = 2;
    return true;
  }
  return false;
}
