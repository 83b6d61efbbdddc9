// A simulated tape drive behind the carrier seam, for tests and for the
// simulated-drive build of the dumper (kovrant-sim). It answers like the
// supported drive: MODE SELECT with density 0x80 selects audio mode and 0x13
// data mode, MODE SENSE reports the density in byte 4; TEST UNIT READY says
// NOT READY until the cassette arrives, then CHECK CONDITION with sense byte
// 6 once, then GOOD; each READ of a frame delivers the next frame of the
// tape with GOOD, and READ past the recording ends with CHECK CONDITION and
// sense byte 8 (BLANK CHECK). Faults can be scripted into any request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pass_through.h"

namespace sim {

enum class Command { Open, Inquiry, TestUnitReady, Rewind, Unload, ModeSense, ModeSelect, Read, Other };
const char* commandName(Command c);

struct Fault {
  enum Kind {
    FailControl,  // the control itself fails: nothing reaches the drive
    Answer,       // the drive answers `status` and `sense` and does nothing else
    Short,        // a READ delivers the next frame but transfers only `bytes` bytes
    Interrupt,    // the user interrupts just before this request; it is carried out
    Overreport,   // a data-in request is carried out, but `bytes` are reported transferred
  };
  Command command;
  int occurrence;  // 1: the first request of this command in the run
  Kind kind;
  uint8_t status = 0;
  uint8_t sense = 0;
  uint32_t bytes = 0;
  int repeat = 1;  // the fault hits this many requests from `occurrence` on
};

struct Script {
  std::vector<uint8_t> tape;  // the recording: 5822-byte frames, in order
  int insertAfter = 3;        // polls answered NOT READY before the cassette arrives
  std::string identification = pt::kSupportedDrive;  // INQUIRY bytes 8..35
  bool takesAudioMode = true;  // false: density 0x80 is not taken
  std::vector<Fault> faults;
};

// One request as the drive saw it.
struct Request {
  Command command;
  uint8_t cdb[6];
  uint8_t dataIn;
  uint32_t transferLength;
  uint32_t timeout;
  PassThroughSizes sizes;
  bool wellFormed;  // the block and the buffer sizes are as the pass-through wants them
  bool carriedOut;
  uint8_t status;
  uint8_t sense;
  uint32_t transferred;
  int64_t frame;  // the frame of the tape a READ delivered, -1 for none
  bool faulted;   // a scripted fault hit this request
};

struct DriveState {
  bool open = false;
  int opens = 0;
  int closes = 0;
  uint8_t density = 0x13;  // data mode
  bool loaded = false;
  bool ejected = false;
  int notReadyPolls = 0;
  size_t position = 0;  // next frame of the tape
  uint64_t sleptMilliseconds = 0;
};

// Starts a fresh drive with this script.
void configure(const Script& script);
// The script from the environment (see the README), unless configure() was
// called. False, with a reason, when a setting cannot be understood.
bool configureFromEnvironment(std::string* reason);
const std::vector<Request>& requests();
// The block of the latest request, as the pass-through received it.
const PassThroughRequest& lastBlock();
const DriveState& state();
// The request log as text, one line per request, and the final state.
std::string logText();
// Parses a fault list such as "read#5=02/03,read#9*100=03/03,tur#2=interrupt,
// select#1=fail,read#7=short:100": command#occurrence[*repeat]=action.
bool parseFaults(const std::string& text, std::vector<Fault>* faults);

// The drive's side of the carrier seam.
bool open();
void close();
bool identification(uint8_t id[28], bool* found);
bool send(PassThroughRequest& block, PassThroughSizes sizes);
// The system error code of the latest failed control (Windows numbering).
unsigned long lastError();
void sleep(unsigned milliseconds);

}  // namespace sim
