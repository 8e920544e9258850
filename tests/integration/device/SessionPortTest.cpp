// The session's device port over the device layer and the recorder: the ASPI-loaded flag, the
// recorder list as the session reads it, and its three drive commands.
#include "RecorderFixture.h"
#include "applet/session/AspiDeviceLayer.h"

namespace recordertest {
namespace {

using session::TRecorderInfo;
using session::TStartStopAction;

TEST_F(TRecorderTest, SessionPortOverTheRecorder) {
  Install(std::string("[device.0]\nkind = reader\n") +
          "[device.1]\ntarget = 3\nvendor = QLN\nproduct = TAO ONLY\nrevision = 0.9\n" +
          "write_types = tao\ncompletion = sync\n" + "[device.2]\ntarget = 4\nmedium = audio\n");
  const auto port = session::CreateAspiDeviceLayer(EntryPoints());
  EXPECT_TRUE(port->AspiLoaded());
  const std::vector<TRecorderInfo> recorders = port->Recorders();
  ASSERT_EQ(recorders.size(), 2u);
  const TRecorderInfo &first = recorders[0];
  EXPECT_EQ(first.HaId, 0);
  EXPECT_EQ(first.Target, 3);
  EXPECT_EQ(first.Vendor, "QLN");
  EXPECT_EQ(first.Product, "TAO ONLY");
  EXPECT_EQ(first.Revision, "0.9");
  EXPECT_FALSE(first.CanSAO);
  EXPECT_FALSE(first.CanRaw);
  EXPECT_TRUE(first.CanTAO);
  EXPECT_TRUE(recorders[1].CanSAO && recorders[1].CanRaw && recorders[1].CanTAO);

  // The commands act on the recorder the session names.
  EXPECT_FALSE(port->TestUnitReady(first));
  EXPECT_TRUE(port->ReadTocFull(first)); // blank: no table of contents
  EXPECT_FALSE(port->ReadTocFull(recorders[1]));
  EXPECT_FALSE(port->StartStopUnit(first, TStartStopAction::Eject));
  EXPECT_TRUE(Device(0, 3).TrayOpen());
  EXPECT_FALSE(Device(0, 4).TrayOpen());
  EXPECT_TRUE(port->TestUnitReady(first));
  EXPECT_FALSE(port->StartStopUnit(first, TStartStopAction::Load));
  EXPECT_FALSE(Device(0, 3).TrayOpen());
}

TEST_F(TRecorderTest, SessionPortWithoutRecorders) {
  {
    const auto port = session::CreateAspiDeviceLayer("no-such-aspi-layer.dll");
    EXPECT_FALSE(port->AspiLoaded());
    EXPECT_TRUE(port->Recorders().empty());
  }
  // A layer without host adapters (as Wine's own), and one with a reader only.
  for (const char *ini : {"", "[device.0]\nkind = reader\n"}) {
    SCOPED_TRACE(ini);
    Install(ini);
    const auto port = session::CreateAspiDeviceLayer(EntryPoints());
    EXPECT_TRUE(port->AspiLoaded());
    EXPECT_TRUE(port->Recorders().empty());
  }
}

} // namespace
} // namespace recordertest
