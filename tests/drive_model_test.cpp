// The drive model on its own: what it answers to the commands an operating
// system's tape driver sends, its cassette and medium-removal states, the
// fault counts, and the link-time carrier's rule for late answers.
#include "drive_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "pass_through.h"

namespace {

struct Reply {
  sim::Answer answer;
  std::vector<uint8_t> data;
};

Reply ask(std::vector<uint8_t> cdb, uint32_t length, sim::Flow flow = sim::Flow::Unknown) {
  Reply r;
  r.data.assign(length + 1, 0xEE);
  cdb.resize(6);
  r.answer = sim::execute(cdb.data(), flow, r.data.data(), length, 0);
  r.data.resize(r.answer.transferred);
  return r;
}

void freshDrive(int insertAfter = 1, std::vector<sim::Fault> faults = {}) {
  sim::Script script;
  script.insertAfter = insertAfter;
  script.faults = std::move(faults);
  sim::configure(script);
  ASSERT_TRUE(sim::open());
}

uint8_t asc(const Reply& r) {
  return r.answer.sense[12];
}

TEST(DriveModel, AnswersWhatATapeDriverSends) {
  struct Case {
    const char* what;
    std::vector<uint8_t> cdb;
    uint32_t length;
    uint8_t status, senseByte, asc;
    uint32_t transferred;
  };
  const Case cases[] = {
      {"inquiry", {0x12, 0, 0, 0, 36}, 36, 0, 0, 0, 36},
      {"inquiry, short allocation", {0x12, 0, 0, 0, 5}, 5, 0, 0, 0, 5},
      {"inquiry of the vital product data pages", {0x12, 1, 0x00, 0, 255}, 255, 0, 0, 0, 6},
      {"inquiry of the unit serial number", {0x12, 1, 0x80, 0, 255}, 255, 0, 0, 0, 14},
      {"inquiry of a page it has not", {0x12, 1, 0x83, 0, 255}, 255, 2, 5, 0x24, 0},
      {"inquiry of a page without EVPD", {0x12, 0, 0x80, 0, 36}, 36, 2, 5, 0x24, 0},
      {"inquiry of command data (CmdDt)", {0x12, 2, 0x12, 0, 36}, 36, 2, 5, 0x24, 0},
      {"inquiry with a SCSI-2 logical unit number", {0x12, 0x20, 0, 0, 36}, 36, 0, 0, 0, 36},
      {"inquiry of the serial number, LUN 1", {0x12, 0x21, 0x80, 0, 255}, 255, 0, 0, 0, 14},
      {"request sense, no cassette", {0x03, 0, 0, 0, 18}, 18, 0, 0, 0, 18},
      {"read block limits", {0x05}, 6, 0, 0, 0, 6},
      {"mode sense, descriptor only", {0x1A, 0, 0, 0, 12}, 12, 0, 0, 0, 12},
      {"mode sense, compression page", {0x1A, 0, 0x0F, 0, 255}, 255, 0, 0, 0, 28},
      {"mode sense, all pages", {0x1A, 0, 0x3F, 0, 255}, 255, 0, 0, 0, 52},
      {"mode sense, no descriptor", {0x1A, 0x08, 0x10, 0, 255}, 255, 0, 0, 0, 20},
      {"mode sense, a page it has not", {0x1A, 0, 0x2A, 0, 255}, 255, 2, 5, 0x24, 0},
      {"mode sense, saved values", {0x1A, 0, 0xC0, 0, 12}, 12, 2, 5, 0x39, 0},
      {"prevent medium removal", {0x1E, 0, 0, 0, 1}, 0, 0, 0, 0, 0},
      {"read position", {0x34}, 0, 2, 5, 0x20, 0},
      {"read without a cassette", {0x08, 0, 0, 0x16, 0xBE}, 5822, 2, 2, 0x3A, 0},
      {"read whose length is not its buffer's", {0x08, 0, 0, 0x16, 0xBE}, 100, 2, 5, 0x24, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    freshDrive();
    Reply r = ask(c.cdb, c.length);
    EXPECT_TRUE(r.answer.delivered);
    EXPECT_EQ(r.answer.status, c.status);
    EXPECT_EQ(r.answer.sense[2], c.senseByte);
    EXPECT_EQ(asc(r), c.asc);
    EXPECT_EQ(r.answer.transferred, c.transferred);
    if (c.status == 2) {
      EXPECT_EQ(r.answer.sense[0], 0x70);  // fixed format
    }
  }
}

TEST(DriveModel, InquiryNamesASequentialAccessDevice) {
  freshDrive();
  Reply r = ask({0x12, 0, 0, 0, 36}, 36);
  ASSERT_EQ(r.data.size(), 36u);
  EXPECT_EQ(r.data[0], 0x01);  // peripheral device type 1: tape
  EXPECT_EQ(r.data[1], 0x80);  // removable medium
  EXPECT_EQ(0, std::memcmp(r.data.data() + 8, pt::kSupportedDrive, 28));
}

// The vital product data pages as a drive gives them, and a drive that has
// none refuses each as a field of the CDB it does not take.
TEST(DriveModel, VitalProductDataPages) {
  freshDrive();
  Reply pages = ask({0x12, 1, 0x00, 0, 255}, 255);
  EXPECT_EQ(pages.data, (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x02, 0x00, 0x80}));
  Reply serial = ask({0x12, 1, 0x80, 0, 8}, 8);  // cut to its allocation length
  EXPECT_EQ(serial.data, (std::vector<uint8_t>{0x01, 0x80, 0x00, 10, '0', '0', '1', '2'}));
  sim::Script none;
  none.productData = false;
  none.serialNumber = "X";
  sim::configure(none);
  ASSERT_TRUE(sim::open());
  for (uint8_t page : {0x00, 0x80}) {
    Reply r = ask({0x12, 1, page, 0, 255}, 255);
    EXPECT_EQ(r.answer.status, 2) << int(page);
    EXPECT_EQ(r.answer.sense[2], 5);
    EXPECT_EQ(asc(r), 0x24);
    EXPECT_EQ(r.answer.sense[13], 0);
  }
  EXPECT_EQ(ask({0x12, 0, 0, 0, 36}, 36).answer.status, 0);  // the standard data as ever
}

TEST(DriveModel, ModeDataFollowsTheDensity) {
  freshDrive();
  const uint8_t audio[12] = {0, 0, 0x10, 8, 0x80};
  std::vector<uint8_t> list(audio, audio + 12);
  sim::Answer a = sim::execute(std::vector<uint8_t>{0x15, 0x10, 0, 0, 12, 0}.data(), sim::Flow::Out,
                               list.data(), 12, 0);
  EXPECT_EQ(a.status, 0);
  Reply r = ask({0x1A, 0, 0x3F, 0, 255}, 255);
  ASSERT_EQ(r.data.size(), 52u);
  EXPECT_EQ(r.data[0], 51);    // mode data length
  EXPECT_EQ(r.data[3], 8);     // one block descriptor
  EXPECT_EQ(r.data[4], 0x80);  // its density
  EXPECT_EQ(r.data[12], 0x0F);
  EXPECT_EQ(r.data[28], 0x10);
  EXPECT_EQ(r.data[44], 0x11);
  // A density the drive does not know is refused and changes nothing.
  list[4] = 0x25;
  a = sim::execute(std::vector<uint8_t>{0x15, 0x10, 0, 0, 12, 0}.data(), sim::Flow::Out,
                   list.data(), 12, 0);
  EXPECT_EQ(a.status, 2);
  EXPECT_EQ(a.sense[12], 0x26);
  EXPECT_EQ(sim::state().density, 0x80);
}

TEST(DriveModel, CassetteArrivalRemovalAndLoad) {
  freshDrive(1);
  EXPECT_EQ(ask({0x00}, 0).answer.sense[2], 2);  // NOT READY
  Reply arrival = ask({0x00}, 0);
  EXPECT_EQ(arrival.answer.sense[2], 6);       // UNIT ATTENTION
  EXPECT_EQ(asc(arrival), 0x28);               // medium may have changed
  EXPECT_EQ(ask({0x00}, 0).answer.status, 0);  // then ready
  EXPECT_EQ(ask({0x1E, 0, 0, 0, 1}, 0).answer.status, 0);
  Reply refused = ask({0x1B}, 0);  // unload while removal is prevented
  EXPECT_EQ(refused.answer.sense[2], 5);
  EXPECT_EQ(asc(refused), 0x53);
  EXPECT_TRUE(sim::state().loaded);
  EXPECT_EQ(ask({0x1E}, 0).answer.status, 0);  // allow
  EXPECT_EQ(ask({0x1B}, 0).answer.status, 0);
  EXPECT_TRUE(sim::state().ejected);
  EXPECT_EQ(ask({0x00}, 0).answer.sense[2], 2);            // out: NOT READY again
  EXPECT_EQ(ask({0x1B, 0, 0, 0, 1}, 0).answer.status, 0);  // load
  EXPECT_TRUE(sim::state().loaded);
  EXPECT_EQ(ask({0x00}, 0).answer.status, 0);
}

TEST(DriveModel, RequestSenseReportsTheLatestCheckCondition) {
  freshDrive(0);
  ask({0x00}, 0);  // the cassette arrives
  const uint8_t audio[12] = {0, 0, 0x10, 8, 0x80};
  std::vector<uint8_t> list(audio, audio + 12);
  sim::execute(std::vector<uint8_t>{0x15, 0x10, 0, 0, 12, 0}.data(), sim::Flow::Out, list.data(),
               12, 0);
  Reply blank = ask({0x08, 0, 0, 0x16, 0xBE}, 5822);  // an empty tape
  EXPECT_EQ(blank.answer.sense[2], 8);
  Reply sense = ask({0x03, 0, 0, 0, 18}, 18);
  ASSERT_EQ(sense.data.size(), 18u);
  EXPECT_EQ(sense.data[2], 8);
  EXPECT_EQ(sense.data[13], 0x05);                     // end of data
  EXPECT_EQ(ask({0x03, 0, 0, 0, 18}, 18).data[2], 8);  // asked again: still there
  ask({0x00}, 0);
  EXPECT_EQ(ask({0x03, 0, 0, 0, 18}, 18).data[2], 0);  // a good command clears it
}

TEST(DriveModel, FaultActions) {
  std::vector<sim::Fault> faults;
  ASSERT_TRUE(
      sim::parseFaults("sense#2=delay:3000,read#4*2=short:100,tur#1=fail,open#2=busy,"
                       "open#3=denied,read#9=02/03/11/01,read#12=lost:02/03/3b/08",
                       &faults));
  ASSERT_EQ(faults.size(), 7u);
  EXPECT_EQ(faults[0].kind, sim::Fault::Delay);
  EXPECT_EQ(faults[0].milliseconds, 3000u);
  EXPECT_EQ(faults[0].occurrence, 2);
  EXPECT_EQ(faults[1].kind, sim::Fault::Short);
  EXPECT_EQ(faults[1].repeat, 2);
  EXPECT_EQ(faults[2].kind, sim::Fault::FailControl);
  EXPECT_EQ(faults[3].kind, sim::Fault::Refused);
  EXPECT_EQ(faults[3].error, sim::kBusy);
  EXPECT_EQ(faults[4].error, sim::kAccessDenied);
  EXPECT_EQ(faults[5].kind, sim::Fault::Answer);
  EXPECT_EQ(faults[5].status, 2);
  EXPECT_EQ(faults[5].sense, 3);
  EXPECT_EQ(faults[5].asc, 0x11);
  EXPECT_EQ(faults[5].ascq, 1);
  EXPECT_EQ(faults[6].kind, sim::Fault::Lost);
  EXPECT_EQ(faults[6].asc, 0x3B);
  EXPECT_EQ(faults[6].ascq, 8);
  const char* bad[] = {"sense#2=delay:",      "sense#2=delay:x",    "sense#0=delay:1",
                       "rewind#1=late",       "read#1=busy",        "read#1=02/03/11",
                       "read#1=02/03/11/00x", "read#1=02/03/100/0", "read#1=02/03x"};
  for (const char* text : bad) EXPECT_FALSE(sim::parseFaults(text, &faults)) << text;
}

TEST(SimulatedCarrier, AnAnswerPastItsTimeoutIsAFailedCommand) {
  // MODE SENSE waits 2 s: an answer 2 s late or later never comes back.
  struct Case {
    uint32_t delay;
    bool carriedOut;
    uint64_t waited;
  };
  const Case cases[] = {{0, true, 0}, {1999, true, 1999}, {2000, false, 2000}, {9000, false, 2000}};
  for (const Case& c : cases) {
    sim::Fault late{sim::Command::ModeSense, 1, sim::Fault::Delay};
    late.milliseconds = c.delay;
    freshDrive(1, {late});
    uint8_t buffer[12] = {}, status = 0x5A, sense = 0x5A;
    int32_t length = 12;
    EXPECT_EQ(ScsiModeSense(buffer, &length, &status, &sense), c.carriedOut) << c.delay;
    EXPECT_EQ(sim::state().sleptMilliseconds, c.waited);
    EXPECT_EQ(status, c.carriedOut ? 0 : 0x5A);
  }
}

}  // namespace
