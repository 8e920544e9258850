// The result report, the help pages and where the session opens them.
#include "applet/session/Report.h"
#include "applet/session/Ending.h"
#include "applet/session/tests/SessionRig.h"

namespace session::test {
namespace {

const std::string kReportBase = "http://results.example.com/qlns1.asp?r=";
const std::string kHelpPage = "http://support.example.com/support/qlns/helpbutton-perm.asp";
const std::string kAspiPage = "http://support.example.com/support/aboutaspi-perm.asp";

TEST(ReportAddressTest, SourceFollowsTheVersionWithSpacesAsUnderscoresAndNothingEncoded) {
  const struct {
    int Code;
    const char *Source;
    const char *Query;
  } cases[] = {
      {2, "", "2&source=Version1.40b"},
      {8, "Night Songs Live", "8&source=Version1.40bNight_Songs_Live"},
      {0, " two  spaces ", "0&source=Version1.40b_two__spaces_"},
      {4, "a&b=c%20/?#", "4&source=Version1.40ba&b=c%20/?#"},
      {-1, "x", "-1&source=Version1.40bx"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(kReportBase + c.Query, ReportAddress(c.Code, c.Source));
}

class ReportTest : public SessionTest {
protected:
  ReportTest() { stored.AttachModules(rig, rig); }
  TEnding ending;
  TFormMain stored{rig, rig, rig, ending};
};

TEST_F(ReportTest, ReportOpensTheAddressAndAfterSuccessTheLinerNotesAfterAPlainPause) {
  WriteLinerNotes("[INTERNAL]\r\nSource=Night Songs Live\r\n");
  for (int code : {0, 1, 4, 8}) {
    rig.Fake.Opened.clear();
    rig.Fake.Slept = 0;
    rig.Pumps = 0;
    ending.ReportResult(code);
    std::vector<std::string> expected = {kReportBase + std::to_string(code) +
                                         "&source=Version1.40bNight_Songs_Live"};
    if (code == 0)
      expected.push_back(dir.File("linernotes.htm"));
    EXPECT_EQ(expected, rig.Fake.Opened);
    EXPECT_EQ(1800u, rig.Fake.Slept);
    EXPECT_EQ(0, rig.Pumps); // no window message is handled in the pause
  }
}

TEST_F(ReportTest, WithoutLinerNotesNothingOpens) {
  ending.ReportResult(0);
  EXPECT_TRUE(rig.Fake.Opened.empty());
  EXPECT_EQ(0u, rig.Fake.Slept);
}

TEST_F(ReportTest, AspiFailureOpensItsHelpPageThenTheReport) {
  WriteLinerNotes("[INTERNAL]\r\nSource=Night Songs\r\n");
  rig.Aspi = false;
  stored.FormCreate();
  stored.FormActivate();
  ASSERT_EQ(AspiCheck, stored.SessionState);
  EXPECT_EQ(4, TSessionRig::ExitCodeOf([this] { stored.ButtonOkClick(); }));
  EXPECT_EQ((std::vector<std::string>{kAspiPage, kReportBase + "4&source=Version1.40bNight_Songs"}),
            rig.Fake.Opened);
}

TEST_F(ReportTest, HelpOpensTheHelpPageAlsoAfterARecordingFailure) {
  PrepareGoodSession();
  stored.FormCreate();
  stored.ButtonLinkClick();
  stored.FormActivate();
  rig.Failed = true;
  stored.RecordingFinished();
  stored.ButtonLinkClick();
  EXPECT_EQ((std::vector<std::string>{kHelpPage, kHelpPage}), rig.Fake.Opened);
}

TEST_F(ReportTest, OfflineEndingOpensNothingButSavesAndCleansUp) {
  PrepareGoodSession();
  testsupport::WriteFile(dir.File("QlnT-1.mp3"), "x");
  rig.Fake.Connected = false;
  stored.FormCreate();
  stored.FormActivate();
  EXPECT_EQ(1, TSessionRig::ExitCodeOf([this] { stored.ButtonOkClick(); }));
  EXPECT_TRUE(rig.Fake.Opened.empty());
  EXPECT_EQ(7u, rig.Fake.Settings.size());
  EXPECT_FALSE(rig.Fake.FileExists(dir.File("QlnT-1.mp3")));
}

} // namespace
} // namespace session::test
