// Both programs under conditions that a user or another program can create:
// a console reader that goes away, links planted under the output names, a
// full disk, an image shortened while it is being converted, a FIFO in place
// of the image.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "converter_messages.h"
#include "dat_frame.h"
#include "frame_builder.h"
#include "mapped_file.h"
#include "test_support.h"

namespace {

using testing_support::readFile;
using testing_support::runIn;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::TempDir;
using testing_support::toCp932;

const std::string kKovrantSim = KOVRANT_SIM_PATH;
const std::string kSelthix = SELTHIX_PATH;

std::vector<uint8_t> recording(int programs, int64_t frames) {
  return testing_support::recording(7, programs, frames);
}

using testing_support::textOf;

const char kDriveBackInDataMode[] = "end: open=0 opens=1 closes=1 density=13 loaded=0";

// The temporary files in `dir` (those whose names hold `kind`: ".part" for
// any, ".wav.part" for a WAV file being written).
std::vector<std::string> leftovers(const TempDir& dir, const char* kind = ".part") {
  std::vector<std::string> out;
  for (const std::string& n : testing_support::listDir(dir.path())) {
    if (n.find(kind) != std::string::npos) out.push_back(n);
  }
  return out;
}

TEST(NoConsole, TheDumperFinishesWhenItsReaderGoes) {
  // kovrant-sim | head -c 2000: the ATIME display goes on long after.
  TempDir dir;
  std::vector<uint8_t> tape = recording(2, 2000);
  ASSERT_TRUE(synth::writeFile(dir.file("tape.bin"), tape));
  RunOptions options;
  options.env = {"KOVRANT_SIM_TAPE=tape.bin", "KOVRANT_SIM_LOG=sim.log"};
  options.closeOutputAfter = 2000;
  RunResult r = runIn(dir.path(), kKovrantSim, options);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(readFile(dir.file("KOVRANT.IMG")) == tape);
  EXPECT_NE(textOf(readFile(dir.file("sim.log"))).find(kDriveBackInDataMode), std::string::npos);
}

TEST(NoConsole, TheConverterFinishesWhenItsReaderGoes) {
  std::vector<uint8_t> image = recording(6, 3000);
  TempDir quiet, heard;
  ASSERT_TRUE(synth::writeFile(quiet.file("KOVRANT.IMG"), image));
  ASSERT_TRUE(synth::writeFile(heard.file("KOVRANT.IMG"), image));
  RunOptions options;
  options.closeOutputAfter = 1;
  RunResult r = runIn(quiet.path(), kSelthix, options);
  RunResult full = runIn(heard.path(), kSelthix);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exitCode, 0);
  std::vector<std::string> names = testing_support::listDir(heard.path());
  EXPECT_EQ(testing_support::listDir(quiet.path()), names);
  for (const std::string& n : names) {
    // The record for machines, and the page made from it, hold the run's own times.
    if (n == "SELTHIX.json" || n == "SELTHIX.html") continue;
    EXPECT_TRUE(readFile(quiet.file(n)) == readFile(heard.file(n))) << n;
  }
}

// `KOVRANT >&-` and the like: a file opened later must not take a standard
// descriptor's number and receive console text.
TEST(NoConsole, ClosedStandardDescriptorsReceiveNothing) {
  std::vector<uint8_t> tape = recording(3, 400);
  TempDir reference;
  ASSERT_TRUE(synth::writeFile(reference.file("KOVRANT.IMG"), tape));
  ASSERT_EQ(runIn(reference.path(), kSelthix).exitCode, 0);
  const std::vector<std::vector<int>> cases = {{0}, {1}, {2}, {1, 2}, {0, 1, 2}};
  for (const std::vector<int>& closed : cases) {
    SCOPED_TRACE(::testing::PrintToString(closed));
    TempDir dir;
    ASSERT_TRUE(synth::writeFile(dir.file("tape.bin"), tape));
    RunOptions options;
    options.env = {"KOVRANT_SIM_TAPE=tape.bin", "KOVRANT_SIM_LOG=sim.log"};
    options.closed = closed;
    EXPECT_EQ(runIn(dir.path(), kKovrantSim, options).exitCode, 0);
    EXPECT_TRUE(readFile(dir.file("KOVRANT.IMG")) == tape);
    EXPECT_NE(textOf(readFile(dir.file("sim.log"))).find(kDriveBackInDataMode), std::string::npos);
    options.env.clear();
    EXPECT_EQ(runIn(dir.path(), kSelthix, options).exitCode, 0);
    for (const std::string& n : testing_support::listDir(reference.path())) {
      if (n.find(".wav") == std::string::npos) continue;
      EXPECT_TRUE(readFile(dir.file(n)) == readFile(reference.file(n))) << n;
    }
  }
}

