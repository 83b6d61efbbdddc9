// MD5 (RFC 1321): the digest that Broadcast WAV files carry in their "MD5 "
// chunk, of the data chunk's bytes, as the archival tools for such files
// expect. Not a defence against a forger: SHA-256 is the files' checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Md5 {
 public:
  Md5();
  void update(const void* bytes, size_t length);
  // Ends the computation: the 16 bytes of the digest, in their order.
  void digest(uint8_t out[16]);
  // Ends the computation: the digest as 32 lower-case hexadecimal digits.
  std::string hex();
  // The 16 bytes of a digest as 32 lower-case hexadecimal digits.
  static std::string hex(const uint8_t digest[16]);

 private:
  void block(const uint8_t* p);
  uint32_t state[4];
  uint8_t buffer[64];
  size_t buffered = 0;
  uint64_t total = 0;
};
