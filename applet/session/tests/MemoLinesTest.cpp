// The memo's line lists: splitting, joining and name=value updates.
#include "applet/session/MemoLines.h"

#include <gtest/gtest.h>

namespace session {
namespace {

using Lines = std::vector<std::string>;

TEST(LinesTest, SplitAtAnyLineBreakAndJoinWithCrLf) {
  EXPECT_EQ((Lines{"a", "", "b", "c"}), SplitLines("a\r\n\r\nb\nc"));
  EXPECT_EQ((Lines{"a", "b"}), SplitLines("a\rb\r\n"));
  EXPECT_EQ(Lines{}, SplitLines(""));
  EXPECT_EQ("a\r\n\r\n", JoinLines({"a", ""}));
}

TEST(LinesTest, NameValueUpdatesReplaceAppendOrRemove) {
  Lines lines{"Licence text", "Album=Old", "x = y", "no name here"};
  SetMemoValue(lines, "ALBUM", "New");
  SetMemoValue(lines, "Artist", "The Quills");
  SetMemoValue(lines, "x ", "");
  SetMemoValue(lines, "no name here", "");
  SetMemoValue(lines, "Missing", "");
  EXPECT_EQ((Lines{"Licence text", "ALBUM=New", "no name here", "Artist=The Quills"}), lines);
}

} // namespace
} // namespace session
