#include "arguments.h"

#include <cstring>

#include "console.h"
#include "usage_messages.h"

bool answerArguments(int argc, char** argv, const char* program, const char* helpText,
                     int* exitStatus) {
  if (argc < 2) return false;
  prepareConsole();
  for (int k = 1; k < argc; ++k) {
    const char* a = argv[k];
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
    printStderr(msg::kUnknownArgument, program, a, program);
    *exitStatus = 2;
    return true;
  }
  return false;
}
