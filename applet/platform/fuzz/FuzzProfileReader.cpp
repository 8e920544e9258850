// libFuzzer target: INI text (liner notes, package settings) through the private-profile
// reader. Checks that every header in the text is found, that section lines and values hold no
// line break, no outer blanks and no comment, that each key reads as its first line in the
// section, and that the sections printed again read back the same.
#include "applet/platform/Platform.h"
#include "applet/platform/ProfileReader.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using platform::SameText;
using platform::TProfileReader;

void Check(bool condition) {
  if (!condition)
    std::abort();
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string Trim(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b]))
    ++b;
  while (e > b && IsBlank(s[e - 1]))
    --e;
  return s.substr(b, e - b);
}

// The section names as the text declares them, first declarations only.
std::vector<std::string> HeaderNames(const std::string &text) {
  std::vector<std::string> names;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] != '[')
      continue;
    const size_t close = line.find(']');
    const std::string name =
        Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    bool known = false;
    for (const std::string &n : names)
      known = known || SameText(n, name);
    if (!known)
      names.push_back(name);
  }
  return names;
}

// The value of the first line in lines whose key is key, as the reader should give it.
bool FirstValue(const std::vector<std::string> &lines, const std::string &key, std::string &value) {
  for (const std::string &line : lines) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos || !SameText(Trim(line.substr(0, eq)), key))
      continue;
    value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return true;
  }
  return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  const TProfileReader reader(text);
  const std::string missing("\x01missing");
  std::string printed;
  const std::vector<std::string> names = HeaderNames(text);
  for (const std::string &name : names) {
    Check(reader.HasSection(name));
    std::vector<std::string> lines;
    Check(reader.ReadSection(name, lines));
    printed += "[" + name + "]\n";
    for (const std::string &line : lines) {
      Check(!line.empty() && line == Trim(line) && line[0] != ';' && line[0] != '[');
      Check(line.find('\n') == std::string::npos);
      printed += line + "\n";
      const size_t eq = line.find('=');
      if (eq == std::string::npos)
        continue;
      const std::string key = Trim(line.substr(0, eq));
      std::string expected;
      Check(FirstValue(lines, key, expected));
      const std::string value = reader.ReadString(name, key, missing);
      Check(value == expected);
      Check(value.find('\n') == std::string::npos);
    }
  }
  // Names the text does not declare are missing, and fall back.
  if (names.empty()) {
    Check(!reader.HasSection(""));
    Check(reader.ReadString("Notes", "Title", missing) == missing);
  }
  // The printed sections read back the same.
  const TProfileReader again(printed);
  for (const std::string &name : names) {
    std::vector<std::string> first, second;
    Check(reader.ReadSection(name, first) && again.ReadSection(name, second));
    Check(first == second);
    for (const std::string &line : first) {
      const std::string key = Trim(line.substr(0, line.find('=')));
      Check(reader.ReadString(name, key, missing) == again.ReadString(name, key, missing));
    }
  }
  return 0;
}
