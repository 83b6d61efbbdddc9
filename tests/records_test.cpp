// The records for machines: times in ISO 8601 with their offset, and the
// JSON document written whole under the logs' rules.
#include "records.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
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

// Every value of a document replaced in turn by each other kind of JSON
// value, and removed: `reread` (the document read into its struct and
// written again) never stops the run, and the damage stays where it was
// done: every other top-level fact reads as it was written.
void eachValueSpoilt(const Json& doc, const std::function<Json(const Json&)>& reread) {
  const Json others[] = {Json(),     Json("x"),     Json(-5),       Json(1.5),
                         Json(true), Json::array(), Json::object(), Json::array({Json::object()})};
  std::vector<Json::json_pointer> paths;
  std::function<void(const Json&, const Json::json_pointer&)> walk =
      [&](const Json& v, const Json::json_pointer& at) {
        if (!at.empty()) paths.push_back(at);
        if (v.is_object()) {
          for (auto it = v.begin(); it != v.end(); ++it) walk(it.value(), at / it.key());
        } else if (v.is_array()) {
          for (size_t k = 0; k < v.size(); ++k) walk(v[k], at / k);
        }
      };
  walk(doc, Json::json_pointer());
  ASSERT_GT(paths.size(), 40u);
  const Json whole = reread(doc);
  ASSERT_EQ(whole, doc);
  auto contained = [&](const Json& spoilt, const Json::json_pointer& p) {
    Json again = reread(spoilt);
    std::string top = p.to_string().substr(1, p.to_string().find('/', 1) - 1);
    for (auto it = whole.begin(); it != whole.end(); ++it) {
      if (it.key() != top) {
        EXPECT_EQ(again[it.key()], it.value()) << p.to_string() << " " << it.key();
      }
    }
  };
  for (const Json::json_pointer& p : paths) {
    for (const Json& other : others) {
      Json spoilt = doc;
      spoilt[p] = other;
      contained(spoilt, p);
    }
    Json without = doc;
    Json& parent = without[p.parent_pointer()];
    if (parent.is_object()) {
      parent.erase(p.back());
    } else {
      parent.erase(static_cast<size_t>(std::stoul(p.back())));
    }
    contained(without, p);
  }
  for (const Json& other : others) reread(other);
}

records::Capture aCapture() {
  records::Capture c;
  c.version = "0.1.0";
  c.tape = "shelf-3.A_12";
  c.log = "KOVRANT.LOG";
  c.started = "2026-01-01T00:00:00+00:00";
  c.arrived = c.ended = "2026-01-01T00:00:03+00:00";
  c.drive = "SONY    SDT-9000        12.2";
  c.device = pathJson("tape0");
  c.image = "KOVRANT.IMG";
  c.kept = records::CaptureKept{"KOVRANT-1.IMG", 130, std::string("KOVRANT-1.LOG"), std::nullopt};
  c.cycle = records::Cycle{"tape", 2};
  c.firstAtime = records::Atime{"00:00:00:00", 0};
  c.lastAtime = records::Atime{"00:01:00:00", 2000};
  records::CaptureAnswer answer{3, 17, 14, {{3, 0x11, 0, 12}, {{}, {}, {}, 2}}};
  c.stretches = {{154, 14, records::Atime{"00:00:04:20", 153}, std::nullopt, {answer}}};
  c.senseCodes = {{0x11, 0, std::string("UNRECOVERED READ ERROR")}, {0x82, 0x82, std::nullopt}};
  c.counts = records::CaptureCounts{1000, 990, 10, 1, 14};
  c.ending = "blank-tape";
  c.dataModeRestored = true;
  c.exitStatus = 0;
  c.staleTemporariesRemoved = {pathJson("KOVRANT.json.part-1-0")};
  return c;
}

records::Conversion aConversion() {
  records::Conversion c;
  c.version = "0.1.0";
  c.tape = "shelf-3.A_12";
  c.options.keepTime = true;
  c.started = "2026-01-01T00:00:00+00:00";
  c.ended = c.started;
  c.log = "SELTHIX.LOG";
  c.image = records::ConversionImage{
      "KOVRANT.IMG", std::nullopt, 300, 290, 1, records::Cycle{"published", 2}, 1};
  records::ConversionFile f;
  f.name = "#001-48kHz.wav";
  f.rate = 48000;
  f.frames = 300;
  f.firstFrame = 0;
  f.lastFrame = 299;
  f.samplePairs = 432000;
  f.duration = 9;
  f.firstAtime = records::Atime{"00:00:00:00", 0};
  f.gaps = {{1440, 1, {"00:00:00:00", 0}, {"00:00:00:05", 5}, 4, 0.12, true, "inside"}};
  f.discontinuities = {{2880, 2, {"00:00:00:06", 6}, {"00:00:00:01", 1}}};
  f.sha256 = std::string(64, 'a');
  f.longPlay = records::LongPlay{std::string("A-B-nibbles"), 3.5, {1.5, 0.25}, 2};
  f.state = "complete";
  f.failure = records::Failure{"write-failed", 28};
  c.files = {f, f};
  c.totals = records::ConversionTotals{2, 2, 0, 0, 2, 8, 2};
  c.exitStatus = 0;
  c.ending = "done";
  return c;
}

// What a program writes, a reader reads back the same; a damaged record,
// however damaged, reads without a word and never as the facts it lost.
TEST(Records, TypedOnceReadAsWritten) {
  Json capture = aCapture(), conversion = aConversion();
  eachValueSpoilt(capture, [](const Json& j) { return Json(j.get<records::Capture>()); });
  eachValueSpoilt(conversion, [](const Json& j) { return Json(j.get<records::Conversion>()); });
  Json noTime = capture;
  noTime["firstAtime"]["text"] = 5;
  EXPECT_FALSE(noTime.get<records::Capture>().firstAtime);
}

}  // namespace
