// The pre-flight checks of TFormMain and the manifest reading they rest on.
#include "applet/common/CommonUtils.h"
#include "applet/platform/Platform.h"
#include "applet/session/Manifest.h"
#include "applet/session/MemoLines.h"
#include "applet/session/UnitMain.h"

namespace session {

namespace {
constexpr const char *kFilesMissingText =
    "\r\n\r\n*** Error - Required download files are missing!  Press OK to exit now.\r\n";
constexpr const char *kNoSpaceText =
    "\r\n\r\n*** Error - Insufficient drive space to proceed!  Press OK to exit now.\r\n";
constexpr const char *kNoAspiText =
    "\r\n\r\n*** Error - No suitable ASPI layer found!  Connect to the Internet then press OK to "
    "learn more at our web site.\r\n";
constexpr const char *kDrivesDeniedText =
    "*** Attention - This computer has CD drives, but the system refused access to them. Run "
    "the program as an administrator.";
constexpr const char *kNoBlankDiscText =
    "\r\n*** Attention - No Blank CD was found, please check it. Then try again by pressing OK "
    "after inserting a blank CD. Program will exit if a blank CD is not found again.\r\n\r\n";

// Package size in megabytes when the manifest does not give it.
constexpr int32_t kDefaultSpaceSizeMB = 70;
constexpr int32_t kDefaultBurnSizeMB = 2;
// Room asked for beyond the package's own size.
constexpr int64_t kSpaceMarginMB = 2;
constexpr int64_t kBytesPerMB = int64_t{1024} * 1024;
// Burn minutes: trunc(size * 1.24 / 2 + 2), computed exactly as (size * 62 + 200) / 100.
constexpr int64_t kBurnMinutesPer100MB = 62;
constexpr int64_t kBurnSetUpMinutes = 2;
constexpr int64_t kHundred = 100;
// Length of a drive root such as "C:\".
constexpr size_t kRootLength = 3;

// Bytes available to the caller on the drive of the current directory; 0 when unknown.
int64_t FreeBytesOnCurrentDrive() {
  platform::TPlatform &p = platform::Platform();
  const int64_t free = p.DiskFreeBytes(p.CurrentDirectory().substr(0, kRootLength));
  return free < 0 ? 0 : free;
}
} // namespace

bool TFormMain::CheckRequiredFiles() {
  SessionState = FilesCheck;
  if (platform::Platform().FileExists(LinerNotesPath()))
    return true;
  // A staging that could not write its files says why first.
  const std::string why = staging_ != nullptr ? staging_->StagingFailure() : std::string();
  if (!why.empty())
    view_.AddMemoLine(why);
  ReportFailure(kFilesMissingText);
  return false;
}

// A package that staged no track has nothing to record: its files are missing.
bool TFormMain::CheckTracks() {
  if (burn_->HasTracks())
    return true;
  SessionState = FilesCheck;
  ReportFailure(kFilesMissingText);
  return false;
}

bool TFormMain::CheckPackageSpace() {
  const int64_t required =
      ReadManifestInteger(LinerNotesPath(), kInternalSection, kSizeKey, kDefaultSpaceSizeMB) +
      kSpaceMarginMB;
  SessionState = SpaceCheck;
  // required <= free bytes / 1 MB, compared exactly.
  if (required * kBytesPerMB <= FreeBytesOnCurrentDrive())
    return true;
  ReportFailure(kNoSpaceText);
  return false;
}

bool TFormMain::CheckFreeSpace(int64_t bytes) {
  SessionState = SpaceCheck;
  if (bytes <= FreeBytesOnCurrentDrive())
    return true;
  ReportFailure(kNoSpaceText);
  return false;
}

bool TFormMain::CheckAspi() {
  SessionState = AspiCheck;
  if (device_.AspiLoaded())
    return true;
  if (device_.DrivesDenied())
    view_.AddMemoLine(kDrivesDeniedText);
  ReportFailure(kNoAspiText);
  return false;
}

bool TFormMain::CheckRecorder() {
  SessionState = RecorderCheck;
  if (!device_.Recorders().empty())
    return true;
  ReportFailure(kNoRecorderText);
  return false;
}

bool TFormMain::CheckBlankDisc(bool retry) {
  SessionState = BlankDiscCheck;
  bool notReady = device_.TestUnitReady(SessionRecorder);
  if (notReady) {
    device_.StartStopUnit(SessionRecorder, TStartStopAction::Load);
    notReady = device_.TestUnitReady(SessionRecorder);
  }
  const bool hasToc = !device_.ReadTocFull(SessionRecorder);
  const bool blank = !notReady && !hasToc;
  if (!blank && !retry) {
    view_.AddMemoLine(kNoBlankDiscText);
    device_.StartStopUnit(SessionRecorder, TStartStopAction::Eject);
    view_.Beep();
    SetOkCaption(TOkCaption::Ok);
  }
  return blank;
}

int TFormMain::EstimateBurnMinutes() const {
  const int32_t size =
      ReadManifestInteger(LinerNotesPath(), kInternalSection, kSizeKey, kDefaultBurnSizeMB);
  return static_cast<int>((size * kBurnMinutesPer100MB + kBurnSetUpMinutes * kHundred) / kHundred);
}

void TFormMain::ShowSection(const std::string &section) {
  const std::string file = LinerNotesPath();
  std::vector<std::string> lines = SplitLines(view_.MemoText());
  for (const std::string &key : ManifestSectionKeys(file, section))
    SetMemoValue(lines, key, ReadManifestString(file, section, key, ""));
  view_.SetMemoText(JoinLines(lines));
}

} // namespace session
