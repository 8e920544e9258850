// A test rig for TFormMain: one object plays the window, the application and every module
// the session talks to, and writes what happens to one log, so tests can check the order.
#pragma once

#include "applet/common/CommonUtils.h"
#include "applet/session/MemoLines.h"
#include "applet/session/UnitMain.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace session::test {

// Thrown by the rig's Halt: the process would end here with Code.
struct THalt {
  int Code;
};

class TSessionRig : public TMainView,
                    public TApplicationPort,
                    public TDevicePort,
                    public TBurnPort,
                    public TEndingPort,
                    public TStagingPort {
public:
  // TMainView
  void AddMemoLine(const std::string &line) override {
    std::vector<std::string> lines = SplitLines(Memo);
    std::vector<std::string> added = SplitLines(line);
    if (added.empty())
      added.emplace_back();
    lines.insert(lines.end(), added.begin(), added.end());
    Memo = JoinLines(lines);
    Log.push_back("memo:" + line);
  }
  std::string MemoText() override { return Memo; }
  void SetMemoText(const std::string &text) override { Memo = text; }
  void SetOkCaption(const std::string &caption) override {
    OkCaption = caption;
    Log.push_back("caption:" + caption);
  }
  void SetProgress(int value) override {
    Progress.push_back(value);
    Log.push_back("progress:" + std::to_string(value) + "@" + std::to_string(Fake.Now));
  }
  void SetTitle(const std::string &title) override { Title = title; }
  void Beep() override { Log.push_back("beep"); }

  // TApplicationPort: messages are the scripted events due on the fake clock.
  void ProcessMessages() override {
    ++Pumps;
    while (!Events.empty() && Events.begin()->first <= Fake.Now) {
      auto event = Events.begin()->second;
      Events.erase(Events.begin());
      event();
    }
  }
  void WaitForMessages(uint32_t ms) override {
    uint32_t step = ms;
    if (!Events.empty() && Events.begin()->first > Fake.Now)
      step = std::min<uint32_t>(ms, Events.begin()->first - Fake.Now);
    Waited += ms;
    Fake.Sleep(step);
  }
  bool Terminated() override { return IsTerminated; }
  void Terminate() override { IsTerminated = true; }
  [[noreturn]] void Halt(int exitCode) override {
    Log.push_back("halt:" + std::to_string(exitCode));
    throw THalt{exitCode};
  }

  // TDevicePort: TestUnitReady answers from NotReady in order, then "ready".
  bool AspiLoaded() override { return Aspi; }
  std::vector<TRecorderInfo> Recorders() override { return RecorderList; }
  bool TestUnitReady(const TRecorderInfo &) override {
    Log.push_back("TestUnitReady");
    if (NotReady.empty())
      return false;
    const bool failed = NotReady.front();
    NotReady.pop_front();
    return failed;
  }
  bool StartStopUnit(const TRecorderInfo &, TStartStopAction action) override {
    Log.push_back(action == TStartStopAction::Load ? "Load" : "Eject");
    return false;
  }
  bool ReadTocFull(const TRecorderInfo &) override {
    Log.push_back("ReadTOC");
    return !TocReadable;
  }

  // TBurnPort
  void SetHost(layout::TBurnHost *host) override { BurnHost = host; }
  void SetTestWrite(bool testWrite) override { TestWrite = testWrite; }
  void SetRecorder(const device::TDriveData &) override {}
  bool HasTracks() override { return Tracks; }
  bool StartSaoRecording() override {
    Log.push_back("StartSao");
    return Refuse();
  }
  bool StartDaoRecording() override {
    Log.push_back("StartDao");
    return Refuse();
  }
  bool StartTaoRecording() override {
    Log.push_back("StartTao");
    return Refuse();
  }
  void CancelRecording() override {
    Log.push_back("CancelRecording");
    Cancelled = true;
  }
  bool RecordingFailed() override {
    return Failed || NothingStarted || (Cancelled && !DiscFinishedAtCancel);
  }
  void ReleaseCache() override { Log.push_back("ReleaseCache"); }
  void UnloadDecoder() override { Log.push_back("UnloadDecoder"); }
  recording::TStatusForm &Status() override { return RecordingStatus; }
  recording::TStatusForm RecordingStatus;

  // TEndingPort
  void LoadStatistics(TMethodStatistics &statistics) override {
    statistics = StoredStatistics;
    Log.push_back("LoadStatistics");
  }
  void SaveStatistics(const TMethodStatistics &statistics) override {
    StoredStatistics = statistics;
    Log.push_back("SaveStatistics");
  }
  void ReportResult(int resultCode) override {
    Log.push_back("Report:" + std::to_string(resultCode));
  }
  void OpenHelpPage() override { Log.push_back("HelpPage"); }
  void OpenAspiHelpPage() override { Log.push_back("AspiHelpPage"); }
  void CleanUp(bool selfRemoval) override {
    Log.push_back(selfRemoval ? "CleanUp:self" : "CleanUp");
  }

  // TStagingPort
  bool DispatchPackageMode(TStagingHost *host) override {
    Log.push_back("DispatchPackageMode@" + std::to_string(Fake.Now));
    return Stage ? Stage(host) : false;
  }
  std::string StagingFailure() const override { return Failure; }

  // Runs call; the exit code when it halted, or -1000 when it returned.
  static int ExitCodeOf(const std::function<void()> &call) {
    try {
      call();
    } catch (const THalt &halt) {
      return halt.Code;
    }
    return kNoHalt;
  }
  static constexpr int kNoHalt = -1000;

  // True when the log holds the entries in this order (others may stand between them).
  bool Logged(const std::vector<std::string> &entries) const {
    size_t at = 0;
    for (const std::string &entry : Log)
      if (at < entries.size() && entry == entries[at])
        ++at;
    return at == entries.size();
  }
  bool Has(const std::string &entry) const { return Logged({entry}); }

  testsupport::TFakePlatform Fake;
  std::vector<std::string> Log;
  std::string Memo;
  std::string OkCaption;
  std::string Title;
  std::vector<int> Progress;
  std::multimap<uint32_t, std::function<void()>> Events; // fake time -> message
  int Pumps = 0;
  uint64_t Waited = 0;
  bool IsTerminated = false;
  bool Aspi = true;
  std::vector<TRecorderInfo> RecorderList;
  std::deque<bool> NotReady;
  bool TocReadable = false;
  bool Tracks = true;
  bool TestWrite = false;
  std::string Failure; // the staging's failure line
  bool Failed = false;
  bool NothingStarted = false;
  bool Cancelled = false;
  bool DiscFinishedAtCancel = false; // the cancel came in the flush that finished the disc
  std::string RefusalLine;           // reported by a start that starts nothing
  bool Refuse() {
    if (NothingStarted && !RefusalLine.empty() && BurnHost)
      BurnHost->ReportLine(RefusalLine);
    return NothingStarted;
  }
  layout::TBurnHost *BurnHost = nullptr;
  TMethodStatistics StoredStatistics;
  std::function<bool(TStagingHost *)> Stage;
};

