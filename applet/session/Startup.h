// The program start's decision: a package job, no package at all, or a recording session.
#pragma once

#include "applet/common/WorkingNames.h"

#include <cstdint>
#include <string>

namespace session {

using common::kBuildSwitch;
using common::kEmptySwitch;
using common::kSpawnSwitch;
using common::kTestSwitch;

// A program file in this range carries a package; the bare applet is shorter.
inline constexpr int64_t kMinPackagedSize = 911000;
inline constexpr int64_t kMaxPackagedSize = 2147483647;

enum class TStartMode {
  PackageJob, // a package switch is present: no window, exit code 0
  NoPackage,  // the program file is outside the packaged range: no window, exit code 0
  Session,    // the main window and the recording session
};

// True when one of the package switches is on the command line.
bool HasPackageSwitch();
TStartMode ChooseStartMode();

// A second run in a folder where a run is going on (a session or a package job) would stage
// the package again over the recording and race on the statistics: it ends before it touches
// a file, the recorder or the registry, with this exit code and, for a session, this box.
inline constexpr int kFolderBusyExitCode = 9;
inline constexpr const char *kFolderBusyText =
    "This album is already being recorded from this folder. Nothing was changed. Wait until "
    "that recording has finished, then start the program again if you want another CD.";
// The process name a run claims for the folder of programPath: one per folder, whatever the
// letter case or separators.
std::string FolderInstanceName(const std::string &programPath);
// Claims the running program's folder; false when another run holds it.
bool ClaimAppletFolder();

} // namespace session
