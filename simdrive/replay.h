// The simulated drive's replay of a trace (kovrant-sim --replay TRACE
// [--image IMAGE]; trace.h): every call of the carrier is answered exactly
// as the trace says the system answered it, in the trace's order (the
// drives found and opened, the identification, each request's status,
// sense area, transferred length and data), the frames of the READs
// answered GOOD from the image the traced capture wrote, in order, and from
// the trace for those the filter did not write, each checked against the
// trace's SHA-256. The simulated clock follows the trace's times, and the
// time of day starts at its start; an interrupt comes where the traced run
// saw it. The run takes the settings of the trace's first line (the device,
// the tape's identity, the length, --identify).
//
// A call that the trace does not hold where the replay has come (another
// CDB, another length, another device, or beyond its end) ends the replay
// at once, with a message naming what was asked and the trace's line, exit
// status 3; so does a frame of the image that is not the trace's. A trace
// cut short inside a line is read up to its last whole line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "carrier.h"

namespace replay {

// The exit status of a replay that the run left.
constexpr int kDiverged = 3;

// Opens the trace and the image (null: none). False, the reason on
// standard error, when either cannot be read.
bool begin(const char* trace, const char* image);
bool active();
// The command-line arguments that give the run the trace's settings.
std::vector<std::string> arguments();

// The carrier's calls, answered from the trace.
bool hasDrive(int drive);
bool open(int drive);
bool openDevice(const char* device);
const char* deviceName();
void close();
bool identification(Identification* identification);
bool send(const ScsiCommand& command, ScsiResult* result);
void errorText(char* text, size_t size);
unsigned long errorCode();

// At the end of the run: false, with the message, when the trace holds a
// request that the run did not ask.
bool finish();

}  // namespace replay
