#include "output_file.h"

#include <cerrno>
#include <cstdlib>

#include "output_file_platform.h"

FILE* createFresh(const char* name) {
  if (platform::directoryUnder(name) || !platform::removeName(name)) return nullptr;
  return platform::createNew(name);
}

namespace {

constexpr char kPart[] = ".part-";

}  // namespace

bool StagedFile::create(const char* name) {
  discard();
  if (platform::directoryUnder(name)) return false;
  target = name;
  std::string stem = target + kPart + std::to_string(platform::processId()) + "-";
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

std::string fallbackName(const std::string& name, int k) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) dot = name.size();
  return name.substr(0, dot) + "-" + std::to_string(k) + name.substr(dot);
}

bool StagedFile::commitBesideAnother() {
  if (file == nullptr) return false;
  FILE* f = file;
  file = nullptr;
  bool moved = std::fclose(f) == 0 && platform::moveOver(temporary.c_str(), target.c_str());
  int error = errno;
  if (!moved && (error == EPERM || error == EACCES)) {
    for (int k = 1; k <= kFallbackNames && !moved; ++k) {
      std::string other = fallbackName(target, k);
      moved = platform::moveToFree(temporary.c_str(), other.c_str());
      if (moved) {
        target = other;
        refused = error;
      } else if (errno != EEXIST) {
        break;
      }
    }
  }
  if (!moved) {
    discard();
    errno = error;
    return false;
  }
  temporary.clear();
  return true;
}

bool StagedFile::writeWhole(const char* name, const std::string& text) {
  errno = 0;
  if (!create(name)) return false;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
    int error = errno != 0 ? errno : EIO;
    discard();
    errno = error;
    return false;
  }
  return commitBesideAnother();
}

void StagedFile::discard() {
  if (file != nullptr) std::fclose(file);
  file = nullptr;
  if (!temporary.empty()) platform::removeName(temporary.c_str());
  temporary.clear();
}

FILE* createUnused(const char* name) {
  return platform::createNew(name);
}

FILE* openRegular(const char* name) {
  return platform::openRegular(name);
}

bool sameFile(const char* a, const char* b) {
  return platform::sameFile(a, b);
}

bool ownFile(FILE* f) {
  return platform::ownFile(f);
}

bool removeOwnFile(const char* name) {
  if (!platform::ownRegularFile(name)) {
    errno = EPERM;
    return false;
  }
  return platform::removeName(name);
}

bool stampOf(FILE* f, FileStamp* stamp) {
  return platform::stampOf(f, stamp);
}

bool stampOf(const char* name, FileStamp* stamp) {
  return platform::stampOf(name, stamp);
}

std::vector<std::string> removeStaleTemporaries(
    const std::function<bool(const std::string& target)>& ours) {
  std::vector<std::string> removed;
  for (const std::string& name : platform::namesHere()) {
    // TARGET.part-PID-N
    size_t part = name.rfind(kPart);
    if (part == std::string::npos || !ours(name.substr(0, part))) continue;
    std::string rest = name.substr(part + sizeof kPart - 1);
    size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size() ||
        rest.find_first_not_of("0123456789-") != std::string::npos) {
      continue;
    }
    unsigned long pid = std::strtoul(rest.substr(0, dash).c_str(), nullptr, 10);
    if (platform::leftByGoneProcess(name.c_str(), pid) && platform::removeName(name.c_str())) {
      removed.push_back(name);
    }
  }
  return removed;
}
