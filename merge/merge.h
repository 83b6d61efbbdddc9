// kovrant-merge: joins two or more frame images of one cassette by the tape
// time of their frames into "KOVRANT.IMG" in the current directory. The
// first input is the base: its frames stay, in their order; every frame of
// the tape that it lacks is taken from the first later input that has it.
#pragma once

#include <string>

// The whole program, for the inputs named. Exit status 0 when every input
// was read and the result written, 1 otherwise, 3 when the user interrupted
// it (nothing is written then either). `force`: an input taken for another
// cassette, or of another identity, is merged all the same. `tape`: the
// tape's identity (--tape; "" none: the inputs' records give it).
int runMerge(int count, char** inputs, bool force = false, const std::string& tape = "");
