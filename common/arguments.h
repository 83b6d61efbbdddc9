// The command line of both programs: --help, -h (and /? on Windows),
// --version, and the options a program names.
#pragma once

#include <vector>

// What a command line names besides help and version: bit k of `chosen` for
// each options[k] given, the value of each option that takes one (null when
// not given), and the operands in their order.
struct Arguments {
  unsigned chosen = 0;
  std::vector<const char*> values;
  std::vector<const char*> operands;
  bool has(int option) const { return (chosen >> option & 1) != 0; }
};

// Answers a command line that asks for something other than the program's
// work: prints the help text or the version line to standard output (exit
// status 0), or, for an argument it does not know, one line naming it to
// standard error (exit status 2). Returns true with *exitStatus set when it
// has answered; false when the program does its work with what *parsed
// (when given) holds. `options` is a list ending in null (none when null);
// an option written "--name=" takes a value ("--name=VALUE" or "--name
// VALUE"). An argument that starts with "-" is an option; "--" ends the
// options, and every argument after it is an operand. Operands are refused
// unless `takesOperands`.
bool answerArguments(int argc, char** argv, const char* program, const char* helpText,
                     int* exitStatus, const char* const* options = nullptr,
                     Arguments* parsed = nullptr, bool takesOperands = false);

// True for an argument that asks for help only on this platform ("/?" on
// Windows).
bool platformHelpSwitch(const char* argument);
