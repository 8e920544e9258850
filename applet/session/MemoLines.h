// Text as a list of lines (as the status memo and the listings hold it), and name=value updates.
#pragma once

#include <string>
#include <vector>

namespace session {

// Splits at CR LF, LF or CR; a line break at the very end starts no further line.
std::vector<std::string> SplitLines(const std::string &text);
// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string> &lines);
// The line whose name (text before its first "=", ignoring case) is name becomes name=value,
// or name=value is appended; an empty value removes the line instead.
void SetMemoValue(std::vector<std::string> &lines, const std::string &name,
                  const std::string &value);

} // namespace session
