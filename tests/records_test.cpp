// The records for machines: times in ISO 8601 with their offset, and the
// JSON document written whole under the logs' rules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "frame_builder.h"
#include "json_record.h"
#include "test_support.h"
#include "wall_time.h"

namespace {

using testing_support::TempDir;

TEST(Records, TimesWithTheirOffset) {
  const struct {
    WallTime t;
    const char* iso;
  } cases[] = {
      {{0, 0}, "1970-01-01T00:00:00+00:00"},
      {{1767225600, 540}, "2026-01-01T09:00:00+09:00"},
      {{1767225600, -330}, "2025-12-31T18:30:00-05:30"},
      {{-1, 0}, "1969-12-31T23:59:59+00:00"},
      {{951782400, 0}, "2000-02-29T00:00:00+00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(isoTime(c.t), c.iso);
  EXPECT_EQ(timeStamp({1767225600, 540}), "2026-01-01 09:00:00 +09:00 (UTC 2026-01-01 00:00:00)");
}

// Names from outside: UTF-8 as text (control characters and a backslash as
// they are), anything else as its bytes in base64, each length of the last
// group padded.
TEST(Records, NamesAsTheSystemHoldsThem) {
  const struct {
    const char* name;
    const char* key;
    const char* value;
  } cases[] = {
      {"x\\x0d.img", "text", "x\\x0d.img"},
      {"x\r.img", "text", "x\r.img"},
      {"", "text", ""},
      {"\xc3\xa9t\xc3\xa9", "text", "\xc3\xa9t\xc3\xa9"},
      {"\xff", "bytes", "/w=="},
      {"\xff\xfe", "bytes", "//4="},
      {"\xff\xfe\xfd", "bytes", "//79"},
      {"x\xff.img", "bytes", "eP8uaW1n"},
      {"\xc0\xaf", "bytes", "wK8="},      // an overlong "/"
      {"\xed\xa0\x80", "bytes", "7aCA"},  // a surrogate
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pathJson(c.name), Json({{c.key, c.value}})) << c.name;
  }
}

std::string readText(const std::string& path) {
  std::vector<uint8_t> bytes = testing_support::readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(Records, TheDocumentIsWrittenWholeUnderItsName) {
  TempDir dir;
  testing_support::InDirectory in(dir.path());
  // A link planted under the name is replaced, never followed.
  ASSERT_TRUE(synth::writeFile(dir.file("victim"), {'k'}));
  ASSERT_EQ(symlink("victim", "T.json"), 0);
  JsonRecord r("T.json", "test/1");
  r.doc()["count"] = 3;
  r.doc()["name"] = std::string(
      "a\xff"
      "b");  // not UTF-8: replaced, not fatal
  ASSERT_TRUE(r.write());
  EXPECT_EQ(r.name(), "T.json");
  EXPECT_EQ(readText(dir.file("victim")), "k");
  struct stat st;
  ASSERT_EQ(lstat("T.json", &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  Json back = Json::parse(readText(dir.file("T.json")), nullptr, false);
  ASSERT_FALSE(back.is_discarded());
  EXPECT_EQ(back.dump(),
            "{\"schema\":\"test/1\",\"count\":3,\"name\":\"a\xef\xbf\xbd"
            "b\"}");
  EXPECT_EQ(testing_support::listDir(dir.path()).size(), 2u);  // no temporary file left
  // A directory in the way: refused, said by errno.
  ASSERT_EQ(mkdir("D.json", 0755), 0);
  JsonRecord d("D.json", "test/1");
  errno = 0;
  EXPECT_FALSE(d.write());
  EXPECT_EQ(errno, EISDIR);
}

}  // namespace
