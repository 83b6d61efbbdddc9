#include "dat_frame.h"

#include <cstdio>

namespace dat {

RateInfo rateInfo(int code) {
  switch (code) {
    case 0:
      return {48000, 5760, "48kHz"};
    case 1:
      return {44100, 5292, "44.1kHz"};
    default:
      return {32000, 0, "32kHz"};
  }
}

ProgramDigits programDigits(const DatFrame& f) {
  return {f.subId[1] >> 4, f.subId[2] >> 4, f.subId[2] & 0x0F};
}

void programText(const DatFrame& f, char text[4]) {
  // "%01x%01x%01x" of the three digits, without printf on every frame.
  static const char kHex[] = "0123456789abcdef";
  ProgramDigits d = programDigits(f);
  text[0] = kHex[d.hundreds];
  text[1] = kHex[d.tens];
  text[2] = kHex[d.units];
  text[3] = '\0';
}

bool namesProgram(const char* text) {
  // The digits are printed in lower case; compare without regard to case all the same.
  char t[3];
  for (int k = 0; k < 3; ++k) {
    char c = text[k];
    t[k] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (t[0] != '0') return true;
  bool pseudo = t[1] == t[2] && (t[1] == 'a' || t[1] == 'b' || t[1] == 'e');
  return !pseudo;
}

int programNumber(const DatFrame& f) {
  ProgramDigits d = programDigits(f);
  return d.hundreds * 100 + d.tens * 10 + d.units;
}

int packCount(const DatFrame& f) {
  int n = f.subId[1] & 0x0F;
  return n == 0 ? 7 : n;
}

int packsInUse(const DatFrame& f) {
  int n = packCount(f);
  return n > kPackCount ? kPackCount : n;
}

const uint8_t* lastAtimePack(const DatFrame& f) {
  for (int k = packsInUse(f) - 1; k >= 0; --k) {
    if (isAtimePack(f.packs[k])) return f.packs[k];
  }
  return nullptr;
}

}  // namespace dat
