#include "capture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "capture_log.h"
#include "console.h"
#include "dat_frame.h"
#include "dumper_messages.h"
#include "earlier_capture.h"
#include "output_file.h"
#include "pass_through.h"
#include "system_services.h"
#include "tape_time.h"
#include "trace.h"

namespace {

constexpr int kMaxPolls = 180;
constexpr unsigned kPollPause = 1000;
constexpr uint8_t kGood = 0;
constexpr uint8_t kCheckCondition = 2;
constexpr uint8_t kUnitAttention = 6;  // a newly loaded cassette
constexpr uint8_t kBlankCheck = 8;     // the end of the recording
constexpr uint8_t kAudioDensity = 0x80;

// MODE SELECT(6) parameter lists: header (buffered mode 1) and one block
// descriptor with the density code and variable-length blocks.
constexpr uint8_t kAudioModeList[12] = {0x00, 0x00, 0x10, 0x08, 0x80, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDataModeList[12] = {0x00, 0x00, 0x10, 0x08, 0x13, 0, 0, 0, 0, 0, 0, 0};

enum class Outcome {
  InAudioMode,    // so far so good: the cassette is awaited
  BlankTape,      // the whole recording was read
  RequestFailed,  // the audio-mode request or its check failed
  ModeNotSet,     // the drive did not take audio mode
  NoCassette,     // the wait ran out
  ReadFailed,     // a READ request failed
  TooManyErrors,  // reads kept failing
  WriteFailed,    // the image could not be written or closed
  Interrupted,
};

class CaptureRun {
 public:
  explicit CaptureRun(const CaptureSettings& settings) : settings(settings) {}

  int run() {
    prepareConsole();
    printStdout(msg::kKovrantBanner);
    InterruptGuard interrupts;
    if (!interrupts.installed()) printStdout(msg::kInterruptsNotCaught);
    started = wallClock();
    if (!identifyDrive(settings.device, &deviceSaid)) return 1;
    ending = "probe-failed";
    if (!probe()) {
      // Nothing has been asked of the drive yet.
      printLastError();
      closeTape();
      return 1;
    }
    // From here on the drive may be in audio mode: every way out restores
    // data mode, also after a failed request.
    Outcome outcome = selectAudioMode();
    if (outcome == Outcome::InAudioMode) outcome = waitForCassette();
    bool dataMode = switchToData();
    closeTape();
    ending = traceEnding(outcome);
    int exitStatus = outcome == Outcome::BlankTape && dataMode ? 0 : 1;
    if (log.begun()) log.finish(endOfCapture(outcome), dataMode, exitStatus, wallClock());
    log.close();
    return exitStatus;
  }

  // How the run ended, as the trace's last line says it.
  const char* endingCode() const { return ending; }

 private:
  // The first MODE SENSE: does the drive answer at all.
  bool probe() {
    uint8_t buffer[12] = {};
    int32_t length = 12;
    uint8_t probeStatus = 0, probeSense = 0;
    return ScsiModeSense(buffer, &length, &probeStatus, &probeSense);
  }

  // Audio mode, read back. InAudioMode when the drive took it and the user
  // has been asked for a cassette.
  Outcome selectAudioMode() {
    printStdout(msg::kSwitchingToAudio);
    uint8_t check[12] = {};
    int32_t length = 12;
    if (!ScsiModeSelect(kAudioModeList, 12, &status, &sense) ||
        !ScsiModeSense(check, &length, &status, &sense)) {
      printLastError();
      return Outcome::RequestFailed;
    }
    if (check[4] != kAudioDensity) {
      printStdout(msg::kAudioModeFailed);
      return Outcome::ModeNotSet;
    }
    printStdout(msg::kSucceededLine);
    printStderr(msg::kInsertCassette);
    return Outcome::InAudioMode;
  }

  // True only when the drive took data mode: the request was carried out
  // and answered GOOD.
  bool switchToData() {
    printStdout(msg::kSwitchingToData);
    if (!ScsiModeSelect(kDataModeList, 12, &status, &sense)) {
      printLastError();
      return false;
    }
    printStdout(msg::kSucceeded);
    if (status != kGood) {
      printStdout(msg::kDataModeRefused, status, sense);
      return false;
    }
    return true;
  }

  Outcome waitForCassette() {
    bool arrived = false;
    for (int polls = 0;;) {
      if (trace::interruptSeen()) {
        printStdout(msg::kInterrupted);
        return Outcome::Interrupted;
      }
      bool answered = ScsiTestUnitReady(&status, &sense);
      if (status == kCheckCondition && sense == kUnitAttention) {
        arrived = true;
        Outcome outcome = Outcome::NoCassette;
        if (captureArrived(&outcome)) return outcome;
      }
      sleepMilliseconds(kPollPause);
      if (++polls >= kMaxPolls) {
        // Ready all along and no arrival seen: the cassette was in before
        // the run, and its arrival was taken by something else (the tape
        // driver takes it when the tape device is opened).
        // Only the last poll's own answer says so: a failed poll leaves the
        // status of an earlier request.
        if (!arrived && answered && status == kGood) printStdout(msg::kCassetteAlreadyIn);
        return Outcome::NoCassette;
      }
    }
  }

  // The cassette has arrived: the earlier capture kept, the image created,
  // the capture. False when it cannot begin (the console has said why): the
  // wait goes on.
  bool captureArrived(Outcome* outcome) {
    printStdout(msg::kLoadingRewinding);
    ScsiRewind(&status, &sense);
    ScsiTestUnitReady(&status, &sense);
    filter = CaptureFilter();
    records::CaptureKept kept;
    int error = 0;
    Earlier earlier = keepEarlierCapture(&kept, &error);
    if (earlier == Earlier::NotKept) {
      printStdout(msg::kEarlierNotKept, static_cast<long long>(kept.frames), std::strerror(error));
      return false;
    }
    if (earlier == Earlier::Kept) {
      printStdout(msg::kEarlierKept, static_cast<long long>(kept.frames), keptNames(kept).c_str());
    }
    errno = 0;
    FILE* image = createFresh(dat::kImageName);
    if (image == nullptr) {
      printStdout(msg::kImageCreateFailed, std::strerror(errno));
      return false;
    }
    CaptureStart start{
        started,       wallClock(), pt::kSupportedDrive, carrierDeviceName(), !deviceSaid.empty(),
        settings.tape, std::nullopt};
    if (earlier == Earlier::Kept) start.kept = kept;
    log.open(start);
    *outcome = capture(image);
    return true;
  }

  Outcome capture(FILE* image) {
    printStdout(msg::kReading);
    CaptureDisplay display(stdoutIsTerminal(), settings.lengthMinutes);
    Outcome outcome = readFrames(image, display);
    display.close();
    sayEnding(outcome);
    errno = 0;
    if (std::fclose(image) != 0 && outcome != Outcome::WriteFailed) {
      printStdout(msg::kImageWriteFailed, std::strerror(errno));
      outcome = Outcome::WriteFailed;
    }
    if (outcome == Outcome::WriteFailed) log.imageKeeps(keepWholeFrames());
    printStdout(msg::kRewinding);
    ScsiRewind(&status, &sense);
    printStdout(msg::kUnloading);
    ScsiUnload(&status, &sense);
    return outcome;
  }

  // How the reading ended, after the time display.
  void sayEnding(Outcome outcome) const {
    switch (outcome) {
      case Outcome::Interrupted:
        return printStdout(msg::kInterrupted);
      case Outcome::ReadFailed:
        return printStdout(msg::kReadFailed);
      case Outcome::WriteFailed:
        return printStdout(msg::kImageWriteFailed, std::strerror(writeError));
      case Outcome::BlankTape:
        return printStdout(msg::kEndOfTape);
      case Outcome::TooManyErrors:
        return printStdout(msg::kTooManyReadErrors, kMaxConsecutiveBadReads);
      default:
        return;
    }
  }

  // A write that failed part-way may have left part of a frame at the end of
  // the image: cut it off, so that the image holds whole frames only. The
  // frames it keeps.
  static int64_t keepWholeFrames() {
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(dat::kImageName, error);
    if (error) {
      printStdout(msg::kImageTrimFailed, error.message().c_str());
      return 0;
    }
    if (size % dat::kFrameSize != 0) {
      std::filesystem::resize_file(dat::kImageName, size - size % dat::kFrameSize, error);
      if (error) printStdout(msg::kImageTrimFailed, error.message().c_str());
    }
    return static_cast<int64_t>(size / dat::kFrameSize);
  }

  Outcome readFrames(FILE* image, CaptureDisplay& display) {
    int badReads = 0;
    for (;;) {
      if (trace::interruptSeen()) return Outcome::Interrupted;
      int32_t length = dat::kFrameSize;
      ScsiResult answer;
      if (!ScsiRead(frame.bytes(), &length, &status, &sense, &answer)) return Outcome::ReadFailed;
      if (status == kGood) {
        badReads = 0;
        bool passed = filter.pass(frame);
        trace::frameWritten(passed, frame.bytes(), dat::kFrameSize);
        if (passed) {
          errno = 0;
          if (std::fwrite(frame.bytes(), 1, dat::kFrameSize, image) != dat::kFrameSize) {
            writeError = errno;
            log.goodRead(true);  // a GOOD read all the same; the image's size says what it keeps
            return Outcome::WriteFailed;
          }
        }
        log.goodRead(passed);
        display.goodRead(frame);
        tapetime::Time atime;
        if (tapetime::frameTime(frame, &atime)) log.atimeShown(atime);
      } else if (status == kCheckCondition && sense == kBlankCheck) {
        return Outcome::BlankTape;
      } else {
        log.badRead(status, sense, senseOf(answer));
        display.badRead();
        if (++badReads >= kMaxConsecutiveBadReads) return Outcome::TooManyErrors;
      }
    }
  }

  static const char* traceEnding(Outcome outcome) {
    switch (outcome) {
      case Outcome::RequestFailed:
        return "request-failed";
      case Outcome::ModeNotSet:
        return "no-audio-mode";
      case Outcome::NoCassette:
        return "no-cassette";
      default:
        return endOfCapture(outcome).code;
    }
  }

  // What the capture log and its record say of how the capture ended.
  static CaptureEnding endOfCapture(Outcome outcome) {
    switch (outcome) {
      case Outcome::BlankTape:
        return {msg::kCaptureEndBlankTape, "blank-tape"};
      case Outcome::Interrupted:
        return {msg::kEndInterrupted, "interrupted"};
      case Outcome::WriteFailed:
        return {msg::kCaptureEndWriteFailed, "write-failed"};
      case Outcome::TooManyErrors:
        return {msg::kCaptureEndTooManyErrors, "read-errors"};
      case Outcome::ReadFailed:
        return {msg::kCaptureEndReadFailed, "read-request-failed"};
      default:
        return {msg::kCaptureEndOther, "other"};
    }
  }

  CaptureSettings settings;
  const char* ending = "drive-refused";  // how the run ended, for the trace
  std::string deviceSaid;                // the device the console named, or empty
  WallTime started{};
  CaptureLog log;
  // The status and sense byte of the run's latest request that was carried out.
  uint8_t status = 0;
  uint8_t sense = 0;
  int writeError = 0;  // errno of the image's write that failed
  CaptureFilter filter;
  // The buffer of every READ; reused, never cleared between frames.
  dat::DatFrame frame{};
};

}  // namespace

bool CaptureFilter::pass(const dat::DatFrame& frame) {
  int f = dat::filterBit(frame);
  bool written = f + flag1 + flag2 <= 1;
  flag2 = flag1;
  flag1 = f;
  return written;
}

int runKovrant(const CaptureSettings& settings) {
  CaptureRun run(settings);
  int exitStatus = run.run();
  trace::end(run.endingCode(), exitStatus);
  return exitStatus;
}
