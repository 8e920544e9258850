#include "applet/device/PassThrough.h"
#include "applet/device/DeviceModule.h"
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace device;

TEST(PassThrough, SenseOfEveryFormatAndLengthComesOutFixed) {
  struct TRow {
    std::vector<uint8_t> Sense;
    uint8_t Key, Asc, Ascq;
  };
  const TRow rows[] = {
      {{0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x0C, 0x00, 0, 0, 0, 0}, 3, 0x0C, 0},
      {{0xF1, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x01}, 2, 0x3A, 1}, // deferred, valid
      {{0x72, 0x05, 0x26, 0x00, 0, 0, 0, 0}, 5, 0x26, 0},                    // descriptor
      {{0x73, 0x16, 0x29}, 6, 0x29, 0},                                      // short descriptor
      {{0x70, 0, 0x02}, 2, 0, 0},                                            // short fixed
      {{0x72}, 0, 0, 0},                                                     // a lone byte
      {{0x7F, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x04, 0x01}, 0, 0, 0},    // vendor-specific
      {{0x00, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x0C, 0x00}, 0, 0, 0},    // no sense format
      {{}, 0, 0, 0},                                                         // none at all
  };
  for (const TRow &row : rows) {
    uint8_t area[kSenseLength + 2];
    std::fill(std::begin(area), std::end(area), 0xEE);
    NormaliseSense(row.Sense.data(), row.Sense.size(), area, sizeof area);
    EXPECT_EQ(area[kSenseKeyByte] & kSenseKeyMask, row.Key) << row.Sense.size();
    EXPECT_EQ(area[kSenseAscByte], row.Asc);
    EXPECT_EQ(area[kSenseAscqByte], row.Ascq);
    EXPECT_NE(area[sizeof area - 1], 0xEE); // nothing left unset
  }
}

// A path that does not exist and a file that is no SCSI device: the first is reported, the
// second opens but answers no request, so the route has no CD device and nothing hangs.
TEST(PassThrough, MissingNodeAndPlainFileGiveNoDevice) {
  testsupport::TTempDir dir;
  testsupport::WriteFile(dir.File("plain"), "not a drive");
  const std::string missing = dir.File("missing");
  EXPECT_FALSE(MmcStartupPassThrough({missing}));
  EXPECT_EQ(LastPassThroughScan().FirstProblem, missing + ": no such device");
  EXPECT_EQ(CurrentRoute(), TRoute::None);
  MmcShutdown();

  ASSERT_TRUE(MmcStartupPassThrough({missing, dir.File("plain")}));
  EXPECT_EQ(LastPassThroughScan().Tried, 2);
  EXPECT_EQ(LastPassThroughScan().Opened, 1);
  EXPECT_EQ(RouteText(), "SCSI pass-through");
  EXPECT_EQ(PassThroughPath(0, 0), dir.File("plain"));
  EXPECT_TRUE(AllDevices().empty());
  TCommandStatus status;
  EXPECT_TRUE(TestUnitReady(0, 0, &status));
  EXPECT_EQ(status.AspiStatus, kSsErr);
  EXPECT_NE(status.HaStatus, kHaStatOk);
  EXPECT_TRUE(TestUnitReady(0, 1, &status)); // no drive there: selection time-out
  EXPECT_EQ(status.HaStatus, 0x11);
  EXPECT_FALSE(SetExclusiveAccess(0, 1, true));
  MmcShutdown();
  EXPECT_EQ(CurrentRoute(), TRoute::None);
}
