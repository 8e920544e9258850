#include "applet/session/Startup.h"

#include "applet/common/CommonUtils.h"
#include "applet/platform/Platform.h"

#include <cctype>

namespace session {

bool HasPackageSwitch() {
  return common::HasSwitch(kBuildSwitch) || common::HasSwitch(kSpawnSwitch) ||
         common::HasSwitch(kEmptySwitch);
}

TStartMode ChooseStartMode() {
  if (HasPackageSwitch())
    return TStartMode::PackageJob;
  try {
    if (common::FileSizeBetween(platform::Platform().ModuleFileName(), kMinPackagedSize,
                                kMaxPackagedSize))
      return TStartMode::Session;
  } catch (const common::EFOpenError &) {
    // A program file that cannot be read carries no package we could use.
  }
  return TStartMode::NoPackage;
}

std::string FolderInstanceName(const std::string &programPath) {
  constexpr uint64_t kFnvOffset = 14695981039346656037ULL;
  constexpr uint64_t kFnvPrime = 1099511628211ULL;
  constexpr int kHexDigits = 16;
  constexpr int kNibbleBits = 4;
  uint64_t hash = kFnvOffset;
  for (char c : platform::ExtractFilePath(programPath)) {
    if (c == '/')
      c = '\\';
    hash = (hash ^ static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)))) *
           kFnvPrime;
  }
  std::string name = "QLNApplet.folder-";
  for (int i = kHexDigits - 1; i >= 0; --i)
    name += "0123456789abcdef"[(hash >> (i * kNibbleBits)) & 0xF];
  return name;
}

bool ClaimAppletFolder() {
  platform::TPlatform &p = platform::Platform();
  return p.ClaimProcessName(FolderInstanceName(p.ModuleFileName()));
}

} // namespace session
