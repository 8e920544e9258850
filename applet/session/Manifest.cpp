#include "applet/session/Manifest.h"

#include "applet/common/CommonUtils.h"
#include "applet/platform/Platform.h"

#include <cctype>
#include <limits>

namespace session {

namespace {
// How a run of digits is read: its base and the largest value it may have.
struct TDigits {
  int Base;
  int64_t Limit;
};
constexpr TDigits kHex{16, 0xFFFFFFFF};
constexpr TDigits kPositive{10, std::numeric_limits<int32_t>::max()};
constexpr TDigits kNegative{10, -static_cast<int64_t>(std::numeric_limits<int32_t>::min())};
constexpr int kLetterBase = 10;

// The value of a digit or letter (a = 10 ... f = 15), or -1 for anything else.
int DigitValue(char c) {
  const int lower = std::tolower(static_cast<unsigned char>(c));
  if (lower >= '0' && lower <= '9')
    return lower - '0';
  if (lower >= 'a' && lower <= 'f')
    return lower - 'a' + kLetterBase;
  return -1;
}

// False for an empty run, a character that is no digit of the base, or a value above limit.
bool ParseDigits(const std::string &digits, const TDigits &format, int64_t &value) {
  if (digits.empty())
    return false;
  value = 0;
  for (char c : digits) {
    const int digit = DigitValue(c);
    if (digit < 0 || digit >= format.Base)
      return false;
    value = value * format.Base + digit;
    if (value > format.Limit)
      return false;
  }
  return true;
}
} // namespace

int32_t ParseProfileInteger(const std::string &text, int32_t fallback) {
  int64_t value = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    if (!ParseDigits(text.substr(2), kHex, value))
      return fallback;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  const bool negative = !text.empty() && text[0] == '-';
  const size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (!ParseDigits(text.substr(start), negative ? kNegative : kPositive, value))
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

std::string LinerNotesPath() { return common::AppletFilePath(common::kLinerNotesName); }

} // namespace session
