// What the OK button does in each session state, and the other window events.
#include "applet/session/tests/SessionRig.h"

namespace session::test {
namespace {

struct TOkCase {
  const char *Name;
  TSessionState State;
  int ExitCode;
  std::vector<std::string> Ending; // log entries in order, from the click on
};

class ButtonOkTableTest : public SessionTest, public ::testing::WithParamInterface<TOkCase> {};

TEST_P(ButtonOkTableTest, EndsWithTheStatesResultThroughStatisticsReportAndCleanUp) {
  const TOkCase &c = GetParam();
  PrepareGoodSession();
  rig.TocReadable = true; // a retried blank-disc check still finds no blank disc
  form.SessionState = c.State;
  form.WriteMethod = Tao;
  rig.Log.clear();
  EXPECT_EQ(c.ExitCode, ClickOk());
  EXPECT_EQ(c.ExitCode, form.ResultCode);
  EXPECT_TRUE(rig.Logged(c.Ending)) << ::testing::PrintToString(rig.Log);
  EXPECT_EQ(c.State == Recording ? 1 : 0, rig.StoredStatistics.Fail[Tao]);
  EXPECT_EQ(c.State == AspiCheck, rig.Has("AspiHelpPage"));
  // The retry of the blank-disc check shows nothing and ejects nothing.
  EXPECT_FALSE(rig.Has("Eject"));
  EXPECT_FALSE(rig.Has("beep"));
}

const std::vector<std::string> Ended(int code, bool selfRemoval = false) {
  return {"SaveStatistics", "Report:" + std::to_string(code),
          selfRemoval ? "CleanUp:self" : "CleanUp", "halt:" + std::to_string(code)};
}

std::vector<std::string> Then(std::vector<std::string> first,
                              const std::vector<std::string> &rest) {
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ButtonOkTableTest,
    ::testing::Values(TOkCase{"Recording", Recording, 1, Then({"CancelRecording"}, Ended(1))},
                      TOkCase{"FilesCheck", FilesCheck, 2, Ended(2)},
                      TOkCase{"SpaceCheck", SpaceCheck, 3, Ended(3)},
                      TOkCase{"AspiCheck", AspiCheck, 4, Then({"AspiHelpPage"}, Ended(4))},
                      TOkCase{"BlankDiscCheckStillNoBlankDisc", BlankDiscCheck, 5,
                              Then({"TestUnitReady", "ReadTOC"}, Ended(5))},
                      TOkCase{"RecorderCheck", RecorderCheck, 8, Ended(8)},
                      TOkCase{"Completed", Completed, 0, Ended(0, true)}),
    [](const ::testing::TestParamInfo<TOkCase> &info) { return info.param.Name; });

TEST_F(SessionTest, OkWhileStartingIsIgnored) {
  PrepareGoodSession();
  rig.Log.clear();
  EXPECT_EQ(TSessionRig::kNoHalt, ClickOk());
  EXPECT_TRUE(rig.Log.empty());
  EXPECT_EQ(-1, form.ResultCode);
}

TEST_F(SessionTest, OkAfterNoBlankDiscStartsTheRecordingWhenABlankDiscIsNowIn) {
  PrepareGoodSession();
  rig.TocReadable = true;
  form.RunChecks();
  ASSERT_EQ(BlankDiscCheck, form.SessionState);
  rig.TocReadable = false;
  rig.Log.clear();
  EXPECT_EQ(TSessionRig::kNoHalt, ClickOk());
  EXPECT_TRUE(rig.Logged({"TestUnitReady", "ReadTOC", "caption:&Cancel", "StartSao"}));
  EXPECT_EQ(Recording, form.SessionState);
  EXPECT_EQ(-1, form.ResultCode);
  EXPECT_FALSE(rig.Has("SaveStatistics"));
}

TEST_F(SessionTest, OfflineEndingSavesStatisticsAndCleansUpWithoutReport) {
  PrepareGoodSession();
  rig.Fake.Connected = false;
  form.SessionState = FilesCheck;
  EXPECT_EQ(2, ClickOk());
  EXPECT_TRUE(rig.Logged({"SaveStatistics", "CleanUp", "halt:2"}));
  EXPECT_FALSE(rig.Has("Report:2"));
}

TEST_F(SessionTest, OnlyTheOkButtonMayCloseTheWindow) {
  EXPECT_FALSE(form.FormClose(false));
  EXPECT_TRUE(form.FormClose(true));
}

TEST_F(SessionTest, DestroyingTheWindowSavesStatisticsAndHelpOpensTheHelpPage) {
  PrepareGoodSession();
  form.MethodStatistics.Success[Dao] = 3;
  form.FormDestroy();
  EXPECT_EQ(3, rig.StoredStatistics.Success[Dao]);
  form.ButtonLinkClick();
  EXPECT_TRUE(rig.Has("HelpPage"));
}

} // namespace
} // namespace session::test
