// The trace of a run (KOVRANT --trace FILE): everything the dumper asked of
// the system's tape drives and what came back, as the carrier reported it,
// one JSON object a line (schema "kovrant-trace/1",
// doc/schema/kovrant-trace.schema.json), each line written and flushed as
// it happens, so that a run that dies leaves every request up to its death.
//
// The lines: the first names the run; then each look at the system's
// drives (a drive there or not, an open, a close), the identification, every
// request with its CDB, its data (but a READ's), its answer, the whole
// sense area as it came and what it says, and its time; a READ answered GOOD
// with its frame's SHA-256 and whether the capture filter wrote the frame,
// the frame itself only when it did not (it is not in the image), and in a
// short line of its own when it was asked and answered as the READ before
// it; the moment the run saw an interrupt; and last how the run ended, with
// its counts. The simulated drive replays a trace with the image the
// traced capture wrote (kovrant-sim --replay).
//
// Every function does nothing while no trace is open. A line that cannot
// be written is said on the console once, and the trace ends there; the
// run goes on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "carrier.h"

namespace trace {

constexpr const char* kSchema = "kovrant-trace/1";

// What the run was told: the first line says it, and a replay runs with it.
struct Settings {
  const char* device = nullptr;  // the device named (--device, TAPE); null: the search
  std::optional<std::string> tape;
  int lengthMinutes = 0;  // 0: not given
  bool identify = false;
};

// The names a trace gives a request's operation (by its opcode: "read",
// "mode-sense", ...; "other" for one the dumper does not send) and its
// direction ("in", "out", "none").
const char* operationName(uint8_t opcode);
const char* directionName(DataDirection direction);

// Creates the trace `path` afresh and writes its first line. False, with
// errno set, when it cannot be created.
bool begin(const char* path, const Settings& settings);
bool active();

// The carrier's answers about the system's drives.
void hasDrive(int drive, bool answer);
// An open of drive `drive` of the system, or (-1) of `device` as named
// (--device, TAPE), `ok` whether it opened; the name the system gives it and
// any error are the carrier's.
void opened(int drive, const char* device, bool ok);
void closed();

// The drive's identification, as the carrier reported it (`ok`: whether
// the control was carried out), started at `startedMicroseconds` of the
// steady clock.
void identification(const Identification& identification, bool ok, uint64_t startedMicroseconds);
// One request and what the carrier reported of it (`result` counts only
// when `ok`). A READ answered GOOD waits for frameWritten.
void request(const ScsiCommand& command, bool ok, const ScsiResult& result,
             uint64_t startedMicroseconds);
// Whether the capture filter wrote the frame that the latest READ
// delivered, and the frame as the capture holds it (`length` bytes, as the
// image gets it: a short transfer over what the frame held before). Its
// SHA-256 is that of the image's frame.
void frameWritten(bool written, const uint8_t* frame, size_t length);
// Whether an interrupt has been requested, as the run asks before each of
// its steps: the first time it is, the trace notes it there.
bool interruptSeen();
// The last line: how the run ended (a code of the schema's) and its exit
// status. The trace is closed.
void end(const char* ending, int exitStatus);

}  // namespace trace
