#include "byte_text.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int base64Value(char c) {
  for (int k = 0; k < 64; ++k) {
    if (kBase64Digits[k] == c) return k;
  }
  return -1;
}

}  // namespace

std::string hexText(const uint8_t* bytes, size_t length) {
  std::string out(length * 2, '0');
  for (size_t k = 0; k < length; ++k) {
    out[2 * k] = kHexDigits[bytes[k] >> 4];
    out[2 * k + 1] = kHexDigits[bytes[k] & 15];
  }
  return out;
}

std::string base64Text(const uint8_t* bytes, size_t length) {
  std::string out;
  out.reserve((length + 2) / 3 * 4);
  for (size_t at = 0; at < length; at += 3) {
    size_t have = length - at < 3 ? length - at : 3;
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) group = group << 8 | (k < have ? bytes[at + k] : 0);
    for (size_t k = 0; k < 4; ++k)
      out += k <= have ? kBase64Digits[group >> (18 - 6 * k) & 63] : '=';
  }
  return out;
}

bool fromHexText(const std::string& text, std::vector<uint8_t>* bytes) {
  bytes->clear();
  if (text.size() % 2 != 0) return false;
  for (size_t k = 0; k < text.size(); k += 2) {
    int high = hexValue(text[k]), low = hexValue(text[k + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<uint8_t>(high << 4 | low));
  }
  return true;
}

bool fromBase64Text(const std::string& text, std::vector<uint8_t>* bytes) {
  bytes->clear();
  if (text.size() % 4 != 0) return false;
  for (size_t at = 0; at < text.size(); at += 4) {
    uint32_t group = 0;
    int padding = 0;
    for (size_t k = 0; k < 4; ++k) {
      char c = text[at + k];
      int v = c == '=' && at + 4 == text.size() && k >= 2 ? 0 : base64Value(c);
      if (v < 0 || (padding > 0 && c != '=')) return false;
      if (c == '=') ++padding;
      group = group << 6 | static_cast<uint32_t>(v);
    }
    for (int k = 0; k < 3 - padding; ++k)
      bytes->push_back(static_cast<uint8_t>(group >> (16 - 8 * k)));
  }
  return true;
}
