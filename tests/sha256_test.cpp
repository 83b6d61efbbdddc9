// SHA-256, which the conversion log gives each file, against the standard
// vectors, by the processor's instructions and without them.
#include "sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

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

}  // namespace
