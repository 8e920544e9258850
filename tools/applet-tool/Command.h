// applet-tool's command table. Each cmd_*.cpp file registers its commands with a static
// TCommandRegistration; main() dispatches on the first argument.
#pragma once

#include <string>
#include <vector>

namespace tool {

using TArgs = std::vector<std::string>;
// Runs a command with the arguments after its name; returns the exit code.
using TCommandFn = int (*)(const TArgs &args);

struct TCommandRegistration {
  TCommandRegistration(const char *name, const char *usage, TCommandFn run);
};

// Prints "usage: applet-tool USAGE" on standard error and returns 2.
int Usage(const char *usage);
// Parses a whole decimal (or 0x-prefixed hexadecimal) number; false on anything else.
bool ParseNumber(const std::string &text, long long &value);
// True, after a line on standard error, when output names the same existing file as one of the
// inputs (same device and inode, or volume and file index): writing it would destroy that input.
bool SameFileAsInput(const std::string &output, const TArgs &inputs);

} // namespace tool
