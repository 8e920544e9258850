// The program start's decision: a package job, no package at all, or a recording session.
#pragma once

#include "applet/common/WorkingNames.h"

#include <cstdint>

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

} // namespace session
