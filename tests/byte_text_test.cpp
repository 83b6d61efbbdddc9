// Bytes as hex and base64 both ways (byte_text.h): the test vectors of RFC
// 4648, every byte value, and text of neither form refused.
#include "byte_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(ByteText, Base64AsRfc4648WritesIt) {
  const struct {
    const char* bytes;
    const char* text;
  } cases[] = {{"", ""},
               {"f", "Zg=="},
               {"fo", "Zm8="},
               {"foo", "Zm9v"},
               {"foob", "Zm9vYg=="},
               {"fooba", "Zm9vYmE="},
               {"foobar", "Zm9vYmFy"}};
  for (const auto& c : cases) {
    std::vector<uint8_t> b = bytesOf(c.bytes);
    EXPECT_EQ(base64Text(b.data(), b.size()), c.text) << c.bytes;
    std::vector<uint8_t> back{1, 2, 3};
    EXPECT_TRUE(fromBase64Text(c.text, &back)) << c.text;
    EXPECT_EQ(back, b) << c.text;
  }
}

TEST(ByteText, EveryByteValueThereAndBack) {
  std::vector<uint8_t> all;
  for (int v = 0; v < 256; ++v) all.push_back(static_cast<uint8_t>(v));
  for (size_t n = 0; n <= all.size(); n += 37) {
    std::vector<uint8_t> back;
    EXPECT_TRUE(fromBase64Text(base64Text(all.data(), n), &back));
    EXPECT_EQ(back, std::vector<uint8_t>(all.begin(), all.begin() + n));
    std::string hex = hexText(all.data(), n);
    EXPECT_EQ(hex.size(), 2 * n);
    EXPECT_TRUE(fromHexText(hex, &back));
    EXPECT_EQ(back, std::vector<uint8_t>(all.begin(), all.begin() + n));
  }
  const uint8_t some[] = {0x00, 0x0f, 0xa5, 0xff};
  EXPECT_EQ(hexText(some, sizeof some), "000fa5ff");
  std::vector<uint8_t> upper;
  EXPECT_TRUE(fromHexText("000FA5FF", &upper));
  EXPECT_EQ(upper, std::vector<uint8_t>(some, some + sizeof some));
}

TEST(ByteText, TextOfNeitherFormIsRefused) {
  const char* notBase64[] = {"Zg=", "Zg", "Z===", "Zm9v!A==", "Zg==Zg==", "Z=g=", "Zm 9v"};
  for (const char* text : notBase64) {
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(fromBase64Text(text, &bytes)) << text;
  }
  const char* notHex[] = {"0", "0g", "abc", " 00", "0x00"};
  for (const char* text : notHex) {
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(fromHexText(text, &bytes)) << text;
  }
}

}  // namespace
