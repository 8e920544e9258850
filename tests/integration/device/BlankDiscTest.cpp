// The blank-disc test and the eject against the recorder's tray and media, including a disc
// swapped while the tray is open.
#include "RecorderFixture.h"
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"

using namespace device;

namespace recordertest {
namespace {

TEST_F(TRecorderTest, BlankDiscTest) {
  struct TCase {
    const char *Name;
    const char *Config;
    bool Blank;
    bool Loaded; // the tray was closed by the test
  };
  const TCase cases[] = {
      {"blank disc", "", true, false},
      {"blank disc on the open tray", "tray = open\n", true, true},
      {"blank disc in a drive slow to become ready", "fault.not_ready_ms = 3000\n", true, false},
      {"closed drive without a disc", "medium = none\n", false, true},
      {"audio CD", "medium = audio\n", false, false},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    Start(std::string("[device.0]\n") + kSyncRecorder + c.Config);
    Forget();
    EXPECT_EQ(IsDiscBlank(0, 0), c.Blank);
    EXPECT_EQ(JournalLines("START STOP UNIT load | GOOD"), c.Loaded ? 1 : 0);
    EXPECT_FALSE(Device(0, 0).TrayOpen());
    EXPECT_TRUE(Fake.MessageBoxes.empty());
  }
}

TEST_F(TRecorderTest, EjectThenAnotherDisc) {
  const std::string section = std::string("[device.0]\n") + kSyncRecorder;
  Start(section + "medium = audio\n");
  EXPECT_FALSE(IsDiscBlank(0, 0));
  EXPECT_FALSE(EjectDisc(0, 0));
  EXPECT_TRUE(Device(0, 0).TrayOpen());

  // The same disc comes back when the tray is closed again.
  EXPECT_FALSE(IsDiscBlank(0, 0));
  EXPECT_FALSE(EjectDisc(0, 0));

  // A blank disc put on the open tray is found, as the session's one retry expects.
  Set().SetConfigText(section + "medium = blank\n");
  EXPECT_TRUE(IsDiscBlank(0, 0));
  EXPECT_FALSE(Device(0, 0).TrayOpen());
}

} // namespace
} // namespace recordertest
