#include "output_file.h"

#include <cerrno>

#include "output_file_platform.h"

FILE* createFresh(const char* name) {
  if (platform::directoryUnder(name) || !platform::removeName(name)) return nullptr;
  return platform::createNew(name);
}

bool StagedFile::create(const char* name) {
  discard();
  if (platform::directoryUnder(name)) return false;
  target = name;
  std::string stem = target + ".part-" + std::to_string(platform::processId()) + "-";
  for (int k = 0; k < 100; ++k) {
    temporary = stem + std::to_string(k);
    file = platform::createNew(temporary.c_str());
    if (file != nullptr) return true;
    if (errno != EEXIST) break;
  }
  int error = errno;
  temporary.clear();
  errno = error;
  return false;
}

bool StagedFile::commit() {
  if (file == nullptr) return false;
  FILE* f = file;
  file = nullptr;
  if (std::fclose(f) != 0 || !platform::moveOver(temporary.c_str(), target.c_str())) {
    int error = errno;
    discard();
    errno = error;
    return false;
  }
  temporary.clear();
  return true;
}

void StagedFile::discard() {
  if (file != nullptr) std::fclose(file);
  file = nullptr;
  if (!temporary.empty()) platform::removeName(temporary.c_str());
  temporary.clear();
}

bool sameFile(const char* a, const char* b) {
  return platform::sameFile(a, b);
}
