// The chunks that mark a WAV file beyond its audio, byte for byte: cue
// points with their labels and regions, the Broadcast WAV description and
// the MD5 of the audio; and the CORE document that lists the descriptions.
#include "wav_chunks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_marks.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

TEST(WavChunks, CuePointsAndTheirLabels) {
  EXPECT_TRUE(cueChunks({}).empty());
  // Two points; the first label's odd size takes a pad byte.
  Bytes got = cueChunks({{100, "ab"}, {70000, "xyz"}});
  Bytes point1 = le32(1) + le32(100) + text("data") + le32(0) + le32(0) + le32(100);
  Bytes point2 = le32(2) + le32(70000) + text("data") + le32(0) + le32(0) + le32(70000);
  Bytes cue = text("cue ") + le32(4 + 2 * 24) + le32(2) + point1 + point2;
  Bytes labl1 = text("labl") + le32(4 + 3) + le32(1) + text("ab") + Bytes{0, 0};
  Bytes labl2 = text("labl") + le32(4 + 4) + le32(2) + text("xyz") + Bytes{0};
  Bytes list = text("LIST") + le32(4 + labl1.size() + labl2.size()) + text("adtl") + labl1 + labl2;
  EXPECT_EQ(got, cue + list);
}

TEST(WavChunks, ARegionFollowsItsLabel) {
  // A gap of 14400 sample pairs, then a point: only the region has an ltxt.
  Bytes got = cueChunks({{100, "gap", 14400}, {20000, "jump"}});
  Bytes point1 = le32(1) + le32(100) + text("data") + le32(0) + le32(0) + le32(100);
  Bytes point2 = le32(2) + le32(20000) + text("data") + le32(0) + le32(0) + le32(20000);
  Bytes cue = text("cue ") + le32(4 + 2 * 24) + le32(2) + point1 + point2;
  Bytes labl1 = text("labl") + le32(4 + 4) + le32(1) + text("gap") + Bytes{0};
  Bytes ltxt1 = text("ltxt") + le32(20) + le32(1) + le32(14400) + text("rgn ") + Bytes(8, 0);
  Bytes labl2 = text("labl") + le32(4 + 5) + le32(2) + text("jump") + Bytes{0, 0};
  Bytes list = text("LIST") + le32(4 + labl1.size() + ltxt1.size() + labl2.size()) + text("adtl") +
               labl1 + ltxt1 + labl2;
  EXPECT_EQ(got, cue + list);
}

TEST(WavChunks, TheDigestOfTheAudio) {
  uint8_t digest[16];
  for (int k = 0; k < 16; ++k) digest[k] = static_cast<uint8_t>(0xF0 + k);
  Bytes got = md5Chunk(digest);
  EXPECT_EQ(got, text("MD5 ") + le32(16) + Bytes(digest, digest + 16));
  EXPECT_EQ(got.size(), kMd5ChunkSize);
}

TEST(WavChunks, BroadcastDescription) {
  BextFields f;
  f.description = std::string(300, 'd');  // longer than its field
  f.originator = "SELTHIX";
  f.reference = "KOVRANT.IMG";
  f.date = "2026-12-07";
  f.time = "19:00:00";
  f.timeReference = 0x123456789AULL;
  f.codingHistory = "A=PCM\r\n";
  Bytes got = bextChunk(f);
  ASSERT_EQ(got.size(), 8u + 602 + 7 + 1);  // fixed fields, history, pad byte
  EXPECT_EQ(Bytes(got.begin(), got.begin() + 8), text("bext") + le32(602 + 7));
  const uint8_t* body = got.data() + 8;
  EXPECT_EQ(std::string(body, body + 256), std::string(256, 'd'));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(body + 256)), "SELTHIX");
  EXPECT_EQ(body[256 + 31], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(body + 288)), "KOVRANT.IMG");
  EXPECT_EQ(std::string(body + 320, body + 330), "2026-12-07");
  EXPECT_EQ(std::string(body + 330, body + 338), "19:00:00");
  EXPECT_EQ(Bytes(body + 338, body + 346), le32(0x3456789A) + le32(0x12));
  EXPECT_EQ(Bytes(body + 346, body + 348), (Bytes{1, 0}));  // version 1
  EXPECT_EQ(Bytes(body + 348, body + 602), Bytes(254, 0));  // no UMID, reserved
  EXPECT_EQ(std::string(body + 602, body + 609), "A=PCM\r\n");
  EXPECT_EQ(got.back(), 0);
}

