#include "applet/session/MemoLines.h"

#include "applet/session/CommonUtils.h"

namespace session {

std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n')
      continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
  if (start < text.size())
    lines.push_back(text.substr(start));
  return lines;
}

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
    return eq != std::string::npos && SameText(line.substr(0, eq), name);
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
