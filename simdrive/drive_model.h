// A model of the supported tape drive, standing in for the hardware. It
// answers SCSI commands (a CDB and its data) with a status, sense data and
// data, and knows nothing of how a command reached it: the link-time carrier
// of kovrant-sim (carrier_sim.cpp) and the kernel's user-space SCSI target
// (tcmu_target.cpp) both bring their commands here.
//
// It answers like a DDS drive: MODE SELECT with density 0x80 selects audio
// mode and 0x13 data mode, MODE SENSE reports the density in byte 4 of the
// block descriptor; TEST UNIT READY says NOT READY until the cassette
// arrives, then CHECK CONDITION with sense byte 6 (UNIT ATTENTION) once, then
// GOOD; each READ of a frame delivers the next frame of the tape with GOOD,
// and a READ past the recording ends with CHECK CONDITION and sense byte 8
// (BLANK CHECK). It also answers what an operating system's tape driver
// sends on its own: INQUIRY (also of the vital product data pages 00h and
// 80h), REQUEST SENSE, READ BLOCK LIMITS, MODE SENSE of other pages,
// PREVENT ALLOW MEDIUM REMOVAL, LOAD; anything else gets CHECK CONDITION,
// ILLEGAL REQUEST. Faults can be scripted into any command.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum class Command {
  Open,
  Inquiry,
  TestUnitReady,
  Rewind,
  Unload,
  ModeSense,
  ModeSelect,
  Read,
  Other
};
const char* commandName(Command c);

struct Fault {
  enum Kind {
    FailControl,  // the command never comes back: the carrier fails (a timeout in the kernel)
    Answer,       // the drive answers `status` and `sense` and does nothing else
    Lost,         // a READ answered `status` and `sense` whose frame the moving tape took past
    Short,        // a READ delivers the next frame but transfers only `bytes` bytes
    Interrupt,    // the user interrupts just before this command; it is carried out
    Overreport,   // a data-in command is carried out, but `bytes` are reported transferred
    Delay,        // the command is carried out, its answer `milliseconds` late
    Refused,      // an open fails with the system error `error`: busy, or not permitted
  };
  Command command;
  int occurrence;  // 1: the first command of this kind in the run
  Kind kind;
  uint8_t status = 0;
  uint8_t sense = 0;
  uint32_t bytes = 0;
  int repeat = 1;  // the fault hits this many commands from `occurrence` on
  uint32_t milliseconds = 0;
  unsigned long error = 0;
  uint8_t asc = 0, ascq = 0;  // Answer, Lost: the additional sense code of the sense data
};

struct Script {
  std::vector<uint8_t> tape;  // the recording: 5822-byte frames, in order
  int insertAfter = 3;        // polls answered NOT READY before the cassette arrives
  std::string identification = "SONY    SDT-9000        12.2";  // INQUIRY bytes 8..35
  bool takesAudioMode = true;                                   // false: density 0x80 is not taken
  // The vital product data pages 00h and 80h: the unit serial number; none
  // at all when `productData` is false (INQUIRY with EVPD is refused).
  bool productData = true;
  std::string serialNumber = "0012345678";
  std::vector<Fault> faults;
  // The system's tape drives in order: the identification of each other
  // drive, and an empty entry for this one. The other drives answer their
  // identification and nothing else.
  std::vector<std::string> drives{""};
};

// Which way a command's data goes, where the way in knows it.
enum class Flow : uint8_t { Out, In, None, Unknown };

// What the drive answers to one command.
struct Answer {
  bool delivered = true;  // false: the command never came back (FailControl)
  uint8_t status = 0;
  uint8_t sense[18] = {};    // fixed-format sense data; all zero when there is none
  uint32_t transferred = 0;  // data-in bytes placed in the buffer
  uint32_t reported = 0;     // data-in bytes to report (differs only when overreported)
  uint32_t delayMs = 0;      // the answer comes this late
  bool interrupt = false;    // the user interrupts just before this command
};

