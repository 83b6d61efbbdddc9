// Any script of drive answers (statuses, sense bytes, failed controls, short
// transfers, interrupts, when the cassette comes, which drive it is) fed to
// the dumper run through the simulated drive. The run always ends; every
// path past identification closes the device; every frame delivered with
// GOOD and passed by the filter is in the image, in order; and a run that
// sent the audio-mode request ends with the data-mode request.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "capture.h"
#include "dat_frame.h"
#include "drive_model.h"
#include "fuzz_support.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data(data), size(size) {}
  uint8_t byte() { return at < size ? data[at++] : 0; }
  bool more() const { return at < size; }

 private:
  const uint8_t* data;
  size_t size;
  size_t at = 0;
};

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n%s", what, sim::logText().c_str());
  std::abort();
}

}  // namespace

// Run with -close_fd_mask=2: the run's prompt on standard error goes
// nowhere, while the fuzzer keeps its own copy of it for its reports.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory("capture-fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  sim::Script script;
  uint8_t flags = in.byte();
  script.insertAfter = in.byte() % 200;
  script.takesAudioMode = (flags & 1) == 0;
  if (flags & 2) script.identification[27] = static_cast<char>(in.byte());
  int frames = in.byte() % 64;
  for (int k = 0; k < frames; ++k) {
    std::vector<uint8_t> f(dat::kFrameSize, static_cast<uint8_t>(k));
    uint8_t b = in.byte();
    f[dat::kMainId1At] = b;         // the filter bit among others
    f[dat::kSubId1At] = in.byte();  // pack count
    f[dat::kPacksAt + 8 * (b % 7)] = 0x20;
    script.tape.insert(script.tape.end(), f.begin(), f.end());
  }
  while (in.more() && script.faults.size() < 64) {
    sim::Fault f{};
    f.command = static_cast<sim::Command>(in.byte() % 8);
    f.occurrence = 1 + in.byte() % 64;
    f.kind = static_cast<sim::Fault::Kind>(in.byte() % 5);
    f.status = in.byte();
    f.sense = in.byte();
    f.bytes = in.byte() * 23u;
    uint8_t r = in.byte();
    f.repeat = 1 + (r < 250 ? r % 8 : (r - 249) * 5000);  // now and then a long run
    script.faults.push_back(f);
  }
  unlink("KOVRANT.IMG");
  sim::configure(script);
  int status = runKovrant();

  const sim::DriveState& s = sim::state();
  const std::vector<sim::Request>& log = sim::requests();
  check(!s.open, "the device is left open");
  check(s.closes == s.opens, "closes do not match opens");
  for (const sim::Request& r : log) check(r.wellFormed, "a malformed request");

  // The image: replay the GOOD reads through the frame buffer and the filter.
  std::vector<uint8_t> buffer(dat::kFrameSize, 0), expected;
  int flag1 = 0, flag2 = 0;
  bool imageMade = false;
  for (const sim::Request& r : log) {
    if (r.command == sim::Command::TestUnitReady && r.carriedOut && r.status == 2 && r.sense == 6) {
      imageMade = true;
      expected.clear();
      flag1 = flag2 = 0;
    }
    if (r.command != sim::Command::Read || !r.carriedOut || r.status != 0) continue;
    if (r.frame >= 0) {
      // The request hands over no more than it asked for, whatever is reported.
      uint32_t n = r.transferred < r.transferLength ? r.transferred : r.transferLength;
      std::memcpy(buffer.data(), script.tape.data() + r.frame * dat::kFrameSize, n);
    }
    int f = (buffer[dat::kMainId1At] >> 3) & 1;
    if (f + flag1 + flag2 <= 1) expected.insert(expected.end(), buffer.begin(), buffer.end());
    flag2 = flag1;
    flag1 = f;
  }
  if (imageMade && access("KOVRANT.IMG", F_OK) == 0) {
    check(slurp("KOVRANT.IMG") == expected, "the image is not the good frames that passed");
  }

  // Once the audio-mode request has been sent, the last request is the
  // data-mode MODE SELECT, and the drive takes it when it is carried out.
  int selects = 0;
  for (const sim::Request& r : log) selects += r.command == sim::Command::ModeSelect;
  if (selects > 0) {
    check(selects == 2, "no data-mode request after the audio-mode request");
    check(log.back().command == sim::Command::ModeSelect, "no data-mode request at the end");
    const sim::Request& last = log.back();
    if (last.carriedOut && last.status == 0 && last.wellFormed && !last.faulted) {
      check(s.density == 0x13, "the drive is not in data mode");
    }
  }
  check(status == 0 || status == 1, "exit status");
  return 0;
}