enum class Plant { SymbolicLink, HardLink };

// Plants a link to `victim` under `name`.
void plant(Plant how, const std::string& victim, const std::string& name) {
  if (how == Plant::SymbolicLink) {
    ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0);
  } else {
    ASSERT_EQ(link(victim.c_str(), name.c_str()), 0);
  }
}

// Runs `program` in a directory prepared by `prepare`, with a link to a
// file "victim" planted under `output`; the victim must keep its bytes and
// `output` must be a file of its own, holding what `holds` accepts.
template <typename Prepare, typename Holds>
void expectNotWrittenThrough(Plant how, const std::string& program, const std::string& output,
                             Prepare prepare, Holds holds) {
  const std::vector<uint8_t> precious = {'m', 'i', 'n', 'e'};
  TempDir dir;
  RunOptions options;
  prepare(dir, options);
  ASSERT_TRUE(synth::writeFile(dir.file("victim"), precious));
  plant(how, dir.file("victim"), dir.file(output));
  RunResult r = runIn(dir.path(), program, options);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(readFile(dir.file("victim")), precious);
  struct stat st;
  ASSERT_EQ(lstat(dir.file(output).c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_nlink, 1u);
  EXPECT_TRUE(holds(readFile(dir.file(output))));
  EXPECT_TRUE(leftovers(dir).empty());
}

TEST(Links, NeitherProgramWritesThroughALinkUnderItsOutputName) {
  std::vector<uint8_t> tape = recording(2, 300);
  for (Plant how : {Plant::SymbolicLink, Plant::HardLink}) {
    SCOPED_TRACE(how == Plant::SymbolicLink ? "symbolic link" : "hard link");
    expectNotWrittenThrough(
        how, kKovrantSim, "KOVRANT.IMG",
        [&](const TempDir& dir, RunOptions& options) {
          ASSERT_TRUE(synth::writeFile(dir.file("tape.bin"), tape));
          options.env = {"KOVRANT_SIM_TAPE=tape.bin"};
        },
        [&](const std::vector<uint8_t>& image) { return image == tape; });
    expectNotWrittenThrough(
        how, kSelthix, "#001-48kHz.wav",
        [&](const TempDir& dir, RunOptions&) {
          ASSERT_TRUE(synth::writeFile(dir.file("KOVRANT.IMG"), tape));
        },
        testing_support::wellFormedWav);
    expectNotWrittenThrough(
        how, kSelthix, "SELTHIX.LOG",
        [&](const TempDir& dir, RunOptions&) {
          ASSERT_TRUE(synth::writeFile(dir.file("KOVRANT.IMG"), tape));
        },
        [](const std::vector<uint8_t>& log) {
          return textOf(log).rfind("プログラム: SELTHIX", 0) == 0;
        });
    expectNotWrittenThrough(
        how, kSelthix, "SELTHIX-CORE.csv",
        [&](const TempDir& dir, RunOptions& options) {
          ASSERT_TRUE(synth::writeFile(dir.file("KOVRANT.IMG"), tape));
          options.args = {"--bwf"};
        },
        [](const std::vector<uint8_t>& core) { return textOf(core).rfind("FileName,", 0) == 0; });
  }
}

TEST(FullDisk, NoWavIsLeftWhoseHeaderLies) {
  std::vector<uint8_t> image = recording(4, 2000);
  for (int64_t limit : {int64_t{0}, int64_t{100}, int64_t{1} << 20}) {
    SCOPED_TRACE(limit);
    TempDir dir;
    ASSERT_TRUE(synth::writeFile(dir.file("KOVRANT.IMG"), image));
    // A file of an earlier run that this run fails to replace stays as it was.
    ASSERT_TRUE(synth::writeFile(dir.file("#002-48kHz.wav"), {'o', 'l', 'd'}));
    RunOptions options;
    options.fileSizeLimit = limit;
    RunResult r = runIn(dir.path(), kSelthix, options);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    int wavs = 0;
    for (const std::string& n : testing_support::listDir(dir.path())) {
      if (n.size() < 4 || n.compare(n.size() - 4, 4, ".wav") != 0) continue;
      std::vector<uint8_t> bytes = readFile(dir.file(n));
      if (n == "#002-48kHz.wav" && bytes.size() == 3) continue;  // the earlier run's
      ++wavs;
      EXPECT_TRUE(testing_support::wellFormedWav(bytes)) << n << " " << bytes.size();
    }
    if (limit == 0) {
      EXPECT_EQ(wavs, 0);
    }
    EXPECT_TRUE(leftovers(dir).empty());
  }
}

// True once `pid` has `name` mapped.
bool maps(pid_t pid, const std::string& name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(name) != std::string::npos) return true;
  }
  return false;
}

