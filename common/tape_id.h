// The tape's identity: what the user calls the cassette (--tape ID), so that
// its files, records and pages can be matched to the shelf. 1 to 32
// characters of letters, digits, ".", "_" and "-", not starting with "." or
// "-" (a name that is safe in a file name and in a shell word).
#pragma once

#include <optional>
#include <string>

namespace tapeid {

constexpr size_t kLongest = 32;

// True when `id` is a tape identity as above.
bool valid(const std::string& id);

// The identity the command line gives: none without --tape (`given` null),
// the identity when it is valid. False when it is not: the console has said
// why (standard error), and the program ends with exit status 2.
bool fromArgument(const char* program, const char* given, std::optional<std::string>* id);

}  // namespace tapeid
