#include "applet/session/Manifest.h"

#include "applet/platform/Platform.h"
#include "applet/session/CommonUtils.h"

#include <cctype>
#include <limits>

namespace session {

namespace {
constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;
constexpr int64_t kMaxHex = 0xFFFFFFFF;

int DigitValue(char c, int base) {
  const int lower = std::tolower(static_cast<unsigned char>(c));
  int value = base;
  if (lower >= '0' && lower <= '9')
    value = lower - '0';
  else if (lower >= 'a' && lower <= 'f')
    value = lower - 'a' + kDecimalBase;
  return value < base ? value : -1;
}

// Digits of text from pos on in base, up to limit; false on an empty run, a bad digit or
// overflow.
bool ParseDigits(const std::string &text, size_t pos, int base, int64_t limit, int64_t &value) {
  if (pos >= text.size())
    return false;
  value = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = DigitValue(text[pos], base);
    if (digit < 0)
      return false;
    value = value * base + digit;
    if (value > limit)
      return false;
  }
  return true;
}
} // namespace

int32_t ParseProfileInteger(const std::string &text, int32_t fallback) {
  int64_t value = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    if (!ParseDigits(text, 2, kHexBase, kMaxHex, value))
      return fallback;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  const bool negative = !text.empty() && text[0] == '-';
  const size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  if (!ParseDigits(text, start, kDecimalBase, limit, value))
    return fallback;
  return static_cast<int32_t>(negative ? -value : value);
}

std::string ReadManifestString(const std::string &file, const std::string &section,
                               const std::string &key, const std::string &fallback) {
  std::string value = platform::Platform().ReadProfileString(file, section, key, fallback);
  if (value.size() > kMaxProfileValue)
    value.resize(kMaxProfileValue);
  return value;
}

int32_t ReadManifestInteger(const std::string &file, const std::string &section,
                            const std::string &key, int32_t fallback) {
  return ParseProfileInteger(ReadManifestString(file, section, key, ""), fallback);
}

std::vector<std::string> ManifestSectionKeys(const std::string &file, const std::string &section) {
  std::vector<std::string> lines;
  std::vector<std::string> keys;
  if (!platform::Platform().ReadProfileSection(file, section, lines))
    return keys;
  for (const std::string &line : lines) {
    std::string key = line.substr(0, line.find('='));
    while (!key.empty() && std::isspace(static_cast<unsigned char>(key.back())))
      key.pop_back();
    keys.push_back(key);
  }
  return keys;
}

std::string LinerNotesPath() { return AppletFilePath(kLinerNotesName); }

} // namespace session
