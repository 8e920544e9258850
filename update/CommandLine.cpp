#include "update/CommandLine.h"

namespace update {

namespace {
constexpr char kDefaultSettings[] = "update.ini";
constexpr char kQuietSwitch[] = "/s";
constexpr size_t kSwitchLength = 2;
// "/s", a blank and at least one character of a file name.
constexpr size_t kNamedSettingsLength = 4;
constexpr size_t kNameOffset = 3;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
} // namespace

std::string ProgramFolder(const std::string &modulePath) {
  const size_t drive = modulePath.size() >= 2 && modulePath[1] == ':' ? 2 : 0;
  const size_t last = modulePath.find_last_of("\\/");
  if (last == std::string::npos || last < drive)
    return modulePath.substr(0, drive);
  std::string folder = modulePath.substr(0, last + 1);
  if (folder.size() > drive && IsSeparator(folder.back()))
    folder.pop_back();
  return folder;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TSettingsChoice ChooseSettings(const std::string &commandLine, const std::string &programFolder) {
  const std::string base = programFolder + "\\";
  TSettingsChoice choice;
  if (commandLine.empty()) {
    choice.Path = base + kDefaultSettings;
  } else if (commandLine.compare(0, kSwitchLength, kQuietSwitch) == 0) {
    choice.Quiet = true;
    choice.Path = commandLine.size() < kNamedSettingsLength
                      ? base + kDefaultSettings
                      : base + commandLine.substr(kNameOffset);
  } else {
    choice.Path = base + commandLine;
  }
  return choice;
}

} // namespace update
