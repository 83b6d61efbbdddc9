#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>

#include "frame_builder.h"

namespace testing_support {

namespace {

void removeTree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    for (const std::string& name : listDir(path)) removeTree(path + "/" + name);
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") + "/dattest.XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) std::abort();
  dir = buf.data();
}

TempDir::~TempDir() {
  removeTree(dir);
}

InDirectory::InDirectory(const std::string& dir) {
  char buf[4096];
  if (getcwd(buf, sizeof buf) == nullptr || chdir(dir.c_str()) != 0) std::abort();
  previous = buf;
}

InDirectory::~InDirectory() {
  if (chdir(previous.c_str()) != 0) std::abort();
}

namespace {

// The child's side after fork: limits, environment, arguments, exec.
[[noreturn]] void execIn(const std::string& program, const RunOptions& options) {
  if (options.fileSizeLimit >= 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(options.fileSizeLimit);
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  for (const std::string& e : options.env) putenv(const_cast<char*>(e.c_str()));
  if (options.timeoutSeconds > 0) alarm(options.timeoutSeconds);
  for (int fd : options.closed) close(fd);
  if (options.uid >= 0 && (setgid(options.uid) != 0 || setuid(options.uid) != 0)) _exit(125);
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& a : options.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

void finish(pid_t pid, RunResult* result) {
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return;
  if (WIFEXITED(status)) result->exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result->signal = WTERMSIG(status);
}

RunResult runOnTerminal(const std::string& dir, const std::string& program,
                        const RunOptions& options) {
  RunResult result;
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    struct termios raw;
    if (chdir(dir.c_str()) != 0 || tcgetattr(1, &raw) != 0) _exit(126);
    cfmakeraw(&raw);
    tcsetattr(1, TCSANOW, &raw);
    execIn(program, options);
  }
  if (pid < 0) return result;
  char buf[65536];
  ssize_t n;
  while ((n = read(master, buf, sizeof buf)) > 0) result.out.append(buf, static_cast<size_t>(n));
  close(master);
  finish(pid, &result);
  return result;
}

}  // namespace

RunResult runIn(const std::string& dir, const std::string& program, const RunOptions& options) {
  if (options.terminal) return runOnTerminal(dir, program, options);
  // Outputs through pipes: a file-size limit on the program must not cut them.
  RunResult result;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    if (in < 0 || chdir(dir.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(outPipe[1], 1);
    dup2(options.mergeOutput ? outPipe[1] : errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    execIn(program, options);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  struct pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0 && poll(fds, 2, -1) > 0) {
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      char buf[65536];
      ssize_t n = read(fds[k].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[k]->append(buf, static_cast<size_t>(n));
      }
      if (n <= 0 || (k == 0 && result.out.size() >= options.closeOutputAfter)) {
        close(fds[k].fd);
        fds[k].fd = -1;
        --open;
      }
    }
  }
  finish(pid, &result);
  return result;
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string textOf(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> recording(uint64_t seed, int programs, int64_t frames) {
  synth::SynthOptions o;
  o.seed = seed;
  o.programs = programs;
  o.frames = frames;
  return synth::synthesizeImage(o);
}

bool fileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> listDir(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (struct dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

std::string convert(const char* to, const char* from, const std::string& text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no converter>";
  std::string in = text;
  std::string out(in.size() * 2 + 16, '\0');
  char* src = in.data();
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return "<not convertible>";
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

std::string withoutTimeDisplay(const std::string& console, bool terminal) {
  static const std::regex piped("\rATIME=[^ ]* "), shown("(\rATIME=[^\r\n]*)+\n");
  return std::regex_replace(console, terminal ? shown : piped, "");
}

std::string toCp932(const std::string& utf8) {
  return convert("CP932", "UTF-8", utf8);
}

std::string fromCp932(const std::string& bytes) {
  return convert("UTF-8", "CP932", bytes);
}

}  // namespace testing_support
