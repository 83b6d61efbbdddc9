#include "cp932.h"

namespace cp932 {

namespace {

bool isLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string fromUtf8(const char* utf8, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length;) {
    char32_t c = decodeUtf8(utf8, length, &i);
    uint16_t code = c < 0x80 ? static_cast<uint16_t>(c) : codeOf(c);
    if (c >= 0x80 && code == 0) {
      out += '?';
    } else if (code < 0x100) {
      out += static_cast<char>(code);
    } else {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    }
  }
  return out;
}

std::string toUtf8(const char* bytes, size_t length) {
  std::string out;
  out.reserve(length * 3 / 2);
  for (size_t i = 0; i < length; ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (!isLeadByte(b) || i + 1 == length) {
      out += b < 0x80 ? static_cast<char>(b) : '?';
      continue;
    }
    uint16_t code = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(bytes[++i]));
    char32_t c = 0;
    for (const Row& r : kTable) {
      if (r.code == code) c = r.unicode;
    }
    if (c == 0) {
      out += '?';
    } else {
      appendUtf8(out, c);
    }
  }
  return out;
}

std::vector<Listed>& listed() {
  static std::vector<Listed> all;
  return all;
}

}  // namespace cp932
