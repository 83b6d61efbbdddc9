// kovrant-drive: the drive model behind Linux's own SCSI stack. The kernel's
// TCM-User backstore (target_core_user) hands every command that reaches
// its device to this program through a shared ring in a uio region; with a
// tcm_loop LUN on top, the kernel's SCSI midlayer, sg and st drivers see a
// tape drive, and a program that opens /dev/sgN or /dev/nst0 talks to the
// model through the real kernel path.
//
// Settings are those of kovrant-sim (KOVRANT_SIM_TAPE, _INSERT_AFTER, _ID,
// _NO_AUDIO_MODE, _FAULTS, _LOG); faults count the commands from the start
// of this program, so the kernel's scan of the LUN is best answered by an
// earlier one. SIGTERM writes the log and ends. With an argument NAME it
// answers the TCM-User device of that name, so that several instances can
// play several drives, each with its own settings.
//
// Ring protocol: include/uapi/linux/target_core_user.h (mailbox version 2).
// The mailbox at the start of the region says where the command ring is and
// how far the kernel has written (cmd_head); this program answers each entry
// in place and moves cmd_tail past it, then writes to the uio device to wake
// the kernel.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "drive_model.h"

namespace {

// The layout of the shared region, in byte offsets (the kernel header's
// struct iovec collides with the C library's, so it is not included).
namespace tcmu {
constexpr size_t kMailboxFlags = 2, kCmdrOff = 4, kCmdrSize = 8, kCmdHead = 12, kCmdTail = 64;
constexpr uint16_t kCapReadLen = 1 << 1;
// Every entry: len_op (length | opcode in the low 3 bits), cmd_id, kflags, uflags.
constexpr size_t kLenOp = 0, kCmdId = 4, kUflags = 7;
constexpr uint32_t kOpMask = 7, kOpCmd = 1, kOpTmr = 2;
constexpr uint8_t kUflagReadLen = 2;
// A command: iov_cnt, cdb_off and the iovecs (base offset in the region, length).
constexpr size_t kIovCnt = 8, kCdbOff = 24, kIov = 48, kIovSize = 16;
// Its answer, written over the command.
constexpr size_t kStatus = 8, kReadLen = 12, kSense = 16, kSenseSize = 96;
// Task management: cmd_cnt and the ids of the commands it aborts.
constexpr size_t kTmrCmdCnt = 12, kTmrCmdIds = 32;
}  // namespace tcmu

template <typename T>
T load(const uint8_t* at) {
  T v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

template <typename T>
void store(uint8_t* at, T v) {
  std::memcpy(at, &v, sizeof v);
}

volatile sig_atomic_t stopRequested = 0;

void onStop(int) {
  stopRequested = 1;
}

std::string readText(const std::string& path) {
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    char buf[256];
    size_t n = std::fread(buf, 1, sizeof buf, f);
    text.assign(buf, n);
    std::fclose(f);
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The first uio device of TCM-User ("tcm-user/HBA/NAME/CONFIG"), of the
// device `device` when it is not empty.
std::string findUio(const std::string& device) {
  DIR* dir = opendir("/sys/class/uio");
  if (dir == nullptr) return "";
  std::string found;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name.compare(0, 3, "uio") != 0) continue;
    std::string text = readText("/sys/class/uio/" + name + "/name");
    size_t at = text.find('/', 9);  // past "tcm-user/HBA"
    if (text.compare(0, 9, "tcm-user/") == 0 &&
        (device.empty() ||
         (at != std::string::npos && text.compare(at + 1, device.size() + 1, device + "/") == 0))) {
      found = name;
      break;
    }
  }
  closedir(dir);
  return found;
}

// Ctrl-C in the terminal of the program that uses the drive: SIGINT to
// every process named KOVRANT (KOVRANT.exe under Wine).
void interruptTheUser() {
  DIR* dir = opendir("/proc");
  if (dir == nullptr) return;
  while (dirent* e = readdir(dir)) {
    int pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    std::string name = readText(std::string("/proc/") + e->d_name + "/comm");
    if (name == "KOVRANT" || name == "KOVRANT.exe") kill(pid, SIGINT);
  }
  closedir(dir);
}

void pause(uint32_t milliseconds) {
  timespec t{static_cast<time_t>(milliseconds / 1000),
             static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0 && errno == EINTR && !stopRequested) {
  }
}

struct Segment {
  uint64_t offset;  // in the region
  uint64_t length;
};

class Ring {
 public:
  Ring(int fd, uint8_t* map) : fd(fd), map(map) {}

  uint32_t head() const { return __atomic_load_n(word(tcmu::kCmdHead), __ATOMIC_ACQUIRE); }
  uint32_t tail() const { return __atomic_load_n(word(tcmu::kCmdTail), __ATOMIC_ACQUIRE); }
  void setTail(uint32_t t) { __atomic_store_n(word(tcmu::kCmdTail), t, __ATOMIC_RELEASE); }
  uint32_t size() const { return load<uint32_t>(map + tcmu::kCmdrSize); }
  bool readLenCapable() const {
    return (load<uint16_t>(map + tcmu::kMailboxFlags) & tcmu::kCapReadLen) != 0;
  }

