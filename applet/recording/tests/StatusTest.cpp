// The status record's window logic on the main thread, through a recording view.
#include "applet/recording/Status.h"
#include "applet/platform/Dispatcher.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace recording {
namespace {

class TRecordingView : public TStatusView {
public:
  void Refresh(const TStatusControls &c) override { Shown = c; }
  void SetVisible(bool v) override { Calls.push_back(v ? "show" : "hide"); }
  void SetOwnerVisible(bool v) override { Calls.push_back(v ? "owner shown" : "owner hidden"); }
  void SetScreenSaverActive(bool a) override { Calls.push_back(a ? "saver on" : "saver off"); }
  bool ScreenSaverActive() override { return Saver; }
  std::string ApplicationTitle() override { return Title; }
  void SetApplicationTitle(const std::string &t) override { Title = t; }
  void CopyLogToClipboard() override { Calls.push_back("copy"); }

  TStatusControls Shown;
  std::vector<std::string> Calls;
  std::string Title = "Applet";
  bool Saver = true;
};

class StatusTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::TMainThread::Adopt();
    platform::TMainThread::Reset();
  }
  void RaiseAllFlags() {
    form.CloseAllowed = form.WriterFinished = form.UserCancelled = true;
    form.ReaderFailed = form.WriterFailed = true;
    form.SectorsWritten = 1234;
  }

  testsupport::TFakePlatform fake;
  platform::TPlatformOverride use{fake};
  TRecordingView view;
  TStatusForm form{&view};
};

TEST_F(StatusTest, ShowStartsAFreshRecordingView) {
  form.Log(TWorker::CacheThread, "old line");
  form.SetTrackLabel("Buffering Track 3");
  form.SetTrackProgress(40);
  form.SetTotalProgress(50);
  form.SetCacheProgress(60);
  RaiseAllFlags();
  form.Show();
  EXPECT_TRUE(form.Visible());
  // Showing the debug view leaves the recording's flags alone; only CloseAllowed restarts.
  EXPECT_FALSE(form.CloseAllowed);
  EXPECT_TRUE(form.WriterFinished && form.UserCancelled && form.ReaderFailed && form.WriterFailed);
  EXPECT_EQ(1234, form.SectorsWritten);
  const TStatusControls &c = view.Shown;
  EXPECT_EQ("Track Progress", c.TrackProgress);
  EXPECT_EQ(0, c.TrackProgressBar + c.TotalProgressBar + c.BufferProgressBar);
  EXPECT_TRUE(c.Log.empty());
  EXPECT_TRUE(c.CancelEnabled && c.CancelVisible && !c.OKVisible && !c.CopyEnabled);
  EXPECT_TRUE(c.CacheBarVisible);
  EXPECT_EQ(120, c.TopPanelHeight);
  EXPECT_EQ((std::vector<std::string>{"owner hidden", "saver off", "show"}), view.Calls);
}

TEST_F(StatusTest, WorkerLinesLabelsAndBars) {
  form.Show();
  form.Log(TWorker::CacheThread, "Executing");
  form.Log(TWorker::Writer, "Executing");
  form.SetTrackLabel("Buffering Lead-in");
  form.SetTrackProgress(150);
  form.SetTotalProgress(-5);
  form.SetCacheProgress(38);
  const TStatusControls &c = view.Shown;
  EXPECT_EQ((std::vector<std::string>{"Thread1: Executing", "Thread2: Executing"}), c.Log);
  EXPECT_EQ("Thread1: Executing\r\nThread2: Executing\r\n", form.LogText());
  EXPECT_EQ("Buffering Lead-in", c.TrackProgress);
  EXPECT_EQ(100, c.TrackProgressBar);
  EXPECT_EQ(0, c.TotalProgressBar);
  EXPECT_EQ(38, c.BufferProgressBar);
  form.CopyClick();
  EXPECT_EQ("copy", view.Calls.back());
}

TEST_F(StatusTest, CancelAsksFirst) {
  form.Show();
  fake.MessageBoxAnswers = {platform::kIdNo, platform::kIdYes};
  form.CancelClick();
  EXPECT_FALSE(form.UserCancelled);
  EXPECT_TRUE(view.Shown.CancelEnabled);
  form.CancelClick();
  EXPECT_TRUE(form.UserCancelled);
  EXPECT_FALSE(view.Shown.CancelEnabled);
  ASSERT_EQ(2u, fake.MessageBoxes.size());
  EXPECT_EQ("Are you sure you want to cancel?", fake.MessageBoxes[0].Text);
  EXPECT_EQ(platform::kMbYesNo | platform::kMbIconQuestion, fake.MessageBoxes[0].Flags);
}

