// kovrant-sim: the real KOVRANT program against the drive model
// (kovrant_program.h), or, with --replay TRACE [--image IMAGE], against a
// replay of a trace (replay.h): the run takes the trace's settings, and the
// arguments given besides come after them.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console.h"
#include "kovrant_program.h"
#include "language.h"
#include "replay.h"
#include "replay_messages.h"

namespace {

// The value of option `name` at argv[*k] ("--name VALUE" or
// "--name=VALUE"), *k past it; null when argv[*k] is not that option.
const char* optionValue(const char* name, int argc, char** argv, int* k) {
  size_t n = std::strlen(name);
  const char* a = argv[*k];
  if (std::strncmp(a, name, n) != 0) return nullptr;
  if (a[n] == '=') return a + n + 1;
  if (a[n] == '\0' && *k + 1 < argc) return argv[++*k];
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const char* trace = nullptr;
  const char* image = nullptr;
  std::vector<char*> rest;
  for (int k = 1; k < argc; ++k) {
    const char* value = nullptr;
    if ((value = optionValue("--replay", argc, argv, &k)) != nullptr) {
      trace = value;
    } else if ((value = optionValue("--image", argc, argv, &k)) != nullptr) {
      image = value;
    } else {
      rest.push_back(argv[k]);
    }
  }
  if (trace == nullptr && image == nullptr) return kovrantProgram(argc, argv);
  useLanguage(systemLanguage());
  if (trace == nullptr) {
    printStderr(msg::kReplayImageWithoutTrace);
    return 2;
  }
  if (!replay::begin(trace, image)) return 2;
  // The device is the trace's: TAPE of this run names none.
  static char noTape[] = "TAPE=";
  putenv(noTape);
  std::vector<std::string> settings = replay::arguments();
  std::vector<char*> args{argv[0]};
  for (std::string& s : settings) args.push_back(&s[0]);
  args.insert(args.end(), rest.begin(), rest.end());
  args.push_back(nullptr);
  int exitStatus = kovrantProgram(static_cast<int>(args.size()) - 1, args.data());
  return replay::finish() ? exitStatus : replay::kDiverged;
}
