// Linux carrier: the first tape drive's SCSI generic node, SG_IO.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "carrier.h"
#include "interrupt_signals_posix.h"
#include "sg_io_linux.h"

namespace {

int tapeHandle = -1;
int lastError = 0;  // errno of the latest failed call

// The generic node of the first tape drive: sysfs links the tape device to
// its sgN. Opening that node needs no more than membership of the tape
// group, and the tape driver sends no commands of its own through it.
std::string genericNode() {
  char target[512];
  ssize_t n = readlink("/sys/class/scsi_tape/nst0/device/generic", target, sizeof target - 1);
  if (n <= 0) return "";
  target[n] = '\0';
  const char* base = std::strrchr(target, '/');
  return std::string("/dev/") + (base != nullptr ? base + 1 : target);
}

bool fail(int error) {
  lastError = error != 0 ? error : EIO;
  return false;
}

}  // namespace

bool carrierOpen() {
  std::string node = genericNode();
  int fd = -1;
  if (!node.empty()) fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  // The tape device itself also takes SG_IO (with CAP_SYS_RAWIO).
  if (fd < 0) fd = open("/dev/nst0", O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  tapeHandle = fd;
  return true;
}

void carrierClose() {
  if (tapeHandle >= 0) close(tapeHandle);
  tapeHandle = -1;
}

bool carrierIdentification(uint8_t id[pt::kIdentificationLength], bool* found) {
  // Standard INQUIRY: 36 bytes, the identification at 8..35.
  uint8_t reply[36] = {};
  ScsiCommand command{{0x12, 0, 0, 0, sizeof reply, 0}, DataDirection::In, reply, sizeof reply, 5};
  ScsiResult result;
  if (!carrierSend(command, &result)) return false;
  *found = result.status == 0;
  std::memcpy(id, reply + 8, pt::kIdentificationLength);
  return true;
}

bool carrierSend(const ScsiCommand& command, ScsiResult* result) {
  uint8_t sense[pt::kSenseLength] = {};
  sg_io_hdr_t hdr = sgIoFromCommand(command, sense);
  int status, error;
  {
    // An interrupt must not cut a command short: the sg driver would drop
    // its answer (a frame read from the tape and lost). The run sees the
    // interrupt right after the command has ended.
    InterruptsHeld held;
    status = ioctl(tapeHandle, SG_IO, &hdr);
    error = errno;
  }
  if (status != 0) return fail(error);
  if (!sgIoCarriedOut(hdr)) return fail(EIO);
  *result = resultFromSgIo(hdr, command, sense);
  return true;
}

void carrierErrorText(char* text, size_t size) {
  std::snprintf(text, size, "%s", std::strerror(lastError));
}
