// The blank-disc check, the start of a recording and its completion.
#include "applet/session/tests/SessionRig.h"

#include <climits>

namespace session::test {
namespace {

struct TBlankCase {
  const char *Name;
  std::deque<bool> NotReady; // TestUnitReady answers, true = failed
  bool TocReadable;
  bool Retry;
  bool Blank;
  std::vector<std::string> Drive; // drive commands in order
};

class BlankDiscTest : public SessionTest, public ::testing::WithParamInterface<TBlankCase> {};

TEST_P(BlankDiscTest, LoadsOnceWhenNotReadyAndReportsOnlyWithoutRetry) {
  const TBlankCase &c = GetParam();
  PrepareGoodSession();
  rig.NotReady = c.NotReady;
  rig.TocReadable = c.TocReadable;
  rig.Log.clear();
  EXPECT_EQ(c.Blank, form.CheckBlankDisc(c.Retry));
  EXPECT_EQ(BlankDiscCheck, form.SessionState);
  std::vector<std::string> drive;
  for (const std::string &entry : rig.Log)
    if (entry.rfind("memo:", 0) != 0 && entry != "beep" && entry.rfind("caption:", 0) != 0)
      drive.push_back(entry);
  EXPECT_EQ(c.Drive, drive);
  const bool reported = !c.Blank && !c.Retry;
  EXPECT_EQ(reported, rig.Has("beep"));
  EXPECT_EQ(reported ? "&OK" : "Please Wait", rig.OkCaption);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BlankDiscTest,
    ::testing::Values(
        TBlankCase{"ReadyWithoutToc", {false}, false, false, true, {"TestUnitReady", "ReadTOC"}},
        TBlankCase{"TrayClosedThenReady",
                   {true, false},
                   false,
                   false,
                   true,
                   {"TestUnitReady", "Load", "TestUnitReady", "ReadTOC"}},
        TBlankCase{"NeverReady",
                   {true, true},
                   false,
                   false,
                   false,
                   {"TestUnitReady", "Load", "TestUnitReady", "ReadTOC", "Eject"}},
        TBlankCase{
            "RecordedDisc", {false}, true, false, false, {"TestUnitReady", "ReadTOC", "Eject"}},
        TBlankCase{
            "RecordedDiscOnRetry", {false}, true, true, false, {"TestUnitReady", "ReadTOC"}}),
    [](const ::testing::TestParamInfo<TBlankCase> &info) { return info.param.Name; });

struct TMethodCase {
  bool Sao, Raw, Tao;
  const char *Start; // "" = nothing started
  const char *Line;
  TWriteMethod Method;
};

TEST_F(SessionTest, StartRecordingPrefersSaoThenRawThenTao) {
  // Method Tao in the last row: no method is chosen, so WriteMethod keeps its old value.
  const TMethodCase cases[] = {
      {true, true, true, "StartSao", "(Using SAO method)", Sao},
      {false, true, true, "StartDao", "(Using DAO method)", Dao},
      {false, false, true, "StartTao", "(Using TAO method- Pause near end is normal)", Tao},
      {false, false, false, "", kNoRecorderText, Tao},
  };
  WriteLinerNotes();
  for (const TMethodCase &c : cases) {
    SCOPED_TRACE(c.Line);
    rig.RecorderList = {Recorder(c.Sao, c.Raw, c.Tao)};
    form.FormCreate();
    form.WriteMethod = Tao;
    rig.Log.clear();
    form.StartRecording();
    std::vector<std::string> starts;
    for (const std::string &entry : rig.Log)
      if (entry.rfind("Start", 0) == 0)
        starts.push_back(entry);
    const std::string line = std::string("memo:") + c.Line;
    EXPECT_EQ(*c.Start != '\0' ? std::vector<std::string>{c.Start} : std::vector<std::string>{},
              starts);
    EXPECT_TRUE(*c.Start != '\0' ? rig.Logged({c.Start, line}) : rig.Has(line));
    EXPECT_EQ(c.Method, form.WriteMethod);
  }
}

TEST_F(SessionTest, StartRecordingAnnouncesAndShowsTitleAndTracks) {
  WriteLinerNotes("<html>\r\n[INTERNAL]\r\nSize=0x46\r\n[TITLE]\r\nAlbum=Night Songs\r\n"
                  "Artist=The Quills\r\nEmpty=\r\n[TRACKS AND TAGS]\r\n1=Dusk\r\nartist=Someone "
                  "Else\r\n[END]\r\n</html>\r\n");
  rig.RecorderList = {Recorder(true, false, false)};
  form.FormCreate();
  rig.Memo = "Preset licence text\r\nEmpty=old\r\n";
  form.StartRecording();
  const std::string rule(24, '_');
  EXPECT_EQ("Preset licence text\r\n"
            "Using CDR device QLN Virtual CD-RW 1.0\r\n"
            "Burn Time will be less than 45 minutes.\r\n"
            "Do not disturb or run other programs while recording.  Please wait...\r\n"
            "(Using SAO method)\r\n" +
                rule + "\r\nAlbum=Night Songs\r\nartist=Someone Else\r\n1=Dusk\r\n" + rule + "\r\n",
            rig.Memo);
  EXPECT_EQ(Recording, form.SessionState);
  EXPECT_EQ(4, rig.Progress.back());
}

TEST_F(SessionTest, FailedRecordingCountsTwiceWithTheOkThatFollows) {
  PrepareGoodSession();
  form.FormActivate();
  ASSERT_EQ(Sao, form.WriteMethod);
  rig.Failed = true;
  rig.Log.clear();
  form.RecordingFinished();
  const std::string failedLine =
      "memo:*** Error - A problem has prevented completion of your CD. This may be due to a "
      "defect on the blank CD, to running other programs while recording, running out of "
      "memory, to \"Auto Insert Notification\" (AIN) being enabled, or there may be a problem "
      "with your recorder. Click the Help button to read more or press OK to exit now.";
  EXPECT_TRUE(rig.Logged({"ReleaseCache", "progress:102@" + std::to_string(rig.Fake.Now),
                          failedLine, "caption:&OK", "beep", "UnloadDecoder"}));
  EXPECT_FALSE(rig.Has("Eject"));
  EXPECT_FALSE(rig.Has("CleanUp"));
  EXPECT_EQ(Recording, form.SessionState);
  EXPECT_EQ(1, form.MethodStatistics.Fail[Sao]);
  EXPECT_EQ(1, ClickOk());
  EXPECT_EQ(2, rig.StoredStatistics.Fail[Sao]);
  EXPECT_EQ(0, rig.StoredStatistics.Success[Sao]);
}

TEST_F(SessionTest, CompletedRecordingEjectsCleansUpAndEndsWithSelfRemoval) {
  PrepareGoodSession();
  rig.RecorderList = {Recorder(false, false, true)};
  form.FormCreate();
  form.FormActivate();
  rig.Log.clear();
  form.RecordingFinished();
  const std::string completedLines =
      "memo:\r\n *********************************\r\nCD completed successfully!\r\n"
      "*********************************";
  EXPECT_TRUE(rig.Logged({"ReleaseCache", "Eject", completedLines,
                          "memo:Hint - Label your CD with a good felt marker.", "caption:&OK",
                          "beep", "UnloadDecoder", "CleanUp"}));
  const std::vector<std::string> lines = SplitLines(rig.Memo);
  EXPECT_NE(std::string::npos, lines.back().find("Patent"));
  EXPECT_EQ("Press OK to display the CD Cover & Liner Notes from the producer of this CD.",
            lines.back().substr(lines.back().size() - 76));
  EXPECT_EQ(Completed, form.SessionState);
  EXPECT_EQ(1, form.MethodStatistics.Success[Tao]);
  EXPECT_EQ(0, ClickOk());
  EXPECT_TRUE(rig.Logged({"SaveStatistics", "Report:0", "CleanUp:self", "halt:0"}));
  EXPECT_EQ(1, rig.StoredStatistics.Success[Tao]);
}

TEST_F(SessionTest, CompletedTestWriteSaysNothingWasWrittenAndKeepsTheApplet) {
  PrepareGoodSession();
  rig.RecorderList = {Recorder(false, false, true)};
  common::SetCommandLineArguments({"applet.exe", "/test#13"});
  form.FormCreate();
  form.FormActivate();
  rig.Log.clear();
  form.RecordingFinished();
  EXPECT_NE(std::string::npos, rig.Memo.find("Test completed: nothing was written to the CD."));
  EXPECT_EQ(std::string::npos, rig.Memo.find("CD completed successfully!"));
  EXPECT_EQ(0, ClickOk());
  EXPECT_TRUE(rig.Logged({"SaveStatistics", "Report:0", "CleanUp", "halt:0"}));
  EXPECT_FALSE(rig.Has("CleanUp:self"));
  EXPECT_EQ(1, rig.StoredStatistics.Success[Tao]);
}

TEST_F(SessionTest, CancelDuringRecordingCountsOneFailure) {
  PrepareGoodSession();
  form.FormActivate();
  EXPECT_EQ(1, ClickOk());
  EXPECT_TRUE(rig.Logged(
      {"CancelRecording", "SaveStatistics", "Report:1", "UnloadDecoder", "CleanUp", "halt:1"}));
  EXPECT_EQ(1, rig.StoredStatistics.Fail[Sao]);
}

TEST_F(SessionTest, ACancelInTheFlushThatFinishedTheDiscReportsTheSuccess) {
  PrepareGoodSession();
  form.FormActivate();
  rig.DiscFinishedAtCancel = true;
  form.ButtonOkClick();
  EXPECT_TRUE(rig.Logged({"CancelRecording", "Eject", "CleanUp"}));
  EXPECT_NE(std::string::npos, rig.Memo.find("CD completed successfully!"));
  EXPECT_EQ(Completed, form.SessionState);
  EXPECT_EQ(0, ClickOk());
  EXPECT_EQ(1, rig.StoredStatistics.Success[Sao]);
  EXPECT_EQ(0, rig.StoredStatistics.Fail[Sao]);
}

// A start that records nothing: its reason (or the general text) is the last line, no method
// line follows, one failure is counted, and OK ends with 1 and no self-removal.
class RefusedStartTest : public SessionTest {
protected:
  void Run(const std::string &reason, const std::string &lastLine) {
    PrepareGoodSession();
    rig.RecorderList = {Recorder(false, true, false)};
    rig.NothingStarted = true;
    rig.RefusalLine = reason;
    form.FormCreate();
    form.WriteMethod = Tao;
    form.FormActivate();
    EXPECT_EQ(Dao, form.WriteMethod); // set before the start: the failure counts for DAO
    EXPECT_TRUE(rig.Logged({"StartDao", "ReleaseCache", "caption:&OK", "beep", "UnloadDecoder"}));
    EXPECT_FALSE(rig.Has("memo:(Using DAO method)"));
    EXPECT_EQ(lastLine, SplitLines(rig.Memo).back().substr(0, lastLine.size()));
    EXPECT_EQ(102, rig.Progress.back());
    EXPECT_EQ(1, ClickOk());
    EXPECT_EQ(1, rig.StoredStatistics.Fail[Dao]);
    EXPECT_TRUE(rig.Has("CleanUp"));
  }
};

TEST_F(RefusedStartTest, TheBurnModulesReason) {
  Run("*** Error - \"Dusk\" cannot be recorded. Why.",
      "*** Error - \"Dusk\" cannot be recorded. Why.");
}

TEST_F(RefusedStartTest, WithoutAReasonTheGeneralText) {
  Run("", "*** Error - A problem has prevented completion");
}

TEST_F(SessionTest, TheBurnModuleReachesTheGaugeTitleAndMemo) {
  PrepareGoodSession();
  ASSERT_EQ(&form, static_cast<TFormMain *>(rig.BurnHost));
  rig.BurnHost->ShowRecordingProgress(57, "Burn [57%]");
  rig.BurnHost->ReportLine("a line of the burn module");
  EXPECT_EQ(57, rig.Progress.back());
  EXPECT_EQ("Burn [57%]", rig.Title);
  EXPECT_TRUE(rig.Has("memo:a line of the burn module"));
}

TEST(CountOutcomeTest, CountersWrapAsSigned32Bit) {
  TMethodStatistics statistics;
  statistics.Fail[Dao] = INT32_MAX;
  CountOutcome(statistics, Dao, false);
  CountOutcome(statistics, Sao, true);
  EXPECT_EQ(INT32_MIN, statistics.Fail[Dao]);
  EXPECT_EQ(1, statistics.Success[Sao]);
  EXPECT_EQ(0, statistics.Success[Dao] + statistics.Fail[Sao] + statistics.Success[Tao]);
}

} // namespace
} // namespace session::test