// One command as the drive saw it.
struct Request {
  Command command;
  uint8_t cdb[6];
  Flow flow;
  uint32_t transferLength;
  uint32_t timeout;              // seconds, 0 when the way in does not say
  std::vector<uint8_t> dataOut;  // the bytes a data-out command sent
  bool wellFormed;               // the CDB agrees with the direction and length of its data
  bool carriedOut;
  uint8_t status;
  uint8_t sense;
  uint32_t transferred;
  int64_t frame;  // the frame of the tape a READ delivered, -1 for none
  bool faulted;   // a scripted fault hit this command
};

struct DriveState {
  bool open = false;
  int opens = 0;  // of this drive: the other drives are not counted
  int closes = 0;
  uint8_t density = 0x13;  // data mode
  bool loaded = false;
  bool ejected = false;
  bool preventRemoval = false;
  int notReadyPolls = 0;
  size_t position = 0;  // next frame of the tape
  uint64_t sleptMilliseconds = 0;
  // The tape's own time while frames pass the head: 100 frames in 3 seconds.
  uint64_t tapeMilliseconds = 0;
  // The time a replay has moved the clock on to follow its trace.
  uint64_t replayedMilliseconds = 0;
  // The time of day when the clock stands at 0: 2026-01-01 00:00 UTC, or
  // the start of the trace a replay follows.
  int64_t originUtcSeconds = 1767225600;
  int originOffsetMinutes = 0;
};

// Starts a fresh drive with this script.
void configure(const Script& script);
// The script from the environment (see the README), unless configure() was
// called. False, with a reason, when a setting cannot be understood.
bool configureFromEnvironment(std::string* reason);
// Parses a fault list such as "read#5=02/03,read#9*100=03/03,tur#2=interrupt,
// select#1=fail,read#7=short:100,sense#2=delay:3000,open#2=busy,
// read#12=02/03/11/00": command#occurrence[*repeat]=action.
bool parseFaults(const std::string& text, std::vector<Fault>* faults);

// Carries out one command. `data` holds `length` bytes: those sent, or room
// for those received. `timeoutSeconds` is 0 when the way in does not say.
Answer execute(const uint8_t cdb[6], Flow flow, uint8_t* data, uint32_t length,
               uint32_t timeoutSeconds);

// The tape device as a program opens it, and the identification that
// Windows keeps from its bus scan (what INQUIRY bytes 8..35 say). The
// 'open' and 'inquiry' faults apply.
bool open(int drive = 0);
void close();
bool identification(uint8_t id[28], bool* found);
// The number of drives the system has, and the one opened last.
int driveCount();
int openedDrive();
// The system error codes the model sets (Windows numbering), and their
// texts as Windows words them (without the line end); null for another code.
constexpr unsigned long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr unsigned long kAccessDenied = 5;  // ERROR_ACCESS_DENIED (EACCES)
constexpr unsigned long kBusy = 170;        // ERROR_BUSY (EBUSY)
constexpr unsigned long kSemTimeout = 121;  // ERROR_SEM_TIMEOUT
constexpr unsigned long kIoDevice = 1117;   // ERROR_IO_DEVICE
const char* windowsErrorText(unsigned long code);

// The system error code of the latest failed call (Windows numbering).
unsigned long lastError();
void setLastError(unsigned long code);
void sleep(unsigned milliseconds);
// The steady clock (its pauses, the tape's time and a replay's), and a
// replay's moves of it: on to `milliseconds` (never back), and the time of
// day at its 0.
uint64_t clockMilliseconds();
void advanceClockTo(uint64_t milliseconds);
void setClockOrigin(int64_t utcSeconds, int offsetMinutes);

const std::vector<Request>& requests();
const DriveState& state();
// The request log as text, one line per command, and the final state.
std::string logText();
// Writes it to the file KOVRANT_SIM_LOG names, if it names one.
void writeLogFromEnvironment();

}  // namespace sim
