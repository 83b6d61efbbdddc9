#include "cp932.h"

namespace cp932 {

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

}  // namespace cp932
