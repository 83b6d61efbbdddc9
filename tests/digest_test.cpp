// The digests of the files: SHA-256, which the conversion log gives each
// file (by the processor's instructions and without them), and MD5, which
// Broadcast WAV files carry; against their standard vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "md5.h"
#include "sha256.h"

namespace {

TEST(Sha256, StandardVectors) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  // With the processor's SHA instructions where it has them, and without.
  for (bool byProcessor : {true, false}) {
    for (const auto& c : cases) {
      Sha256 whole(byProcessor), pieces(byProcessor);
      whole.update(c.first.data(), c.first.size());
      EXPECT_EQ(whole.hex(), c.second) << byProcessor;
      // Fed in uneven pieces, across the 64-byte blocks.
      for (size_t at = 0; at < c.first.size(); at += 37) {
        pieces.update(c.first.data() + at, std::min<size_t>(37, c.first.size() - at));
      }
      EXPECT_EQ(pieces.hex(), c.second) << byProcessor;
    }
  }
}

TEST(Md5, StandardVectors) {
  // RFC 1321, appendix A.5, and a million "a".
  const std::pair<std::string, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  for (const auto& c : cases) {
    Md5 whole, pieces;
    whole.update(c.first.data(), c.first.size());
    EXPECT_EQ(whole.hex(), c.second);
    for (size_t at = 0; at < c.first.size(); at += 37) {
      pieces.update(c.first.data() + at, std::min<size_t>(37, c.first.size() - at));
    }
    EXPECT_EQ(pieces.hex(), c.second);
  }
}

}  // namespace
