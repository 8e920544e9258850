// The manifest in the liner notes and the checks that read it. The same pages are read by the
// portable INI reader natively and by the system's private-profile functions in the Windows
// build, so both must give these answers.
#include "applet/session/tests/SessionRig.h"

#include "applet/session/Manifest.h"

namespace session::test {
namespace {

constexpr int64_t kMB = int64_t{1024} * 1024;

// A liner-notes page as producers write it: settings in a comment ahead of the HTML, which
// the reader takes as further lines of the last section.
constexpr const char *kPage = "<html><head><title>Night Songs</title></head>\r\n"
                              "<!--\r\n"
                              "[Internal]\r\n"
                              "size=0x10\r\n"
                              "Source = Quiet Room Records \r\n"
                              "[TITLE]\r\n"
                              "Album = Night Songs\r\n"
                              "; a remark\r\n"
                              "\r\n"
                              "Artist=\"The Quills\"\r\n"
                              "Year=\r\n"
                              "[TRACKS AND TAGS]\r\n"
                              "1=Dusk\r\n"
                              "2=Dawn\r\n"
                              "-->\r\n"
                              "<p>Liner notes</p>\r\n"
                              "<a href=\"cover.jpg\">Cover</a>\r\n"
                              "</body></html>\r\n";

TEST(ProfileIntegerTest, DecimalOrHexWithDefaultForAnythingElse) {
  const struct {
    const char *Text;
    int32_t Value;
  } cases[] = {{"70", 70},
               {"0x10", 16},
               {"0X1f", 31},
               {"-5", -5},
               {"+7", 7},
               {"abc", -99},
               {"", -99},
               {"0x", -99},
               {"0xZZ", -99},
               {"12a", -99},
               {"1 2", -99},
               {"0xFFFFFFFF", -1},
               {"2147483647", INT32_MAX},
               {"2147483648", -99},
               {"-2147483648", INT32_MIN},
               {"0x100000000", -99}};
  for (const auto &c : cases)
    EXPECT_EQ(c.Value, ParseProfileInteger(c.Text, -99)) << c.Text;
}

TEST_F(SessionTest, ManifestIsReadLikeAPrivateProfile) {
  WriteLinerNotes(kPage);
  const std::string file = LinerNotesPath();
  EXPECT_EQ(16, ReadManifestInteger(file, "INTERNAL", "Size", 70));
  EXPECT_EQ("Quiet Room Records", ReadManifestString(file, "internal", "SOURCE", ""));
  EXPECT_EQ("The Quills", ReadManifestString(file, "TITLE", "Artist", "none"));
  EXPECT_EQ("", ReadManifestString(file, "TITLE", "Year", "none"));
  EXPECT_EQ("none", ReadManifestString(file, "TITLE", "Label", "none"));
  EXPECT_EQ("none", ReadManifestString(file, "LABEL", "Album", "none"));
  EXPECT_EQ((std::vector<std::string>{"Album", "Artist", "Year"}),
            ManifestSectionKeys(file, "title"));
  EXPECT_EQ((std::vector<std::string>{"1", "2", "-->", "<p>Liner notes</p>", "<a href",
                                      "</body></html>"}),
            ManifestSectionKeys(file, "TRACKS AND TAGS"));
  EXPECT_EQ("\"cover.jpg\">Cover</a>", ReadManifestString(file, "TRACKS AND TAGS", "<a href", ""));
  EXPECT_TRUE(ManifestSectionKeys(file, "LABEL").empty());
  EXPECT_TRUE(ManifestSectionKeys(dir.File("missing.htm"), "TITLE").empty());
  EXPECT_EQ("x", ReadManifestString(dir.File("missing.htm"), "TITLE", "Album", "x"));
}

TEST_F(SessionTest, ManifestValuesAreCutAt2047Characters) {
  WriteLinerNotes("[TITLE]\r\nLong=" + std::string(3000, 'v') + "\r\n");
  EXPECT_EQ(std::string(2047, 'v'), ReadManifestString(LinerNotesPath(), "TITLE", "Long", ""));
}

TEST_F(SessionTest, SectionsShowInTheMemoAsANameValueList) {
  WriteLinerNotes(kPage);
  rig.RecorderList = {Recorder(true, false, false)};
  form.FormCreate();
  rig.Memo = "Licence\r\nyear=1999\r\n2=Old\r\n";
  form.StartRecording();
  const std::vector<std::string> lines = SplitLines(rig.Memo);
  const std::string rule(24, '_');
  const std::vector<std::string> expected = {"Licence",
                                             "2=Dawn",
                                             "Album=Night Songs",
                                             "Artist=The Quills",
                                             "1=Dusk",
                                             "<a href=\"cover.jpg\">Cover</a>",
                                             rule};
  std::vector<std::string> shown = {lines[0], lines[1]};
  shown.insert(shown.end(), lines.end() - 5, lines.end());
  EXPECT_EQ(expected, shown);
}

struct TSpaceCase {
  const char *Page; // nullptr = no liner notes
  int64_t FreeBytes;
  bool Passes;
};

TEST_F(SessionTest, PackageSpaceNeedsTheSizePlusTwoMegabytesOnTheCurrentDrive) {
  const TSpaceCase cases[] = {
      {"[INTERNAL]\r\nSize=70\r\n", 72 * kMB, true},
      {"[INTERNAL]\r\nSize=70\r\n", 72 * kMB - kMB / 100, false},
      {nullptr, 72 * kMB, true},
      {nullptr, 71 * kMB, false},
      {"[INTERNAL]\r\nSize=abc\r\n", 72 * kMB - 1, false},
      {"[INTERNAL]\r\nSize=0x10\r\n", 18 * kMB, true},
      {"[INTERNAL]\r\nSize=0x10\r\n", 18 * kMB - 1, false},
      {"[INTERNAL]\r\nSize=0\r\n", -1, false}, // the query failed: no space at all
  };
  for (const TSpaceCase &c : cases) {
    SCOPED_TRACE(std::string(c.Page != nullptr ? c.Page : "none") + " " +
                 std::to_string(c.FreeBytes));
    rig.Fake.RemoveFile(LinerNotesPath());
    if (c.Page != nullptr)
      WriteLinerNotes(c.Page);
    rig.Fake.FreeBytes = c.FreeBytes;
    rig.Log.clear();
    form.SessionState = Starting;
    EXPECT_EQ(c.Passes, form.CheckPackageSpace());
    EXPECT_EQ(SpaceCheck, form.SessionState);
    EXPECT_EQ(!c.Passes, rig.Logged({"memo:\r\n\r\n*** Error - Insufficient drive space to "
                                     "proceed!  Press OK to exit now.\r\n",
                                     "beep", "caption:&OK"}));
  }
}

TEST_F(SessionTest, FreeSpaceCheckComparesBytes) {
  rig.Fake.FreeBytes = -1;
  EXPECT_TRUE(form.CheckFreeSpace(0));
  EXPECT_FALSE(form.CheckFreeSpace(1));
  rig.Fake.FreeBytes = int64_t{5} << 32;
  EXPECT_TRUE(form.CheckFreeSpace(int64_t{5} << 32));
  EXPECT_FALSE(form.CheckFreeSpace((int64_t{5} << 32) + 1));
  EXPECT_EQ(SpaceCheck, form.SessionState);
}

TEST_F(SessionTest, BurnEstimateFollowsThePackageSize) {
  const struct {
    const char *Page;
    int Minutes;
  } cases[] = {
      {"[INTERNAL]\r\nSize=70\r\n", 45},  {"[INTERNAL]\r\nSize=50\r\n", 33},
      {"[INTERNAL]\r\nSize=-10\r\n", -4}, {"[INTERNAL]\r\nSize=2147483647\r\n", 1331439863},
      {"[INTERNAL]\r\nSize=abc\r\n", 3},  {"[TITLE]\r\nSize=70\r\n", 3}};
  for (const auto &c : cases) {
    WriteLinerNotes(c.Page);
    EXPECT_EQ(c.Minutes, form.EstimateBurnMinutes()) << c.Page;
  }
  rig.Fake.RemoveFile(LinerNotesPath());
  EXPECT_EQ(3, form.EstimateBurnMinutes());
}

} // namespace
} // namespace session::test
