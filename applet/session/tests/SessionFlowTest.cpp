// The session's start-up and the order of its checks.
#include "applet/session/MessagePump.h"
#include "applet/session/tests/SessionRig.h"

#include "applet/session/Startup.h"

namespace session::test {
namespace {

constexpr const char *kFilesMissing =
    "\r\n\r\n*** Error - Required download files are missing!  Press OK to exit now.\r\n";
constexpr const char *kNoAspi = "\r\n\r\n*** Error - No suitable ASPI layer found!  Connect to "
                                "the Internet then press OK to learn more at our web site.\r\n";
constexpr const char *kNoRecorder =
    "\r\n\r\n*** Error - There is no CD recorder present or no compatible recording method "
    "available with your CD recorder.  Your ASPI layer may be OUTDATED, please update and try "
    "again.  No CD can be made.  Press Help or OK to exit.\r\n";
constexpr const char *kNoBlank =
    "\r\n*** Attention - No Blank CD was found, please check it. Then try again by pressing OK "
    "after inserting a blank CD. Program will exit if a blank CD is not found again.\r\n\r\n";
constexpr const char *kNoSpace =
    "\r\n\r\n*** Error - Insufficient drive space to proceed!  Press OK to exit now.\r\n";

TEST_F(SessionTest, FormCreateSetsTheStartingStateAndCopiesTheFirstRecorder) {
  rig.RecorderList = {Recorder(false, false, true), Recorder(true, false, false)};
  rig.StoredStatistics.Fail[Sao] = 7;
  form.ResultCode = 5;
  form.FormCreate();
  EXPECT_EQ("Please Wait", rig.OkCaption);
  EXPECT_EQ(Starting, form.SessionState);
  EXPECT_EQ(-1, form.ResultCode);
  EXPECT_EQ(7, form.MethodStatistics.Fail[Sao]);
  EXPECT_TRUE(form.SessionRecorder.CanTAO);
  EXPECT_FALSE(form.SessionRecorder.CanSAO);
}

TEST_F(SessionTest, FormActivatePausesWithProgressThenStagesAndRunsOnce) {
  PrepareGoodSession();
  const uint32_t start = rig.Fake.Now;
  form.FormActivate();
  const auto at = [start](int progress, uint32_t ms) {
    return "progress:" + std::to_string(progress) + "@" + std::to_string(start + ms);
  };
  EXPECT_TRUE(rig.Logged({at(1, 2000), at(2, 5000), at(3, 11000),
                          "DispatchPackageMode@" + std::to_string(start + 12000), "caption:&Cancel",
                          "StartSao", at(4, 12800)}));
  // The pauses sleep in the system's wait: a handful of pumps, not a busy loop.
  EXPECT_LT(rig.Pumps, 20);
  EXPECT_EQ(Recording, form.SessionState);

  rig.Log.clear();
  form.FormActivate();
  EXPECT_TRUE(rig.Log.empty());
}

TEST_F(SessionTest, ClickDuringThePleaseWaitPausesIsIgnored) {
  PrepareGoodSession();
  rig.Events.emplace(rig.Fake.Now + 2500, [this] { form.ButtonOkClick(); });
  rig.Events.emplace(rig.Fake.Now + 11500, [this] { form.ButtonOkClick(); });
  EXPECT_EQ(TSessionRig::kNoHalt, TSessionRig::ExitCodeOf([this] { form.FormActivate(); }));
  EXPECT_TRUE(rig.Events.empty());
  EXPECT_TRUE(rig.Has("StartSao"));
}

TEST_F(SessionTest, APackageSwitchJobEndsTheActivationWithoutChecks) {
  PrepareGoodSession();
  rig.Stage = [](TStagingHost *) { return true; };
  form.FormActivate();
  EXPECT_EQ(Starting, form.SessionState);
  EXPECT_EQ("Please Wait", rig.OkCaption);
  EXPECT_FALSE(rig.Has("TestUnitReady"));
}

TEST_F(SessionTest, FailedPackageSpaceCheckDuringStagingWaitsForOkWhichEndsWith3) {
  WriteLinerNotes("[INTERNAL]\nSize=70\n");
  form.FormCreate();
  rig.Fake.FreeBytes = 1024;
  rig.Stage = [](TStagingHost *host) {
    if (!host->CheckPackageSpace())
      host->WaitForTermination();
    return false;
  };
  rig.Events.emplace(rig.Fake.Now + 60000, [this] { form.ButtonOkClick(); });
  EXPECT_EQ(3, TSessionRig::ExitCodeOf([this] { form.FormActivate(); }));
  EXPECT_TRUE(rig.Logged({"memo:" + std::string(kNoSpace), "beep", "caption:&OK", "SaveStatistics",
                          "CleanUp", "halt:3"}));
}

// Each row: what is wrong with the machine, the state the checks stop in, and the message.
struct TCheckCase {
  const char *Name;
  bool LinerNotes;
  bool Aspi;
  bool Recorder;
  bool Blank;
  bool Tracks;
  TSessionState Stop;
  const char *Message;
};

class CheckOrderTest : public SessionTest, public ::testing::WithParamInterface<TCheckCase> {};

TEST_P(CheckOrderTest, ChecksRunInOrderAndStopAtTheFirstFailure) {
  const TCheckCase &c = GetParam();
  if (c.LinerNotes)
    WriteLinerNotes();
  rig.Aspi = c.Aspi;
  if (c.Recorder)
    rig.RecorderList = {Recorder(true, false, false)};
  rig.TocReadable = !c.Blank;
  rig.Tracks = c.Tracks;
  form.FormCreate();
  const uint32_t start = rig.Fake.Now;
  form.RunChecks();
  EXPECT_EQ(c.Stop, form.SessionState);
  const bool versionShown = c.LinerNotes;
  EXPECT_EQ(versionShown, rig.Has("memo:Version 1.40b"));
  EXPECT_EQ(versionShown ? 800u : 0u, rig.Fake.Now - start);
  if (c.Message == nullptr) {
    EXPECT_TRUE(rig.Has("StartSao"));
    EXPECT_FALSE(rig.Has("beep"));
    return;
  }
  EXPECT_FALSE(rig.Has("StartSao"));
  const std::vector<std::string> failure =
      c.Stop == BlankDiscCheck
          ? std::vector<std::string>{"memo:" + std::string(c.Message), "Eject", "beep",
                                     "caption:&OK"}
          : std::vector<std::string>{"memo:" + std::string(c.Message), "beep", "caption:&OK"};
  EXPECT_TRUE(rig.Logged(failure));
  EXPECT_EQ("&OK", rig.OkCaption);
  // Only the blank-disc check and those after it talk to the drive.
  EXPECT_EQ(c.Blank || c.Stop == BlankDiscCheck, rig.Has("ReadTOC"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckOrderTest,
    ::testing::Values(
        TCheckCase{"NoLinerNotes", false, false, false, false, true, FilesCheck, kFilesMissing},
        TCheckCase{"NoAspi", true, false, false, false, true, AspiCheck, kNoAspi},
        TCheckCase{"NoRecorder", true, true, false, false, true, RecorderCheck, kNoRecorder},
        TCheckCase{"NoBlankDisc", true, true, true, false, true, BlankDiscCheck, kNoBlank},
        TCheckCase{"NoTracks", true, true, true, true, false, FilesCheck, kFilesMissing},
        TCheckCase{"AllPass", true, true, true, true, true, Recording, nullptr}),
    [](const ::testing::TestParamInfo<TCheckCase> &info) { return info.param.Name; });

TEST_F(SessionTest, AStagingThatCouldNotWriteSaysWhyBeforeTheFilesMessage) {
  rig.Failure = "*** The album could not be unpacked: no space.";
  form.FormCreate();
  form.RunChecks();
  EXPECT_TRUE(rig.Logged({"memo:" + rig.Failure, "memo:" + std::string(kFilesMissing), "beep"}));
}

TEST_F(SessionTest, OkDuringTheVersionPauseEndsWithTheSpaceResult) {
  PrepareGoodSession();
  rig.Events.emplace(rig.Fake.Now + 400, [this] { form.ButtonOkClick(); });
  EXPECT_EQ(3, TSessionRig::ExitCodeOf([this] { form.RunChecks(); }));
  EXPECT_FALSE(rig.Has("TestUnitReady"));
}

TEST_F(SessionTest, TestSwitchSelectsATestWrite) {
  PrepareGoodSession();
  for (const bool withSwitch : {true, false}) {
    common::SetCommandLineArguments(withSwitch ? std::vector<std::string>{"applet.exe", "/TEST#13"}
                                               : std::vector<std::string>{"applet.exe"});
    rig.TestWrite = !withSwitch;
    form.RunChecks();
    EXPECT_EQ(withSwitch, rig.TestWrite);
  }
}

TEST_F(SessionTest, DelayPumpingWaitsOnTheTickCountAndHandlesMessages) {
  int clicks = 0;
  rig.Fake.Now = 0xFFFFFF00u; // the tick count wraps during the pause
  rig.Events.emplace(0xFFFFFF80u, [&clicks] { ++clicks; });
  DelayPumping(rig, 1000);
  EXPECT_EQ(1000u, rig.Fake.Slept);
  EXPECT_EQ(1, clicks);

  rig.Fake.Slept = 0;
  DelayPumping(rig, 0);
  EXPECT_EQ(0u, rig.Fake.Slept);

  rig.IsTerminated = true;
  DelayPumping(rig, 5000);
  EXPECT_EQ(0u, rig.Fake.Slept);
}

} // namespace
} // namespace session::test