TEST(WavChunks, TheTextsOfAFilesMarks) {
  FileBreak gap{{tapetime::Break::Gap, 10, 40, {0, 0, 59, 32}, {0, 1, 1, 6}}, 14400, true};
  EXPECT_EQ(markerText(gap, 0),
            "gap: 40 frames missing (+-0), ATIME 00:00:59:32 -> 00:01:01:06, filled with silence");
  gap.filled = false;
  EXPECT_EQ(markerText(gap, 1), "gap: 40 frames missing (+-1), ATIME 00:00:59:32 -> 00:01:01:06");
  FileBreak jump{{tapetime::Break::Jump, 20, 0, {0, 2, 0, 0}, {0, 0, 1, 0}}, 28800, false};
  EXPECT_EQ(markerText(jump, 0), "discontinuity: ATIME 00:02:00:00 -> 00:00:01:00");
  FileRecord r;
  r.rate = 44100;
  r.hasTime = true;
  r.firstTime = {0, 0, 1, 2};
  r.lastTime = {1, 2, 3, 4};
  r.breaks = {gap, jump};
  r.emphasisOn = 3;
  ConversionOptions kept;
  kept.keepTime = true;
  BextFields f = bextFields(r, 7, kept, ImageDate{"2026-01-02", "03:04:05"}, 99);
  EXPECT_EQ(f.description,
            "DAT program 7, 44100 Hz, ATIME 00:00:01:02 - 01:02:03:04, 1 gaps (kept to length), "
            "1 discontinuities");
  EXPECT_EQ(f.codingHistory,
            "A=PCM,F=44100,W=16,M=stereo,T=DAT audio via KOVRANT.IMG; pre-emphasis 50/15us (not "
            "removed)\r\n");
  EXPECT_EQ(f.date + " " + f.time, "2026-01-02 03:04:05");
  EXPECT_EQ(f.timeReference, 99u);
  // The reference: the image, or the tape where it has an identity.
  EXPECT_EQ(f.reference, "KOVRANT.IMG");
  kept.tape = "shelf-12";
  EXPECT_EQ(bextFields(r, 7, kept, ImageDate(), 0).reference, "shelf-12");
}

// The CORE document: its columns, a row per file with the fields as the
// chunk holds them (texts cut to their fields), fields quoted where they
// hold a comma, a quote or a line end.
TEST(WavChunks, TheCoreDocumentListsTheDescriptions) {
  BextFields a;
  a.description = "DAT program 1, \"48\" kHz";
  a.originator = std::string(40, 'o');  // longer than its field
  a.reference = "KOVRANT.IMG";
  a.date = "2026-01-02";
  a.time = "03:04:05";
  a.timeReference = 48000ULL * 3723 + 47999;  // 01:02:03 and 999.98 ms
  a.codingHistory = "A=PCM,F=48000\r\n";
  BextFields b = a;
  b.description = "plain";
  b.date = b.time = "";
  b.timeReference = 44100ULL * 36000 * 10 + 441;  // 100 hours and 10 ms
  EXPECT_EQ(coreDocument({{"#001-48kHz.wav", 48000, a}, {"#002-44.1kHz.wav", 44100, b}}),
            "FileName,Description,Originator,OriginatorReference,OriginationDate,"
            "OriginationTime,TimeReference (translated),TimeReference,BextVersion,UMID,"
            "CodingHistory\r\n"
            "#001-48kHz.wav,\"DAT program 1, \"\"48\"\" kHz\"," +
                std::string(32, 'o') +
                ",KOVRANT.IMG,2026-01-02,03:04:05,01:02:03.999,178751999,1,,"
                "\"A=PCM,F=48000\r\n\"\r\n"
                "#002-44.1kHz.wav,plain," +
                std::string(32, 'o') +
                ",KOVRANT.IMG,,,100:00:00.010,15876000441,1,,\"A=PCM,F=48000\r\n\"\r\n");
}

}  // namespace
