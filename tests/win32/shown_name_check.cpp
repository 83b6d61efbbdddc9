// Names from outside as the programs show them on Windows: bytes of the ANSI
// code page (932 on the systems of the Japanese texts) as UTF-8, their
// control characters escaped; and as the records give them.
// Prints one line per check; exit status 0 when all pass.
#include <windows.h>

#include <cstdio>
#include <string>

#include "console.h"

int main() {
  if (GetACP() != 932) {
    std::printf("FAIL the ANSI code page is %u, not 932\n", GetACP());
    return 1;
  }
  struct Case {
    const char* ansi;
    const char* shown;
  } cases[] = {
      {"..\\\x83\x70\x83\x58\x31\\KOVRANT.IMG", "..\\パス1\\KOVRANT.IMG"},
      // 表 is 0x95 0x5C: its second byte is no backslash.
      {"\x1b]0;\x07\x95\\", "\\x1b]0;\\x07表"},
  };
  int failures = 0;
  for (const Case& c : cases) {
    std::string shown = shownName(c.ansi);
    bool ok = shown == c.shown;
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", ok ? c.shown : shown.c_str());
    if (!ok) ++failures;
  }
  // As the records give them: the text as UTF-8, its control characters as
  // they are; none for bytes that are not of the code page (a lead byte
  // without its second).
  const struct {
    const char* ansi;
    bool text;
    const char* utf8;
  } texts[] = {
      {"..\\\x83\x70\x83\x58\x31\\KOVRANT.IMG", true, "..\\パス1\\KOVRANT.IMG"},
      {"\x1b]0;\x07\x95\\", true, "\x1b]0;\x07表"},
      {"x\x83", false, ""},
  };
  for (const auto& t : texts) {
    std::string utf8;
    bool text = nameAsText(t.ansi, &utf8);
    bool ok = text == t.text && (!text || utf8 == t.utf8);
    std::printf("%s as text: %s\n", ok ? "ok  " : "FAIL", text ? utf8.c_str() : "(bytes)");
    if (!ok) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
