// The program start's decision: a package job, no package at all, or a recording session.
#pragma once

#include <cstdint>

namespace session {

inline constexpr const char *kBuildSwitch = "/#27#58";
inline constexpr const char *kSpawnSwitch = "/spawn#13";
inline constexpr const char *kEmptySwitch = "/empty#13";
inline constexpr const char *kTestSwitch = "/test#13";

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
