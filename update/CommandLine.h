// Which settings file the program reads, and whether it runs quietly, from its command line.
#pragma once

#include <string>

namespace update {

struct TSettingsChoice {
  std::string Path;
  bool Quiet = false;
};

// The drive and directory of the program's own module path, without a trailing backslash.
std::string ProgramFolder(const std::string &modulePath);

// commandLine is the whole tail after the program name:
//   empty                  <folder>\update.ini
//   "/s" (under 4 chars)   <folder>\update.ini, quiet
//   "/s NAME"              <folder>\ and everything after the first 3 characters, quiet
//   anything else          <folder>\ and the whole text
TSettingsChoice ChooseSettings(const std::string &commandLine, const std::string &programFolder);

} // namespace update
