#include "tape_id.h"

#include "console.h"
#include "usage_messages.h"

namespace tapeid {

bool valid(const std::string& id) {
  if (id.empty() || id.size() > kLongest || id[0] == '.' || id[0] == '-') return false;
  for (char c : id) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    bool digit = c >= '0' && c <= '9';
    if (!letter && !digit && c != '.' && c != '_' && c != '-') return false;
  }
  return true;
}

bool fromArgument(const char* program, const char* given, std::optional<std::string>* id) {
  if (given == nullptr) return true;
  if (!valid(given)) {
    printStderr(msg::kTapeIdRefused, program, shownName(given).c_str(), static_cast<int>(kLongest));
    return false;
  }
  *id = given;
  return true;
}

}  // namespace tapeid
