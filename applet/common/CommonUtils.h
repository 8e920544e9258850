// File and command-line helpers that every part of the applet uses: the command line, the
// applet's folder, file sizes and copies.
#pragma once

#include "applet/common/Errors.h"
#include "applet/common/WorkingNames.h"
#include "applet/platform/Platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace common {

// The process's command line: argument 0 is the program, then its arguments. Start-up sets
// it once; tests set their own.
void SetCommandLineArguments(std::vector<std::string> arguments);
// True when one of the arguments 1..count equals text, ignoring case.
bool HasSwitch(const std::string &text);

// name in the applet's folder: the folder is put in front unless name already lies there.
std::string AppletFilePath(const std::string &name);
// The size in bytes of a file that can be opened for reading; EFOpenError otherwise.
int64_t FileSizeOf(const std::string &path);
bool FileSizeBetween(const std::string &path, int64_t minimum, int64_t maximum);
// Copies source to target, keeping its date; with failIfExists an existing target is kept.
// True on success; a failed copy leaves no target behind.
bool CopyFileAs(const std::string &source, const std::string &target, bool failIfExists);
// Copies at most count bytes from the start of source to a new target (replacing one). True
// on success; a failed copy leaves no target behind.
bool CopyFileHead(const std::string &source, const std::string &target, int64_t count);

using platform::SameText;

} // namespace common
