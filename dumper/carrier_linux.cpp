// Linux carrier: a tape drive's SCSI generic node, SG_IO.
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "carrier.h"
#include "interrupt_signals_posix.h"
#include "sg_io_linux.h"

namespace {

int tapeHandle = -1;
int lastError = 0;  // errno of the latest failed call
std::string openedName;

// The numbers N of the system's tape drives (sysfs "nstN"), in order.
std::vector<int> driveNumbers() {
  std::vector<int> numbers;
  if (DIR* dir = opendir("/sys/class/scsi_tape")) {
    while (dirent* e = readdir(dir)) {
      const char* name = e->d_name;
      if (std::strncmp(name, "nst", 3) != 0 || name[3] == '\0') continue;
      if (std::strspn(name + 3, "0123456789") != std::strlen(name + 3)) continue;
      numbers.push_back(std::atoi(name + 3));
    }
    closedir(dir);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

// The generic node of tape drive N: sysfs links the tape device to its sgN.
// Opening that node needs no more than membership of the tape group, and
// the tape driver sends no commands of its own through it.
std::string genericNode(int number) {
  char target[512];
  std::string link = "/sys/class/scsi_tape/nst" + std::to_string(number) + "/device/generic";
  ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return "";
  target[n] = '\0';
  const char* base = std::strrchr(target, '/');
  return std::string("/dev/") + (base != nullptr ? base + 1 : target);
}

// The tape drive number a tape device's name carries ("/dev/nst1",
// "/dev/st1"), or -1.
int tapeNumberOf(const char* device) {
  const char* base = std::strrchr(device, '/');
  base = base != nullptr ? base + 1 : device;
  if (*base == 'n') ++base;
  if (std::strncmp(base, "st", 2) != 0 || base[2] == '\0') return -1;
  if (std::strspn(base + 2, "0123456789") != std::strlen(base + 2)) return -1;
  return std::atoi(base + 2);
}

bool openPath(const std::string& path) {
  openedName = path;
  int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  tapeHandle = fd;
  return true;
}

// Tape drive N: its generic node, else the tape device itself, which also
// takes SG_IO (with CAP_SYS_RAWIO).
bool openTapeNumber(int number, const std::string& tapeDevice) {
  std::string node = genericNode(number);
  if (!node.empty() && openPath(node)) return true;
  return openPath(tapeDevice);
}

bool fail(int error) {
  lastError = error != 0 ? error : EIO;
  return false;
}

}  // namespace

bool carrierHasDrive(int drive) {
  return drive >= 0 && static_cast<size_t>(drive) < driveNumbers().size();
}

bool carrierOpen(int drive) {
  std::vector<int> numbers = driveNumbers();
  // Without any drive in sysfs the first is still tried by its usual name.
  if (numbers.empty() && drive == 0) numbers.push_back(0);
  if (drive < 0 || static_cast<size_t>(drive) >= numbers.size()) return fail(ENODEV);
  int number = numbers[static_cast<size_t>(drive)];
  if (openTapeNumber(number, "/dev/nst" + std::to_string(number))) return true;
  return fail(errno);
}

bool carrierOpenDevice(const char* device) {
  // A tape device named by the user is reached through its generic node
  // first, as the drives found are.
  int number = tapeNumberOf(device);
  if (number >= 0 && openTapeNumber(number, device)) return true;
  if (number < 0 && openPath(device)) return true;
  return fail(errno);
}

const char* carrierDeviceName() {
  return openedName.c_str();
}

void carrierClose() {
  if (tapeHandle >= 0) close(tapeHandle);
  tapeHandle = -1;
}

bool carrierIdentification(Identification* identification) {
  // Standard INQUIRY: 36 bytes, the identification at 8..35.
  uint8_t reply[36] = {};
  ScsiCommand command{{0x12, 0, 0, 0, sizeof reply, 0}, DataDirection::In, reply, sizeof reply, 5};
  identification->asked = true;
  std::memcpy(identification->cdb, command.cdb, 6);
  identification->length = command.length;
  if (!carrierSend(command, &identification->result)) return false;
  identification->found = identification->result.status == 0;
  std::memcpy(identification->id, reply + 8, pt::kIdentificationLength);
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

unsigned long carrierErrorCode() {
  return static_cast<unsigned long>(lastError);
}

const char* carrierPlatform() {
  return "linux";
}
