// The carrier of a system without a known pass-through: the dumper finds no
// tape device and says why, as a failed open.
#include <gtest/gtest.h>

#include <string>

#include "dumper_messages.h"
#include "pass_through.h"
#include "test_support.h"

namespace {

TEST(OtherSystems, NoTapeDeviceAndWhy) {
  testing::internal::CaptureStdout();
  std::string said;
  bool identified = identifyDrive(nullptr, &said);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(identified);
  EXPECT_EQ(out, testing_support::toCp932(std::string(msg::kTapeOpenFailed) +
                                          "no SCSI pass-through for tape drives on this system\n"));
}

}  // namespace
