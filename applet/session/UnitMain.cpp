#include "applet/session/UnitMain.h"

#include "applet/common/CommonUtils.h"
#include "applet/session/Manifest.h"
#include "applet/session/MessagePump.h"
#include "applet/session/Startup.h"

#include <cstdlib>
#include <iterator>
#include <string>

namespace session {

namespace {
// The start-up pauses of FormActivate, with the gauge value shown after each (0 = none).
struct TPause {
  uint32_t Ms;
  int Progress;
};
constexpr TPause kStartPauses[] = {{2000, 1}, {3000, 2}, {6000, 3}, {1000, 0}};

const char *const kOkCaptions[] = {"&Cancel", "&OK"}; // by TOkCaption
constexpr const char *kPleaseWait = "Please Wait";

constexpr const char *kCompletedText = "\r\n *********************************\r\n"
                                       "CD completed successfully!\r\n"
                                       "*********************************";
constexpr const char *kTestCompletedText = "\r\n *********************************\r\n"
                                           "Test completed: nothing was written to the CD.\r\n"
                                           "*********************************";
constexpr const char *kTestHintText =
    "The blank CD stays blank. Start the program again without /test#13 to record your CD.";
constexpr const char *kHintText = "Hint - Label your CD with a good felt marker.";
constexpr const char *kThanksText =
    "Thank you for recording with QLN Applet by Quillon, Springfield, 2003. Patent pending. "
    "Press OK to display the CD Cover & Liner Notes from the producer of this CD.";
constexpr const char *kRecordingFailedText =
    "*** Error - A problem has prevented completion of your CD. This may be due to a defect on "
    "the blank CD, to running other programs while recording, "
    "running out of memory, to \"Auto Insert Notification\" (AIN) being enabled, or there may "
    "be a problem with your recorder. Click the Help button to read more or press OK to exit "
    "now.";
} // namespace

TFormMain::TFormMain(TMainView &view, TApplicationPort &application, TDevicePort &device,
                     TEndingPort &ending)
    : view_(view), application_(application), device_(device), ending_(ending) {}

void TFormMain::AttachModules(TBurnPort &burn, TStagingPort &staging) {
  burn_ = &burn;
  staging_ = &staging;
  burn_->SetHost(this);
}

void TFormMain::FormCreate() {
  view_.SetOkCaption(kPleaseWait);
  SessionState = Starting;
  ResultCode = -1;
  ending_.LoadStatistics(MethodStatistics);
  const std::vector<TRecorderInfo> recorders = device_.Recorders();
  if (!recorders.empty())
    SessionRecorder = recorders.front();
}

void TFormMain::FormActivate() {
  if (SessionStarted || burn_ == nullptr || staging_ == nullptr)
    return;
  SessionStarted = true;
  application_.ProcessMessages();
  for (const TPause &pause : kStartPauses) {
    DelayPumping(application_, pause.Ms);
    if (pause.Progress != 0)
      view_.SetProgress(pause.Progress);
  }
  if (staging_->DispatchPackageMode(this))
    return;
  SessionState = Recording;
  SetOkCaption(TOkCaption::Cancel);
  RunChecks();
}

void TFormMain::FormDestroy() { ending_.SaveStatistics(MethodStatistics); }

void TFormMain::SetOkCaption(TOkCaption caption) {
  view_.SetOkCaption(kOkCaptions[static_cast<size_t>(caption)]);
}

TResultCode ResultCodeOf(TSessionState state) {
  constexpr TResultCode kResultOfState[] = {
      TResultCode::Failed,       // Starting
      TResultCode::Failed,       // Recording: failed or cancelled
      TResultCode::FilesMissing, // FilesCheck
      TResultCode::NoSpace,      // SpaceCheck
      TResultCode::NoAspi,       // AspiCheck
      TResultCode::NoBlankDisc,  // BlankDiscCheck
      TResultCode::NoRecorder,   // RecorderCheck
      TResultCode::Completed,    // Completed
      TResultCode::Failed,       // Refused
  };
  return state < std::size(kResultOfState) ? kResultOfState[state] : TResultCode::Failed;
}

void TFormMain::RunChecks() {
  constexpr uint32_t kVersionPause = 800;
  TestWrite = common::HasSwitch(kTestSwitch);
  burn_->SetTestWrite(TestWrite);
  if (!CheckRequiredFiles() || !CheckFreeSpace(0))
    return;
  view_.AddMemoLine(std::string("Version ") + kVersion);
  DelayPumping(application_, kVersionPause);
  if (!CheckAspi() || !CheckRecorder() || !CheckBlankDisc(false))
    return;
  StartRecording();
}

void TFormMain::StartRecording() {
  if (!CheckTracks())
    return;
  const std::string rule(24, '_');
  SessionState = Recording;
  view_.AddMemoLine("Using CDR device " + SessionRecorder.Vendor + " " + SessionRecorder.Product +
                    " " + SessionRecorder.Revision);
  view_.AddMemoLine("Burn Time will be less than " + std::to_string(EstimateBurnMinutes()) +
                    " minutes.");
  view_.AddMemoLine("Do not disturb or run other programs while recording.  Please wait...");
  // WriteMethod is set before the start, so an outcome is counted for the right method.
  burn_->SetRecorder(SessionRecorder.Drive);
  device_.SetExclusiveAccess(SessionRecorder, true);
  bool nothingStarted = false;
  const char *methodLine = nullptr;
  startLines_ = 0;
  if (SessionRecorder.CanSAO) {
    WriteMethod = Sao;
    nothingStarted = burn_->StartSaoRecording();
    methodLine = "(Using SAO method)";
  } else if (SessionRecorder.CanRaw) {
    WriteMethod = Dao;
    nothingStarted = burn_->StartDaoRecording();
    methodLine = "(Using DAO method)";
  } else if (SessionRecorder.CanTAO) {
    WriteMethod = Tao;
    nothingStarted = burn_->StartTaoRecording();
    methodLine = "(Using TAO method- Pause near end is normal)";
  } else {
    view_.AddMemoLine(kNoRecorderText);
  }
  const std::string route = device_.RouteText();
  if (!route.empty())
    burn_->Status().LogLine("Device route: " + route);
  if (nothingStarted) {
    RefuseRecording();
    return;
  }
  if (methodLine != nullptr)
    view_.AddMemoLine(methodLine);
  view_.AddMemoLine(rule);
  ShowSection(kTitleSection);
  ShowSection(kTracksSection);
  view_.AddMemoLine(rule);
  view_.SetProgress(kProgressRecording);
}

void TFormMain::RefuseRecording() {
  device_.SetExclusiveAccess(SessionRecorder, false);
  burn_->ReleaseCache();
  view_.SetProgress(kProgressMax);
  CountOutcome(MethodStatistics, WriteMethod, false);
  // The burn module's line says why; a start that gave none gets the general text.
  if (startLines_ == 0)
    view_.AddMemoLine(kRecordingFailedText);
  SessionState = Refused;
  SetOkCaption(TOkCaption::Ok);
  view_.Beep();
  burn_->UnloadDecoder();
}

void TFormMain::ShowRecordingProgress(int percent, const std::string &title) {
  view_.SetProgress(percent);
  view_.SetTitle(title);
}

void TFormMain::ReportLine(const std::string &line) {
  ++startLines_;
  view_.AddMemoLine(line);
}

void TFormMain::ProcessMessages() { application_.ProcessMessages(); }

std::string TFormMain::TrackTitle(long n) {
  return n < 0 ? std::string()
               : ReadManifestString(LinerNotesPath(), kTracksSection, std::to_string(n), "");
}

bool TFormMain::AlbumText(layout::TCdText &text) {
  const std::string notes = LinerNotesPath();
  if (ReadManifestInteger(notes, kInternalSection, kCdTextKey, 0) != 1)
    return false;
  text.Title = ReadManifestString(notes, kTitleSection, kAlbumKey, "");
  text.Performer = ReadManifestString(notes, kTitleSection, kArtistKey, "");
  return true;
}

void TFormMain::RecordingFinished() {
  device_.SetExclusiveAccess(SessionRecorder, false);
  burn_->ReleaseCache();
  view_.SetProgress(kProgressMax);
  if (burn_->RecordingFailed()) {
    CountOutcome(MethodStatistics, WriteMethod, false);
    // The Help button keeps its caption "&Help" and keeps opening the general help page.
    view_.AddMemoLine(kRecordingFailedText);
    SetOkCaption(TOkCaption::Ok);
    view_.Beep();
    burn_->UnloadDecoder();
  } else {
    CountOutcome(MethodStatistics, WriteMethod, true);
    device_.StartStopUnit(SessionRecorder, TStartStopAction::Eject);
    view_.AddMemoLine(TestWrite ? kTestCompletedText : kCompletedText);
    view_.AddMemoLine(TestWrite ? kTestHintText : kHintText);
    view_.AddMemoLine(kThanksText);
    SessionState = Completed;
    SetOkCaption(TOkCaption::Ok);
    view_.Beep();
    burn_->UnloadDecoder(); // before its file is deleted
    ending_.CleanUp(false);
  }
}

void TFormMain::ButtonOkClick() {
  switch (SessionState) {
  case Starting:
    return;
  case Recording:
    burn_->CancelRecording();
    device_.SetExclusiveAccess(SessionRecorder, false);
    if (!burn_->RecordingFailed()) {
      RecordingFinished(); // the recorder had finished the disc: it is reported as such
      return;
    }
    CountOutcome(MethodStatistics, WriteMethod, false);
    break;
  case AspiCheck:
    ending_.OpenAspiHelpPage();
    break;
  case BlankDiscCheck:
    if (CheckBlankDisc(true)) {
      SetOkCaption(TOkCaption::Cancel);
      StartRecording();
      return;
    }
    break;
  case FilesCheck:
  case SpaceCheck:
  case RecorderCheck:
  case Completed:
  case Refused: // counted when it was refused
    break;
  }
  EndSession(ResultCodeOf(SessionState), SessionState == Completed && !TestWrite);
}

void TFormMain::ButtonLinkClick() { ending_.OpenHelpPage(); }

void TFormMain::WaitForTermination() { PumpUntilTerminated(application_); }

void TFormMain::FinishSession() {
  ending_.SaveStatistics(MethodStatistics);
  if (platform::Platform().IsConnected())
    ending_.ReportResult(ResultCode);
}

void TFormMain::EndSession(TResultCode result, bool selfRemoval) {
  ResultCode = static_cast<int32_t>(result);
  FinishSession();
  // A cancel whose threads outlived its wait leaves them the decoder: the burn module unloads
  // it only once no recording thread runs.
  if (burn_ != nullptr)
    burn_->UnloadDecoder();
  ending_.CleanUp(selfRemoval);
  application_.Halt(ResultCode);
  std::abort(); // Halt does not return
}

void TFormMain::ReportFailure(const std::string &message) {
  view_.AddMemoLine(message);
  view_.Beep();
  SetOkCaption(TOkCaption::Ok);
}

} // namespace session
