// The device layer over an ASPI layer loaded by the platform's library loader.
#include "applet/device/DeviceModule.h"
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace device;

TEST(AspiLibrary, DiscoveryThroughALoadedLayer) {
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride override(fake);
  TDeviceModule module(QLN_FAKE_ASPI_LIBRARY);
  ASSERT_TRUE(AspiLoaded());
  ASSERT_EQ(AllDevices().size(), 3u);
  EXPECT_EQ(AllDevices()[0].Name, "00:00  VIRTUAL CD-ROM 1.0");
  ASSERT_EQ(Recorders().size(), 2u);
  const TDriveData &recorder = *Recorders()[0].Drive;
  EXPECT_EQ(Recorders()[0].Name, "00:01  VIRTUAL CD-R 1.0");
  EXPECT_TRUE(recorder.CanSAO && recorder.CanRaw && recorder.CanTAO);
  EXPECT_EQ(recorder.MaxWriteX, 8);
  const TDriveData &tao = *Recorders()[1].Drive;
  EXPECT_TRUE(tao.CanTAO && !tao.CanSAO && !tao.CanRaw);

  EXPECT_FALSE(IsDiscBlank(0, 0));
  EXPECT_TRUE(IsDiscBlank(0, 1));
  EXPECT_TRUE(IsDiscBlank(1, 2));
  EXPECT_FALSE(EjectDisc(0, 1));
  TCommandStatus status;
  EXPECT_TRUE(TestUnitReady(0, 1, &status)); // the tray is open
  EXPECT_EQ(status.Asc, 0x3A);
  EXPECT_EQ(status.Ascq, 0x02);
  EXPECT_TRUE(fake.MessageBoxes.empty());
}
