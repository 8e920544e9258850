#include "applet/session/Report.h"

#include "applet/platform/Platform.h"
#include "applet/session/Manifest.h"
#include "applet/session/UnitMain.h"

#include <algorithm>

namespace session {

using platform::Platform;

std::string ReportAddress(int resultCode, const std::string &sourceText) {
  std::string source = sourceText;
  std::replace(source.begin(), source.end(), ' ', '_');
  return std::string(kReportServer) + kReportPath + "?r=" + std::to_string(resultCode) +
         "&source=Version" + kVersion + source;
}

void ReportResult(int resultCode) {
  const std::string linerNotes = LinerNotesPath();
  if (!Platform().FileExists(linerNotes))
    return;
  const std::string source = ReadManifestString(linerNotes, kInternalSection, kSourceKey, "");
  Platform().ShellOpen(ReportAddress(resultCode, source));
  Platform().Sleep(kReportPauseMs);
  if (resultCode == 0)
    Platform().ShellOpen(linerNotes);
}

void OpenHelpPage() { Platform().ShellOpen(std::string(kSupportSite) + kHelpPath); }

void OpenAspiHelpPage() { Platform().ShellOpen(std::string(kSupportSite) + kAspiHelpPath); }

} // namespace session
