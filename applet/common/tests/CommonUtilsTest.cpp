// Command-line switches and the file helpers.
#include "applet/common/CommonUtils.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace common {
namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class CommonUtilsTest : public ::testing::Test {
protected:
  CommonUtilsTest() { fake.ModulePath = dir.File("applet.exe"); }
  ~CommonUtilsTest() override { SetCommandLineArguments({}); }

  void WriteSized(const std::string &path, int64_t size) {
    WriteFile(path, std::string(static_cast<size_t>(size), '\0'));
  }

  testsupport::TTempDir dir;
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride override_{fake};
};

TEST_F(CommonUtilsTest, SwitchesMatchWholeArgumentsIgnoringCaseAfterTheProgramName) {
  const struct {
    std::vector<std::string> Arguments;
    const char *Switch;
    bool Present;
  } cases[] = {
      {{"applet.exe", "/spawn#13"}, "/spawn#13", true},
      {{"applet.exe", "/SPAWN#13"}, "/spawn#13", true},
      {{"applet.exe", "x", "y", "/Test#13"}, "/test#13", true},
      {{"applet.exe", "/spawn#13x"}, "/spawn#13", false},
      {{"applet.exe", "-spawn#13"}, "/spawn#13", false},
      {{"applet.exe", " /spawn#13"}, "/spawn#13", false},
      {{"/spawn#13"}, "/spawn#13", false},
      {{}, "/spawn#13", false},
  };
  for (const auto &c : cases) {
    SetCommandLineArguments(c.Arguments);
    EXPECT_EQ(c.Present, HasSwitch(c.Switch)) << ::testing::PrintToString(c.Arguments);
  }
}

TEST_F(CommonUtilsTest, AppletFilePathPutsTheAppletFolderInFront) {
  const std::string folder = dir.Path();
  EXPECT_EQ(folder + "linernotes.htm", AppletFilePath("linernotes.htm"));
  EXPECT_EQ(folder + "QlnT-3.mp3", AppletFilePath(folder + "QlnT-3.mp3"));
  EXPECT_EQ(folder + "sub\\a.txt", AppletFilePath("sub\\a.txt"));
  EXPECT_EQ("QlnT-1.mp3", TempTrackName(1));
  EXPECT_EQ("QlnT-24.mp3", TempTrackName(24));
}

TEST_F(CommonUtilsTest, FileSizesNeedAReadableFile) {
  WriteSized(dir.File("f"), 1000);
  EXPECT_EQ(1000, FileSizeOf(dir.File("f")));
  EXPECT_TRUE(FileSizeBetween(dir.File("f"), 1000, 1000));
  EXPECT_FALSE(FileSizeBetween(dir.File("f"), 1001, 2000));
  EXPECT_FALSE(FileSizeBetween(dir.File("f"), 0, 999));
  EXPECT_THROW(FileSizeOf(dir.File("missing")), EFOpenError);
  EXPECT_THROW(FileSizeOf(dir.Path()), EFOpenError);
}

TEST_F(CommonUtilsTest, CopyFileAsCopiesAndKeepsAnExistingTargetWhenAsked) {
  WriteFile(dir.File("a"), "first");
  WriteFile(dir.File("b"), "second");
  EXPECT_FALSE(CopyFileAs(dir.File("a"), dir.File("b"), true));
  EXPECT_EQ("second", ReadFile(dir.File("b")));
  EXPECT_TRUE(CopyFileAs(dir.File("a"), dir.File("b"), false));
  EXPECT_EQ("first", ReadFile(dir.File("b")));
  EXPECT_TRUE(CopyFileAs(dir.File("a"), dir.File("c"), true));
  EXPECT_EQ("first", ReadFile(dir.File("c")));
  EXPECT_FALSE(CopyFileAs(dir.File("missing"), dir.File("d"), false));
  EXPECT_FALSE(fake.FileExists(dir.File("d")));
  EXPECT_FALSE(CopyFileAs(dir.File("a"), dir.File("a"), false));
  EXPECT_EQ("first", ReadFile(dir.File("a")));
}

} // namespace
} // namespace common
