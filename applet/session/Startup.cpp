#include "applet/session/Startup.h"

#include "applet/platform/Platform.h"
#include "applet/session/CommonUtils.h"

namespace session {

bool HasPackageSwitch() {
  return HasSwitch(kBuildSwitch) || HasSwitch(kSpawnSwitch) || HasSwitch(kEmptySwitch);
}

TStartMode ChooseStartMode() {
  if (HasPackageSwitch())
    return TStartMode::PackageJob;
  try {
    if (FileSizeBetween(platform::Platform().ModuleFileName(), kMinPackagedSize, kMaxPackagedSize))
      return TStartMode::Session;
  } catch (const EFOpenError &) {
    // A program file that cannot be read carries no package we could use.
  }
  return TStartMode::NoPackage;
}

} // namespace session
