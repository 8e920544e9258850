// The authoring listing and its line splitting.
#include "applet/common/SimpleListing.h"
#include "applet/common/CommonUtils.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace common {
namespace {

using Lines = std::vector<std::string>;

class SimpleListingTest : public ::testing::Test {
protected:
  TSimpleListing Write(const std::string &text) {
    testsupport::WriteFile(dir.File("qln1e.ini"), text);
    return TSimpleListing(dir.File("qln1e.ini"));
  }
  testsupport::TTempDir dir;
};

TEST_F(SimpleListingTest, FilesRunToTheNextHeaderSkippingRepeatsOfTheirOwn) {
  std::string text = "; tracks\r\n[files]\r\n";
  for (int i = 1; i <= 30; ++i)
    text += (i == 5 ? std::string() : "C:\\music\\" + std::to_string(i) + ".mp3") + "\r\n";
  text += "[FILES]\r\n last.mp3\r\n[Library]\r\n[Other]\r\nlib.dll\r\n";
  const TSimpleListing listing = Write(text);
  Lines files;
  listing.SectionLines("Files", files);
  ASSERT_EQ(31u, files.size());
  EXPECT_EQ("C:\\music\\1.mp3", files[0]);
  EXPECT_EQ("", files[4]);
  EXPECT_EQ(" last.mp3", files[30]);
  EXPECT_EQ("", listing.FirstSectionLine("Library"));
  EXPECT_EQ("lib.dll", listing.FirstSectionLine("other"));
  Lines headers;
  listing.SectionHeaders(headers);
  EXPECT_EQ((Lines{"[files]", "[FILES]", "[Library]", "[Other]"}), headers);
}

TEST_F(SimpleListingTest, HeadersAreNotTrimmedAndMissingSectionsGiveNothing) {
  const TSimpleListing listing =
      Write("[Library]\n[Library]\nqlnxaudio.dll\n [Files]\na.mp3\n[Files] \nb.mp3\n[x");
  EXPECT_EQ("qlnxaudio.dll", listing.FirstSectionLine("LIBRARY"));
  Lines files{"kept"};
  listing.SectionLines("Files", files);
  EXPECT_EQ(Lines{"kept"}, files);
  EXPECT_EQ("", listing.FirstSectionLine("Files"));
  Lines headers;
  listing.SectionHeaders(headers);
  EXPECT_EQ((Lines{"[Library]", "[Library]"}), headers);
  EXPECT_EQ("", Write("[Library]\r\n").FirstSectionLine("Library"));
}

TEST_F(SimpleListingTest, AMissingListingRaisesTheOpenError) {
  const TSimpleListing listing(dir.File("absent.ini"));
  Lines lines;
  EXPECT_THROW(listing.SectionLines("Files", lines), EFOpenError);
}

TEST(SplitLinesTest, SplitAtAnyLineBreak) {
  EXPECT_EQ((Lines{"a", "", "b", "c"}), SplitLines("a\r\n\r\nb\nc"));
  EXPECT_EQ((Lines{"a", "b"}), SplitLines("a\rb\r\n"));
  EXPECT_EQ(Lines{}, SplitLines(""));
}

} // namespace
} // namespace common
