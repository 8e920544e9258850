#include "applet/session/MemoLines.h"

#include "applet/common/CommonUtils.h"

namespace session {

std::string JoinLines(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines)
    text += line + "\r\n";
  return text;
}

void SetMemoValue(std::vector<std::string> &lines, const std::string &name,
                  const std::string &value) {
  // Only lines that hold a "=" have a name.
  auto named = [&name](const std::string &line) {
    const size_t eq = line.find('=');
    return eq != std::string::npos && common::SameText(line.substr(0, eq), name);
  };
  size_t index = 0;
  while (index < lines.size() && !named(lines[index]))
    ++index;
  if (value.empty()) {
    if (index < lines.size())
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
  } else if (index < lines.size()) {
    lines[index] = name + "=" + value;
  } else {
    lines.push_back(name + "=" + value);
  }
}

} // namespace session
