// The command line of both programs. Neither takes arguments; the only ones
// they know are --help, -h (and /? on Windows) and --version.
#pragma once

// Answers a command line that asks for something other than the program's
// work: prints the help text or the version line to standard output (exit
// status 0), or, for an argument it does not know, one line naming it to
// standard error (exit status 2). Returns true with *exitStatus set when it
// has answered; false for no arguments: the program does its work.
bool answerArguments(int argc, char** argv, const char* program, const char* helpText,
                     int* exitStatus);

// True for an argument that asks for help only on this platform ("/?" on
// Windows).
bool platformHelpSwitch(const char* argument);
