#include "applet/platform/ProfileReader.h"
#include "applet/platform/Platform.h"

#include <gtest/gtest.h>

using platform::TProfileReader;

TEST(ProfileReader, SectionsAndKeysIgnoreCase) {
  const TProfileReader ini("; comment\r\n[Title]\r\nName = Songs of the Sea \r\n"
                           "[TRACKS AND TAGS]\r\n1=First\r\n2 = \"Second\"\r\n");
  EXPECT_EQ(ini.ReadString("title", "NAME", "-"), "Songs of the Sea");
  EXPECT_EQ(ini.ReadString("Tracks and Tags", "2", "-"), "Second");
  EXPECT_EQ(ini.ReadString("Title", "missing", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadString("Nowhere", "Name", "fallback"), "fallback");
  EXPECT_TRUE(ini.HasSection("TITLE"));
  EXPECT_FALSE(ini.HasSection("TITLES"));
}

TEST(ProfileReader, SectionLinesKeepOrderAndSkipComments) {
  const TProfileReader ini("[A]\na=1\n;x=2\n\nb = 2\n[B]\nc=3\n[a]\nd=4\n");
  std::vector<std::string> lines;
  ASSERT_TRUE(ini.ReadSection("a", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"a=1", "b = 2"}));
  EXPECT_FALSE(ini.ReadSection("C", lines));
}

TEST(ProfileReader, TextBeforeFirstSectionAndOddLinesAreIgnored) {
  const TProfileReader ini("stray=1\n[S]\nnoequals\nk=v=w\n[unterminated\nx=1\n");
  EXPECT_EQ(ini.ReadString("S", "stray", "-"), "-");
  EXPECT_EQ(ini.ReadString("S", "k", "-"), "v=w");
  EXPECT_EQ(ini.ReadString("unterminated", "x", "-"), "1");
}

TEST(PathHelpers, SplitWindowsPaths) {
  using namespace platform;
  EXPECT_EQ(ExtractFilePath("C:\\Music\\QlnT-1.mp3"), "C:\\Music\\");
  EXPECT_EQ(ExtractFileName("C:\\Music\\QlnT-1.mp3"), "QlnT-1.mp3");
  EXPECT_EQ(ExtractFileExt("C:\\Music.d\\track"), "");
  EXPECT_EQ(ExtractFileExt("track.WAV"), ".WAV");
  EXPECT_EQ(ExtractFilePath("C:track.bin"), "C:");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\dir"), "C:\\dir\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\dir\\"), "C:\\dir\\");
  EXPECT_EQ(IncludeTrailingBackslash(""), "");
}