TEST(ShortenedImage, TheConverterReportsItAndKeepsNoHalfWrittenFile) {
  TempDir dir;
  std::vector<uint8_t> image = recording(3, 3000);
  std::string imagePath = dir.file("KOVRANT.IMG");
  ASSERT_TRUE(synth::writeFile(imagePath, image));
  // Standard output is a one-page pipe that the banner fills: the converter
  // then waits in its first message of the walk, with the image mapped.
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  ASSERT_GE(fcntl(out[1], F_SETPIPE_SZ, 4096), 4096);
  int capacity = fcntl(out[1], F_GETPIPE_SZ);
  std::string filler(static_cast<size_t>(capacity) - toCp932(msg::kSelthixBanner).size(), 'x');
  ASSERT_EQ(write(out[1], filler.data(), filler.size()), static_cast<ssize_t>(filler.size()));
  std::string errPath = dir.file("err.txt");
  pid_t pid = fork();
  if (pid == 0) {
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err < 0 || chdir(dir.path().c_str()) != 0) _exit(126);
    dup2(out[1], 1);
    dup2(err, 2);
    close(out[0]);
    alarm(30);
    execl(kSelthix.c_str(), kSelthix.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  for (int k = 0; k < 3000 && !maps(pid, imagePath); ++k) usleep(10000);
  ASSERT_TRUE(maps(pid, imagePath));
  ASSERT_EQ(truncate(imagePath.c_str(), 10 * dat::kFrameSize), 0);
  char buf[65536];
  while (read(out[0], buf, sizeof buf) > 0) {
  }
  close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(textOf(readFile(errPath)).find(toCp932(msg::kImageChanged)), std::string::npos);
  for (const std::string& n : testing_support::listDir(dir.path())) {
    EXPECT_TRUE(n == "KOVRANT.IMG" || n == "err.txt" || n == "SELTHIX.LOG" || n == "SELTHIX.json" ||
                n == "SELTHIX.html")
        << n << " was left";
  }
  // The conversion log says so too, in its last line, and its record.
  std::string log = textOf(readFile(dir.file("SELTHIX.LOG")));
  EXPECT_NE(log.find("終了ステータス: 1\nまとめ: 変換中にイメージが短くなったため中止"),
            std::string::npos)
      << log;
  std::string record = textOf(readFile(dir.file("SELTHIX.json")));
  EXPECT_NE(record.find("\"exitStatus\": 1,\n  \"ending\": \"image-shortened\"\n}"),
            std::string::npos)
      << record;
}

// A converter at work on one long segment of `frames` frames (5760 bytes
// of audio each), its standard output and error in out.txt and err.txt,
// started in `dir` (with a file size limit in bytes, SIGXFSZ at its
// default, when `limit` > 0) and stopped (SIGSTOP) while its WAV file is
// still being written. -1 when that could not be had.
pid_t convertingLongSegment(const TempDir& dir, int frames, rlim_t limit) {
  std::vector<uint8_t> image;
  synth::Frame f = synth::blankFrame();
  synth::fillConstant(f, 1000);
  for (int k = 0; k < frames; ++k) image.insert(image.end(), f.begin(), f.end());
  // A busy machine may notice the file only when it is complete: try again.
  for (int attempt = 0; attempt < 5; ++attempt) {
    for (const std::string& n : testing_support::listDir(dir.path())) {
      unlink(dir.file(n).c_str());
    }
    if (!synth::writeFile(dir.file("KOVRANT.IMG"), image)) return -1;
    pid_t pid = fork();
    if (pid == 0) {
      int out = open(dir.file("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open(dir.file("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || err < 0 || chdir(dir.path().c_str()) != 0) _exit(126);
      dup2(out, 1);
      dup2(err, 2);
      if (limit > 0) {
        struct rlimit l;
        l.rlim_cur = l.rlim_max = limit;
        setrlimit(RLIMIT_FSIZE, &l);
      }
      alarm(120);
      execl(kSelthix.c_str(), kSelthix.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    bool seen = false;
    for (int k = 0; k < 40000 && !seen; ++k) {
      seen = !leftovers(dir, ".wav.part").empty();
      if (!seen) usleep(500);
    }
    kill(pid, SIGSTOP);
    if (seen && !leftovers(dir, ".wav.part").empty()) return pid;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  return -1;
}

// The image shortened while a long segment is being written: the converter
// must stop that file at once, not write the rest of it from zero pages.
// The file size limit ends a converter that goes on.
TEST(ShortenedImage, TheSegmentBeingWrittenStopsAtOnce) {
  // 115 MB of audio against a limit of 100 MB: the converter is stopped well
  // before the limit (how far it got is measured), the image shortened.
  const rlim_t kLimit = 100 << 20;
  TempDir dir;
  pid_t pid = convertingLongSegment(dir, 20000, kLimit);
  ASSERT_GT(pid, 0);
  struct stat st = {};
  std::vector<std::string> parts = leftovers(dir, ".wav.part");
  ASSERT_EQ(parts.size(), 1u);
  ASSERT_EQ(stat(dir.file(parts[0]).c_str(), &st), 0);
  ASSERT_LT(st.st_size, static_cast<off_t>(kLimit) - (16 << 20)) << "stopped too late to tell";
  ASSERT_EQ(truncate(dir.file("KOVRANT.IMG").c_str(), 10 * dat::kFrameSize), 0);
  kill(pid, SIGCONT);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(leftovers(dir).empty());
}

// Written again in place (same size, new bytes) or replaced under its name
// while a file was being made from it: that file is not kept.
TEST(RewrittenImage, TheConverterNoticesAndKeepsNothingOfIt) {
  for (bool inPlace : {true, false}) {
    SCOPED_TRACE(inPlace ? "in place" : "replaced");
    TempDir dir;
    pid_t pid = convertingLongSegment(dir, 12000, 0);
    ASSERT_GT(pid, 0);
    std::string image = dir.file("KOVRANT.IMG");
    if (inPlace) {
      int fd = open(image.c_str(), O_WRONLY);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(pwrite(fd, "changed", 7, 100 * dat::kFrameSize), 7);
      close(fd);
    } else {
      std::vector<uint8_t> bytes = readFile(image);
      ASSERT_TRUE(synth::writeFile(dir.file("other"), bytes));
      ASSERT_EQ(rename(dir.file("other").c_str(), image.c_str()), 0);
    }
    kill(pid, SIGCONT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(textOf(readFile(dir.file("err.txt"))), toCp932(msg::kImageRewritten));
    EXPECT_FALSE(testing_support::fileExists(dir.file("#000-48kHz.wav")));
    EXPECT_TRUE(leftovers(dir).empty());
  }
}

// A read fault inside the file's size is a page that could not be read;
// past its end, a shortened file.
TEST(ShortenedImage, AReadFaultIsToldFromAShortenedFile) {
  EXPECT_EQ(busErrorKind(4096, 10 * 4096), ImageChange::ReadError);
  EXPECT_EQ(busErrorKind(0, 1), ImageChange::ReadError);
  EXPECT_EQ(busErrorKind(10 * 4096, 10 * 4096), ImageChange::Shortened);
  EXPECT_EQ(busErrorKind(5, 0), ImageChange::Shortened);
}

TEST(Interrupted, TheConversionRemovesItsFileSaysSoAndEndsWithStatus3) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    TempDir dir;
    pid_t pid = convertingLongSegment(dir, 12000, 0);
    ASSERT_GT(pid, 0);
    kill(pid, signal);
    kill(pid, SIGCONT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_TRUE(leftovers(dir).empty());
    EXPECT_FALSE(testing_support::fileExists(dir.file("#000-48kHz.wav")));
    EXPECT_EQ(textOf(readFile(dir.file("err.txt"))), toCp932(msg::kConversionInterrupted));
    EXPECT_NE(textOf(readFile(dir.file("SELTHIX.LOG"))).find("終了ステータス: 3\nまとめ: 中断。"),
              std::string::npos);
  }
}

// SIGKILL leaves the temporary file; the next run takes it away, but never
// another user's, one of a process that still runs, or one not of its names.
TEST(Interrupted, AKilledConversionsFileIsTakenAwayByTheNextRun) {
  TempDir dir;
  pid_t pid = convertingLongSegment(dir, 12000, 0);
  ASSERT_GT(pid, 0);
  kill(pid, SIGKILL);
  ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
  std::vector<std::string> left = leftovers(dir);
  ASSERT_EQ(left.size(), 1u);
  std::string gone = std::to_string(pid);
  const std::vector<std::string> kept = {
      "#001-48kHz.wav.part-" + gone + "-0",                      // another user's
      "#002-48kHz.wav.part-" + std::to_string(getpid()) + "-0",  // still running
      "notes.txt.part-" + gone + "-0",                           // not one of its names
  };
  // The CORE document's of the killed run too.
  const std::string core = "SELTHIX-CORE.csv.part-" + gone + "-1";
  ASSERT_TRUE(synth::writeFile(dir.file(core), {1}));
  for (const std::string& n : kept) ASSERT_TRUE(synth::writeFile(dir.file(n), {1, 2, 3}));
  ASSERT_EQ(chown(dir.file(kept[0]).c_str(), 4242, 4242), 0);
  ASSERT_TRUE(synth::writeFile(dir.file("KOVRANT.IMG"), recording(1, 50)));
  RunResult r = runIn(dir.path(), kSelthix);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(testing_support::fileExists(dir.file(left[0])));
  for (const std::string& n : kept) EXPECT_TRUE(testing_support::fileExists(dir.file(n))) << n;
  EXPECT_NE(
      textOf(readFile(dir.file("SELTHIX.LOG"))).find("古い一時ファイルを削除: " + left[0] + "\n"),
      std::string::npos);
  EXPECT_FALSE(testing_support::fileExists(dir.file(core)));
  EXPECT_NE(
      textOf(readFile(dir.file("SELTHIX.LOG"))).find("古い一時ファイルを削除: " + core + "\n"),
      std::string::npos);
}

TEST(Fifo, TheConverterRefusesItWithoutWaiting) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("KOVRANT.IMG").c_str(), 0644), 0);
  RunOptions options;
  options.timeoutSeconds = 20;
  RunResult r = runIn(dir.path(), kSelthix, options);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, toCp932(msg::kCreateFileFailed));
}

}  // namespace