// A session in a temporary applet folder, with the rig in place of everything around it.
class SessionTest : public ::testing::Test {
protected:
  SessionTest() {
    rig.Fake.ModulePath = dir.File("applet.exe");
    rig.Fake.FreeBytes = kPlentyOfSpace;
    common::SetCommandLineArguments({rig.Fake.ModulePath});
    form.AttachModules(rig, rig);
  }
  ~SessionTest() override { common::SetCommandLineArguments({}); }

  void WriteLinerNotes(const std::string &text = "[INTERNAL]\r\nSize=70\r\n") {
    testsupport::WriteFile(dir.File("linernotes.htm"), text);
  }
  static TRecorderInfo Recorder(bool sao, bool raw, bool tao) {
    TRecorderInfo r;
    r.Vendor = "QLN";
    r.Product = "Virtual CD-RW";
    r.Revision = "1.0";
    r.CanSAO = sao;
    r.CanRaw = raw;
    r.CanTAO = tao;
    return r;
  }
  // A session whose checks all pass: liner notes, ASPI, one SAO recorder, a blank disc.
  void PrepareGoodSession() {
    WriteLinerNotes();
    rig.RecorderList = {Recorder(true, true, true)};
    form.FormCreate();
  }
  int ClickOk() {
    return TSessionRig::ExitCodeOf([this] { form.ButtonOkClick(); });
  }

  static constexpr int64_t kPlentyOfSpace = int64_t{1} << 40;

  testsupport::TTempDir dir;
  TSessionRig rig;
  platform::TPlatformOverride override_{rig.Fake};
  TFormMain form{rig, rig, rig, rig};
};

} // namespace session::test
