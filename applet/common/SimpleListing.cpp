#include "applet/common/SimpleListing.h"

#include "applet/common/CommonUtils.h"
#include "applet/platform/Platform.h"

#include <cstdio>

namespace common {

namespace {
bool IsHeader(const std::string &line) {
  return !line.empty() && line.front() == '[' && line.back() == ']';
}

// Index just after the section's first header line, or lines.size() + 1 when it is missing.
size_t SectionStart(const std::vector<std::string> &lines, const std::string &header) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (SameText(lines[i], header))
      return i + 1;
  return lines.size() + 1;
}
} // namespace

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

TSimpleListing::TSimpleListing(std::string fileName) : fileName_(std::move(fileName)) {}

std::vector<std::string> TSimpleListing::ReadLines() const {
  std::FILE *f = platform::Platform().OpenFile(fileName_, "rb");
  if (f == nullptr)
    throw EFOpenError(fileName_);
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    text.append(buffer, n);
  std::fclose(f);
  // A byte-order mark, as editors save UTF-8, is not part of the first line.
  static const char kUtf8Bom[] = "\xEF\xBB\xBF";
  if (text.compare(0, sizeof kUtf8Bom - 1, kUtf8Bom) == 0)
    text.erase(0, sizeof kUtf8Bom - 1);
  return SplitLines(text);
}

void TSimpleListing::SectionHeaders(std::vector<std::string> &list) const {
  for (const std::string &line : ReadLines())
    if (IsHeader(line))
      list.push_back(line);
}

void TSimpleListing::SectionLines(const std::string &section,
                                  std::vector<std::string> &list) const {
  const std::vector<std::string> lines = ReadLines();
  const std::string header = "[" + section + "]";
  for (size_t i = SectionStart(lines, header); i < lines.size(); ++i) {
    if (SameText(lines[i], header))
      continue;
    if (IsHeader(lines[i]))
      break;
    list.push_back(lines[i]);
  }
}

std::string TSimpleListing::FirstSectionLine(const std::string &section) const {
  const std::vector<std::string> lines = ReadLines();
  const std::string header = "[" + section + "]";
  for (size_t i = SectionStart(lines, header); i < lines.size(); ++i) {
    if (SameText(lines[i], header))
      continue;
    return IsHeader(lines[i]) ? std::string() : lines[i];
  }
  return std::string();
}

} // namespace common