  uint8_t* entry(uint32_t offset) const {
    return map + load<uint32_t>(map + tcmu::kCmdrOff) + offset;
  }
  uint32_t opcode(uint32_t offset) const {
    return load<uint32_t>(entry(offset) + tcmu::kLenOp) & tcmu::kOpMask;
  }
  uint32_t next(uint32_t offset) const {
    return (offset + (load<uint32_t>(entry(offset) + tcmu::kLenOp) & ~tcmu::kOpMask)) % size();
  }

  // Wakes the kernel to collect the answers.
  void notify() {
    uint32_t one = 1;
    if (write(fd, &one, sizeof one) != sizeof one) std::perror("kovrant-drive: uio write");
  }
  // Waits up to `ms` for the kernel to post more.
  void wait(int ms) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, ms) > 0) {
      uint32_t count;
      if (read(fd, &count, sizeof count) < 0 && errno != EINTR) {
        std::perror("kovrant-drive: uio read");
      }
    }
  }

  // Whether a task management entry after `from` aborts command `id`.
  bool aborted(uint32_t from, uint16_t id) const {
    for (uint32_t at = next(from); at != head(); at = next(at)) {
      if (opcode(at) != tcmu::kOpTmr) continue;
      const uint8_t* t = entry(at);
      uint32_t count = load<uint32_t>(t + tcmu::kTmrCmdCnt);
      for (uint32_t k = 0; k < count; ++k) {
        if (load<uint16_t>(t + tcmu::kTmrCmdIds + 2 * k) == id) return true;
      }
    }
    return false;
  }

  uint8_t* at(uint64_t offset) const { return map + offset; }

 private:
  uint32_t* word(size_t offset) const { return reinterpret_cast<uint32_t*>(map + offset); }

  int fd;
  uint8_t* map;
};

// Answers the command at `offset` in place.
void answer(Ring& ring, uint32_t offset) {
  uint8_t* e = ring.entry(offset);
  // The command and its answer share the entry: take everything first.
  uint8_t cdb[6];
  std::memcpy(cdb, ring.at(load<uint64_t>(e + tcmu::kCdbOff)), sizeof cdb);
  uint16_t id = load<uint16_t>(e + tcmu::kCmdId);
  std::vector<Segment> segments(load<uint32_t>(e + tcmu::kIovCnt));
  std::vector<uint8_t> data;
  for (size_t k = 0; k < segments.size(); ++k) {
    segments[k].offset = load<uint64_t>(e + tcmu::kIov + k * tcmu::kIovSize);
    segments[k].length = load<uint64_t>(e + tcmu::kIov + k * tcmu::kIovSize + 8);
    const uint8_t* from = ring.at(segments[k].offset);
    data.insert(data.end(), from, from + segments[k].length);
  }
  uint32_t length = static_cast<uint32_t>(data.size());

  sim::Answer a = sim::execute(cdb, sim::Flow::Unknown, data.data(), length, 0);
  if (a.interrupt) interruptTheUser();
  if (!a.delivered) {
    // No answer until the kernel has given up on the command and aborted it.
    for (int waited = 0; !ring.aborted(offset, id) && waited < 120000 && !stopRequested;
         waited += 50) {
      ring.wait(50);
    }
    a = sim::Answer();
  }
  pause(a.delayMs);

  uint32_t given = a.reported < a.transferred ? a.reported : a.transferred;
  uint64_t done = 0;
  for (const Segment& s : segments) {
    if (done >= given) break;
    uint64_t n = s.length < given - done ? s.length : given - done;
    std::memcpy(ring.at(s.offset), data.data() + done, n);
    done += n;
  }
  std::memset(e + tcmu::kStatus, 0, tcmu::kSense + tcmu::kSenseSize - tcmu::kStatus);
  e[tcmu::kStatus] = a.status;
  if (a.sense[0] != 0) std::memcpy(e + tcmu::kSense, a.sense, sizeof a.sense);
  if (ring.readLenCapable() && a.reported < length) {
    e[tcmu::kUflags] |= tcmu::kUflagReadLen;
    store<uint32_t>(e + tcmu::kReadLen, a.reported);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string reason;
  if (!sim::configureFromEnvironment(&reason)) {
    std::fprintf(stderr, "kovrant-drive: %s\n", reason.c_str());
    return 2;
  }
  std::string uio = findUio(argc > 1 ? argv[1] : "");
  if (uio.empty()) {
    std::fprintf(stderr, "kovrant-drive: no TCM-User device in /sys/class/uio\n");
    return 1;
  }
  unsigned long size =
      std::strtoul(readText("/sys/class/uio/" + uio + "/maps/map0/size").c_str(), nullptr, 0);
  int fd = open(("/dev/" + uio).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 || size == 0) {
    std::fprintf(stderr, "kovrant-drive: cannot open /dev/%s: %s\n", uio.c_str(),
                 std::strerror(errno));
    return 1;
  }
  void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) {
    std::fprintf(stderr, "kovrant-drive: cannot map /dev/%s: %s\n", uio.c_str(),
                 std::strerror(errno));
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = onStop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  sim::open();  // the drive is attached
  Ring ring(fd, static_cast<uint8_t*>(map));
  while (!stopRequested) {
    bool answered = false;
    for (uint32_t at = ring.tail(); at != ring.head(); at = ring.tail()) {
      if (ring.opcode(at) == tcmu::kOpCmd) answer(ring, at);
      ring.setTail(ring.next(at));
      answered = true;
    }
    if (answered) ring.notify();
    ring.wait(200);
  }
  sim::writeLogFromEnvironment();
  return 0;
}
