#include "applet/platform/ProfileReader.h"

#include "applet/platform/Platform.h"

#include <cctype>

namespace platform {

namespace {
std::string Trim(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
    ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
    --e;
  return s.substr(b, e - b);
}
} // namespace

TProfileReader::TProfileReader(const std::string &text) {
  size_t pos = 0;
  TSection *section = nullptr;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';')
      continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      sections_.push_back(
          {Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
      section = &sections_.back();
      continue;
    }
    if (section != nullptr)
      section->Lines.push_back(line);
  }
}

const TProfileReader::TSection *TProfileReader::Find(const std::string &section) const {
  for (const TSection &s : sections_)
    if (SameText(s.Name, section))
      return &s;
  return nullptr;
}

bool TProfileReader::HasSection(const std::string &section) const {
  return Find(section) != nullptr;
}

std::string TProfileReader::ReadString(const std::string &section, const std::string &key,
                                       const std::string &fallback) const {
  const TSection *s = Find(section);
  if (s == nullptr)
    return fallback;
  for (const std::string &line : s->Lines) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos || !SameText(Trim(line.substr(0, eq)), key))
      continue;
    std::string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return fallback;
}

bool TProfileReader::ReadSection(const std::string &section,
                                 std::vector<std::string> &lines) const {
  const TSection *s = Find(section);
  if (s == nullptr)
    return false;
  lines = s->Lines;
  return true;
}

} // namespace platform