TEST_F(StatusTest, ClosingWaitsForAllowCloseAndRestoresEverything) {
  form.Show();
  view.Title = "Burn [42%]";
  EXPECT_FALSE(form.CloseQuery());
  EXPECT_FALSE(form.Close());
  EXPECT_TRUE(form.Visible());
  form.AllowClose();
  EXPECT_TRUE(form.CloseQuery());
  EXPECT_TRUE(!view.Shown.CancelVisible && view.Shown.OKVisible && view.Shown.CopyEnabled);
  form.SectorsWritten = 5000;
  view.Calls.clear();
  form.OKClick();
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(view.Shown.OKVisible);
  EXPECT_TRUE(view.Shown.CancelVisible);
  EXPECT_EQ("Applet", view.Title);
  EXPECT_EQ((std::vector<std::string>{"hide", "saver on", "owner shown"}), view.Calls);
  EXPECT_EQ(5000, form.SectorsWritten); // kept for the next track until the next showing
  EXPECT_FALSE(form.Close());           // not shown any more
}

TEST_F(StatusTest, HiddenCacheBarLastsOneShowing) {
  form.HideCacheBar = true;
  form.Show();
  EXPECT_FALSE(view.Shown.CacheBarVisible);
  EXPECT_EQ(80, view.Shown.TopPanelHeight);
  form.AllowClose();
  ASSERT_TRUE(form.Close());
  EXPECT_FALSE(form.HideCacheBar);
  EXPECT_TRUE(view.Shown.CacheBarVisible);
  EXPECT_EQ(120, view.Shown.TopPanelHeight);
  form.Show();
  EXPECT_TRUE(view.Shown.CacheBarVisible);
  EXPECT_EQ(120, view.Shown.TopPanelHeight);
}

TEST_F(StatusTest, WithoutAViewItHoldsStateAlone) {
  TStatusForm hidden;
  hidden.UserCancelled = true;
  hidden.Log(TWorker::Writer, "Synchronizing Cache");
  EXPECT_EQ("Thread2: Synchronizing Cache\r\n", hidden.LogText());
  hidden.BeginRecording();
  EXPECT_FALSE(hidden.UserCancelled);
  EXPECT_EQ("", hidden.LogText());
}

TEST_F(StatusTest, ARecordingStartClearsFlagsAndLog) {
  form.Log(TWorker::CacheThread, "old line");
  RaiseAllFlags();
  form.AllSent = true;
  form.BeginRecording();
  EXPECT_FALSE(form.WriterFinished || form.UserCancelled || form.ReaderFailed ||
               form.WriterFailed || form.AllSent);
  EXPECT_EQ(0, form.SectorsWritten);
  EXPECT_TRUE(view.Shown.Log.empty());
}

TEST_F(StatusTest, ClosingRestoresTheScreenSaverSettingItFound) {
  view.Saver = false;
  form.Show();
  form.AllowClose();
  view.Calls.clear();
  ASSERT_TRUE(form.Close());
  EXPECT_EQ((std::vector<std::string>{"hide", "saver off", "owner shown"}), view.Calls);
}

class TRecordingDisplayFake : public TRecordingDisplay {
public:
  void ShowRecordingProgress(int percent, const std::string &title) override {
    Shown.push_back(std::to_string(percent) + " " + title);
  }
  std::vector<std::string> Shown;
};

TEST_F(StatusTest, PostedBarsAreCoalescedAndReachTheDisplay) {
  TRecordingDisplayFake display;
  form.Display = &display;
  form.PostLog(TWorker::Writer, "Executing");
  for (int p = 1; p <= 40; ++p)
    form.PostTotalProgress(p, false);
  form.PostCacheProgress(70);
  form.PostTotalProgress(41, true);
  EXPECT_TRUE(view.Shown.Log.empty()); // nothing happens before the main thread runs it
  platform::TMainThread::ProcessPending();
  EXPECT_EQ((std::vector<std::string>{"Thread2: Executing"}), view.Shown.Log);
  EXPECT_EQ((std::vector<std::string>{"41 Test [41%]"}), display.Shown);
  EXPECT_EQ(41, view.Shown.TotalProgressBar);
  EXPECT_EQ(70, view.Shown.BufferProgressBar);
  form.PostTotalProgress(100, false);
  platform::TMainThread::ProcessPending();
  EXPECT_EQ("100 Burn [100%]", display.Shown.back());
}

} // namespace
} // namespace recording
