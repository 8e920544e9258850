// The start-up decision and the one run per folder.
#include "applet/session/Startup.h"
#include "applet/common/CommonUtils.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace session {
namespace {

class StartupTest : public ::testing::Test {
protected:
  StartupTest() { fake.ModulePath = dir.File("applet.exe"); }
  ~StartupTest() override { common::SetCommandLineArguments({}); }

  testsupport::TTempDir dir;
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride override_{fake};
};

TEST_F(StartupTest, StartNeedsAPackageSwitchOrAPackagedProgramFile) {
  const struct {
    std::vector<std::string> Arguments;
    int64_t Size; // -1 = no program file
    TStartMode Mode;
  } cases[] = {
      {{"applet.exe"}, 910999, TStartMode::NoPackage},
      {{"applet.exe"}, 911000, TStartMode::Session},
      {{"applet.exe"}, 749568, TStartMode::NoPackage},
      {{"applet.exe", "/test#13"}, 911000, TStartMode::Session},
      {{"applet.exe", "/#27#58"}, 749568, TStartMode::PackageJob},
      {{"applet.exe", "/EMPTY#13"}, 911000, TStartMode::PackageJob},
      {{"applet.exe", "/spawn#13"}, -1, TStartMode::PackageJob},
      {{"applet.exe"}, -1, TStartMode::NoPackage},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Arguments) + " " + std::to_string(c.Size));
    common::SetCommandLineArguments(c.Arguments);
    fake.RemoveFile(fake.ModulePath);
    if (c.Size >= 0)
      testsupport::WriteFile(fake.ModulePath, std::string(static_cast<size_t>(c.Size), '\0'));
    EXPECT_EQ(c.Mode, ChooseStartMode());
  }
}

TEST_F(StartupTest, OneRunPerFolderWhateverTheSpelling) {
  const std::string name = FolderInstanceName("C:\\Music\\Album\\applet.exe");
  EXPECT_EQ(name, FolderInstanceName("c:/music/ALBUM/Other.exe"));
  EXPECT_NE(name, FolderInstanceName("C:\\Music\\Album2\\applet.exe"));
  EXPECT_EQ(std::string::npos, name.find_first_of("\\/: "));
  // The native platform's claim: the second one in the folder is refused.
  EXPECT_TRUE(ClaimAppletFolder());
  EXPECT_FALSE(ClaimAppletFolder());
}

} // namespace
} // namespace session
