#include "update/VersionText.h"

#include <cstring>

namespace update {

namespace {
constexpr char kLatestKey[] = "LatestVersion=";
constexpr char kLinkKey[] = "UpdateLink=";
constexpr char kClosingQuote = '\'';

// The value after key, or false when the key is absent.
bool FindValue(const std::string &text, const std::string &key, std::string &value) {
  const size_t at = text.find(key);
  if (at == std::string::npos)
    return false;
  const size_t start = at + key.size() + 1;
  value.clear();
  if (start >= text.size())
    return true;
  const size_t end = text.find(kClosingQuote, start);
  if (end != std::string::npos)
    value = text.substr(start, end - start);
  return true;
}
} // namespace

bool Parse(const std::string &text, std::string &latest, std::string &link) {
  const bool hasLatest = FindValue(text, kLatestKey, latest);
  const bool hasLink = FindValue(text, kLinkKey, link);
  return hasLatest && hasLink;
}

bool IsNewer(const std::string &latest, const std::string &installed) {
  return std::strcmp(latest.c_str(), installed.c_str()) > 0;
}

bool IsFileLocation(const std::string &location) {
  const bool driveLetter = location.size() >= 2 && location[1] == ':';
  const bool unc = location.compare(0, 2, "\\\\") == 0;
  return driveLetter || unc;
}

} // namespace update
