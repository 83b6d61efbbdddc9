// The command line of both programs: --help, -h (and /? on Windows),
// --version, and the options a program names.
#pragma once

// Answers a command line that asks for something other than the program's
// work: prints the help text or the version line to standard output (exit
// status 0), or, for an argument it does not know, one line naming it to
// standard error (exit status 2). Returns true with *exitStatus set when it
// has answered; false when every argument is one of `options` (a list ending
// in null; none when null): the program does its work, and bit k of *chosen
// (when given) is set for each options[k] given. An option written
// "--name=" takes a value ("--name=VALUE" or "--name VALUE"): values[k]
// (when given) receives it.
bool answerArguments(int argc, char** argv, const char* program, const char* helpText,
                     int* exitStatus, const char* const* options = nullptr,
                     unsigned* chosen = nullptr, const char** values = nullptr);

// True for an argument that asks for help only on this platform ("/?" on
// Windows).
bool platformHelpSwitch(const char* argument);
