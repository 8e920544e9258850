#include "applet/platform/BatchFile.h"
#include "applet/platform/Platform.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

using testsupport::TTempDir;

TEST(BatchFileTest, PercentSignsAreDoubledAndNothingElseChanges) {
  const std::pair<const char *, const char *> cases[] = {
      {"", ""},
      {"C:\\Night Songs\\", "C:\\Night Songs\\"},
      {"C:\\50% off\\", "C:\\50%% off\\"},
      {"%PATH%.exe", "%%PATH%%.exe"},
      {"%%", "%%%%"},
      {"a&b ^c!", "a&b ^c!"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.second, BatchLiteral(c.first)) << c.first;
}

TEST(BatchFileTest, LinesEndInCrLfAndReplaceAnOlderFile) {
  TTempDir dir;
  const std::string path = dir.File("qln1ebat.bat");
  testsupport::WriteFile(path, std::string(100, 'x'));
  ASSERT_TRUE(WriteBatchFile(path, {"@echo off", "", "exit"}));
  EXPECT_EQ("@echo off\r\n\r\nexit\r\n", testsupport::ReadFile(path));

  const std::string nowhere = dir.File("missing\\qln1ebat.bat");
  EXPECT_FALSE(WriteBatchFile(nowhere, {"exit"}));
  EXPECT_FALSE(Platform().FileExists(nowhere));
}

TEST(BatchFileTest, StartRuleFollowsTheWindowsVersion) {
  struct TCase {
    bool WindowsNT;
    uint32_t Major;
    const char *CommandLine;
    uint32_t Flags;
  };
  const char *batch = "C:\\Night Songs\\qln1ebat.bat";
  const TCase cases[] = {
      {true, 5, "\"C:\\Night Songs\\qln1ebat.bat\"", 0x30}, // Windows 2000 and later
      {true, 4, "\"C:\\Night Songs\\qln1ebat.bat\"", 0x30}, // NT 4
      {false, 4, "command.com /c \"C:\\Night Songs\\qln1ebat.bat\"", 0x28}, // 95, 98, Me
      {false, 5, "\"C:\\Night Songs\\qln1ebat.bat\"", 0x30}, // a later version by number
  };
  for (const TCase &c : cases) {
    const THiddenBatchStart start = HiddenBatchStart(batch, c.WindowsNT, c.Major);
    EXPECT_EQ(c.CommandLine, start.CommandLine);
    EXPECT_EQ(c.Flags, start.CreationFlags) << c.CommandLine;
  }
}

TEST(BatchFileTest, HiddenStartRunsTheBatchInItsOwnFolderWithoutWaiting) {
  testsupport::TFakePlatform fake;
  TPlatformOverride use(fake);
  fake.WindowsNT = false;
  fake.Major = 4;
  EXPECT_TRUE(StartBatchHidden("D:\\Songs\\qln1ebat.bat"));
  ASSERT_EQ(1u, fake.Started.size());
  EXPECT_EQ("command.com /c \"D:\\Songs\\qln1ebat.bat\"", fake.Started[0].CommandLine);
  EXPECT_EQ("D:\\Songs\\", fake.Started[0].Folder);
  EXPECT_EQ(kDetachedProcess | kNormalPriorityClass, fake.Started[0].CreationFlags);
  fake.StartFails = true;
  EXPECT_FALSE(StartBatchHidden("D:\\Songs\\qln1ebat.bat"));
}

} // namespace
} // namespace platform
