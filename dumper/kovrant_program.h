// The KOVRANT program from its command line: --device PATH (or the TAPE
// environment variable) names the tape device, --tape ID the tape's
// identity (for the log and the record), --length MINUTES the cassette's
// nominal length (for the time display on a terminal), --trace FILE a trace
// of every request (trace.h), --identify what the drive says of itself
// instead of a capture (identify.h), --help and --version. Both KOVRANT and
// kovrant-sim run it.
#pragma once

// The program's exit status.
int kovrantProgram(int argc, char** argv);
