// SHA-256 (FIPS 180-4): the fixity checksum of the files the programs write,
// in the form that `sha256sum -c` checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
 public:
  // `byProcessor`: the processor's SHA instructions where it has them.
  explicit Sha256(bool byProcessor = true);
  void update(const void* bytes, size_t length);
  // The digest's 32 bytes. Ends the computation.
  void digest(uint8_t out[32]);
  // The digest as 64 lower-case hexadecimal digits. Ends the computation.
  std::string hex();

 private:
  void block(const uint8_t* p);
  uint32_t state[8];
  uint8_t buffer[64];
  size_t buffered = 0;
  uint64_t total = 0;
  bool byProcessor;
  void blocks(const uint8_t* p, size_t count);
};

// The SHA-256 of the file `name`, read back from the disk. False, with errno
// set, when it cannot be read.
bool sha256File(const char* name, std::string* hex);
