// Generated batch files, as the clean-up and the package jobs write them just before the
// applet ends: the text of the names written into them, the file itself, and the hidden start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Win32 process creation flags.
constexpr uint32_t kDetachedProcess = 0x08;
constexpr uint32_t kCreateNewConsole = 0x10;
constexpr uint32_t kNormalPriorityClass = 0x20;

// A name as a batch file must spell it: every "%" doubled, so that the command interpreter
// reads it as itself instead of expanding a variable.
std::string BatchLiteral(const std::string &name);

// Writes the lines, each ended by CR LF, replacing an existing file. On failure no partial file
// is left behind; false then.
bool WriteBatchFile(const std::string &path, const std::vector<std::string> &lines);

// The command line and creation flags that start a batch file on a Windows version.
struct THiddenBatchStart {
  std::string CommandLine;
  uint32_t CreationFlags;
};

// On a Windows of major version above 4 or of the NT family the quoted batch path itself in a
// new console; otherwise "command.com /c" and the quoted path, detached; normal priority.
THiddenBatchStart HiddenBatchStart(const std::string &batchPath, bool windowsNT,
                                   uint32_t majorVersion);

// Starts the batch file with its window hidden and does not wait for it. It runs in its own
// folder, so the relative names it uses after its "cd" name files there even when the
// applet's current folder lies on another drive. True when the process was started.
bool StartBatchHidden(const std::string &batchPath);

} // namespace platform
