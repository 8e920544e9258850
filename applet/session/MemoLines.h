// Text as a list of lines (as the status memo and the listings hold it), and name=value updates.
#pragma once

#include "applet/common/SimpleListing.h"

#include <string>
#include <vector>

namespace session {

using common::SplitLines;
// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string> &lines);
// The line whose name (text before its first "=", ignoring case) is name becomes name=value,
// or name=value is appended; an empty value removes the line instead.
void SetMemoValue(std::vector<std::string> &lines, const std::string &name,
                  const std::string &value);

} // namespace session
