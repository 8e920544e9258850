// TFormMain: the recording session behind the main window. It runs on the main thread, talks
// to the window through TMainView and to the other modules through the ports of
// SessionPorts.h, and ends every run through the OK button with the result as exit code.
#pragma once

#include "applet/layout/UnitBurn.h"
#include "applet/session/SessionPorts.h"

#include <cstdint>
#include <string>

namespace session {

inline constexpr const char *kVersion = "1.40b";

enum TSessionState : uint8_t {
  Starting = 0,
  Recording = 1,
  FilesCheck = 2,
  SpaceCheck = 3,
  AspiCheck = 4,
  BlankDiscCheck = 5,
  RecorderCheck = 6,
  Completed = 7,
  Refused = 8, // the burn module refused the album before writing anything
};

// The exit code of a run, also the result reported.
enum class TResultCode : int32_t {
  Completed = 0,
  Failed = 1, // the recording failed, was cancelled or was refused
  FilesMissing = 2,
  NoSpace = 3,
  NoAspi = 4,
  NoBlankDisc = 5,
  NoRecorder = 8,
};

// The result a run ends with when OK is pressed in a state.
TResultCode ResultCodeOf(TSessionState state);

// The captions of the OK button while a step can still be stopped, and once it cannot.
enum class TOkCaption : uint8_t { Cancel, Ok };

// Shown by the recorder check, and when the recorder offers no write method.
inline constexpr const char *kNoRecorderText =
    "\r\n\r\n*** Error - There is no CD recorder present or no compatible recording method "
    "available with your CD recorder.  Your ASPI layer may be OUTDATED, please update and try "
    "again.  No CD can be made.  Press Help or OK to exit.\r\n";

// Gauge values over a session.
inline constexpr int kProgressRecording = 4;
inline constexpr int kProgressMax = 102;

class TFormMain : public TStagingHost, public layout::TBurnHost {
public:
  TFormMain(TMainView &view, TApplicationPort &application, TDevicePort &device,
            TEndingPort &ending);

  // The burn and package modules are created after the main window; start-up attaches them
  // before the message loop runs. FormActivate does nothing until they are attached.
  void AttachModules(TBurnPort &burn, TStagingPort &staging);

  // Event handlers.
  void FormCreate();
  void FormActivate();
  // True when the window may close: only a close requested by the OK button is accepted.
  bool FormClose(bool fromOkButton) const { return fromOkButton; }
  void FormDestroy();
  void ButtonOkClick();
  void ButtonLinkClick();
  // layout::TBurnHost, called by the burn module on the main thread.
  void RecordingFinished() override;
  void ShowRecordingProgress(int percent, const std::string &title) override;
  void ReportLine(const std::string &line) override;
  void ProcessMessages() override;
  std::string TrackTitle(long n) override;
  bool AlbumText(layout::TCdText &text) override;

  // Session steps.
  void SetOkCaption(TOkCaption caption);
  void RunChecks();
  void StartRecording();
  bool CheckRequiredFiles();
  bool CheckTracks();
  bool CheckPackageSpace() override;
  bool CheckFreeSpace(int64_t bytes);
  bool CheckAspi();
  bool CheckRecorder();
  bool CheckBlankDisc(bool retry);
  int EstimateBurnMinutes() const;
  void WaitForTermination() override;

  TMainView &View() { return view_; }

  TSessionState SessionState = Starting;
  int32_t ResultCode = -1;
  TWriteMethod WriteMethod = Dao;
  TMethodStatistics MethodStatistics;
  TRecorderInfo SessionRecorder;
  bool SessionStarted = false;
  // The run records in test mode ("/test#13"): the disc stays blank, so a completed test
  // says so and the applet stays for the real recording.
  bool TestWrite = false;

private:
  // A failed step: its message, the beep and the caption "&OK".
  void ReportFailure(const std::string &message);
  // Shows the values of a manifest section in the memo as a name=value list.
  void ShowSection(const std::string &section);
  void FinishSession();
  // A start that recorded nothing: counted once as a failure, its reason the last line.
  void RefuseRecording();
  [[noreturn]] void EndSession(TResultCode result, bool selfRemoval);

  TMainView &view_;
  TApplicationPort &application_;
  TDevicePort &device_;
  TEndingPort &ending_;
  TBurnPort *burn_ = nullptr;
  TStagingPort *staging_ = nullptr;
  int startLines_ = 0; // burn module lines since the last start
};

} // namespace session
