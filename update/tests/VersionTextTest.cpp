#include "update/VersionText.h"

#include <gtest/gtest.h>

using namespace update;

TEST(Parse, FindsBothValuesAnywhereInTheText) {
  struct TCase {
    const char *Text;
    const char *Latest;
    const char *Link;
  } cases[] = {
      {"LatestVersion='2.1'\nUpdateLink='http://example.test/get'\n", "2.1",
       "http://example.test/get"},
      {"<html><body><!-- UpdateLink='http://a.test/x?y=1' --><p>LatestVersion='3.0b'</p>", "3.0b",
       "http://a.test/x?y=1"},
      // The opening quote is skipped whatever it is; only "'" closes.
      {"LatestVersion=\"1.5' UpdateLink=(link'", "1.5", "link"},
      // The first occurrence of each key wins.
      {"LatestVersion='1' LatestVersion='2' UpdateLink='a' UpdateLink='b'", "1", "a"},
      // Both searches run over the whole text, so one value may hold the other key.
      {"UpdateLink='LatestVersion='9''", "9", "LatestVersion="},
  };
  for (const TCase &c : cases) {
    std::string latest, link;
    EXPECT_TRUE(Parse(c.Text, latest, link)) << c.Text;
    EXPECT_EQ(latest, c.Latest) << c.Text;
    EXPECT_EQ(link, c.Link) << c.Text;
  }
}

TEST(Parse, UnclosedOrTruncatedValuesAreEmpty) {
  std::string latest = "old", link = "old";
  EXPECT_TRUE(Parse("UpdateLink='x' LatestVersion='2.0", latest, link));
  EXPECT_EQ(latest, "");
  EXPECT_EQ(link, "x");
  EXPECT_TRUE(Parse("UpdateLink='x' LatestVersion=", latest, link));
  EXPECT_EQ(latest, "");
  EXPECT_TRUE(Parse("UpdateLink='x' LatestVersion='", latest, link));
  EXPECT_EQ(latest, "");
}

TEST(Parse, EitherKeyMissingFails) {
  std::string latest, link;
  EXPECT_FALSE(Parse("LatestVersion='2.0'", latest, link));
  EXPECT_FALSE(Parse("UpdateLink='http://x.test/'", latest, link));
  EXPECT_FALSE(Parse("latestversion='2.0' updatelink='x'", latest, link));
  EXPECT_FALSE(Parse("", latest, link));
}

TEST(IsNewer, ComparesAsByteStrings) {
  struct TCase {
    const char *Latest;
    const char *Installed;
    bool Newer;
  } cases[] = {
      {"2.0", "1.0", true},   {"1.0", "1.0", false},  {"1.0", "2.0", false}, {"1.10", "1.9", false},
      {"1.9", "1.10", true},  {"1.0.1", "1.0", true}, {"", "1.0", false},    {"a", "Z", true},
      {"1.0", "1.0 ", false}, {"\xe9", "z", true}, // bytes compare unsigned, as strcmp does
  };
  for (const TCase &c : cases)
    EXPECT_EQ(IsNewer(c.Latest, c.Installed), c.Newer) << c.Latest << " vs " << c.Installed;
}

TEST(IsFileLocation, DriveLettersAndUncPathsAreFiles) {
  struct TCase {
    const char *Location;
    bool File;
  } cases[] = {
      {"C:\\updates\\version.txt", true},
      {"z:version.txt", true},
      {"\\\\server\\share\\version.txt", true},
      {"http://127.0.0.1:8080/version.txt", false},
      {"\\single\\backslash.txt", false},
      {"version.txt", false},
      {"C", false},
      {"", false},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(IsFileLocation(c.Location), c.File) << c.Location;
}
