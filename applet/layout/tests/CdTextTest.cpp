#include "applet/layout/CdText.h"

#include <gtest/gtest.h>

namespace layout {
namespace {

TEST(CdTextTest, TrailingDurationIsDropped) {
  const std::pair<const char *, const char *> cases[] = {
      {"Evening (3:12)", "Evening"},
      {"Long  (1:02:03)  ", "Long"},
      {"Live (Remix)", "Live (Remix)"},
      {"Ratio (16)", "Ratio (16)"},
      {"(3:12)", ""},
      {"Mid (3:12) song", "Mid (3:12) song"},
      {"Empty ()", "Empty ()"},
      {"", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.second, WithoutDuration(c.first)) << c.first;
}

TEST(CdTextTest, Latin1FromUtf8AndStrayBytes) {
  EXPECT_EQ("Caf\xE9 ?mega ??", ToLatin1("Caf\xC3\xA9 \xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC"));
  // Bytes that are no UTF-8 (a cut sequence too) are ISO 8859-1 already; controls become '?'.
  EXPECT_EQ("Caf\xE9?\xC3", ToLatin1("Caf\xE9\t\xC3"));
}

TEST(CdTextTest, NoTextNoPacks) {
  size_t cut = 0;
  EXPECT_TRUE(BuildCdTextPacks(TCdText{}, 3, cut).empty());
  TCdText text;
  text.Title = "A";
  EXPECT_TRUE(BuildCdTextPacks(text, 0, cut).empty());
  EXPECT_EQ(4U * kCdTextPackSize, BuildCdTextPacks(text, 1, cut).size()); // one title, size info
}

} // namespace
} // namespace layout
