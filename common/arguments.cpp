#include "arguments.h"

#include <cstring>
#include <string>

#include "console.h"
#include "usage_messages.h"

namespace {

// The index of `argument` in `options`, or -1. An option written with a
// trailing "=" takes a value: "--name=VALUE", or "--name VALUE" (the next
// argument, *k moves past it); *value receives it.
int optionIndex(const char* const* options, int argc, char** argv, int* k, const char** value) {
  const char* argument = argv[*k];
  for (int i = 0; options != nullptr && options[i] != nullptr; ++i) {
    const char* o = options[i];
    size_t n = std::strlen(o);
    if (n == 0 || o[n - 1] != '=') {
      if (std::strcmp(o, argument) == 0) return i;
      continue;
    }
    if (std::strncmp(o, argument, n) == 0 && argument[n] != '\0') {
      *value = argument + n;
      return i;
    }
    if (std::strncmp(o, argument, n - 1) == 0 && argument[n - 1] == '\0' && *k + 1 < argc &&
        argv[*k + 1][0] != '\0') {
      *value = argv[++*k];
      return i;
    }
  }
  return -1;
}

}  // namespace

bool answerArguments(int argc, char** argv, const char* program, const char* helpText,
                     int* exitStatus, const char* const* options, Arguments* parsed,
                     bool takesOperands) {
  Arguments none;
  Arguments& out = parsed != nullptr ? *parsed : none;
  out = Arguments();
  for (int i = 0; options != nullptr && options[i] != nullptr; ++i) out.values.push_back(nullptr);
  bool optionsEnded = false;
  for (int k = 1; k < argc; ++k) {
    const char* a = argv[k];
    bool option = !optionsEnded && (a[0] == '-' || platformHelpSwitch(a));
    if (option && std::strcmp(a, "--") == 0) {
      optionsEnded = true;
      continue;
    }
    if (!option && takesOperands) {
      out.operands.push_back(a);
      continue;
    }
    const char* value = nullptr;
    int i = option ? optionIndex(options, argc, argv, &k, &value) : -1;
    if (i >= 0) {
      out.chosen |= 1u << i;
      if (value != nullptr) out.values[i] = value;
      continue;
    }
    prepareConsole();
    if (option &&
        (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0 || platformHelpSwitch(a))) {
      printStdout("%s", helpText);
      *exitStatus = 0;
      return true;
    }
    if (option && std::strcmp(a, "--version") == 0) {
      printStdout(msg::kVersionLine, program, DAT_VERSION);
      *exitStatus = 0;
      return true;
    }
    printStderr(msg::kUnknownArgument, program, shownName(a).c_str(), program);
    *exitStatus = 2;
    return true;
  }
  return false;
}
