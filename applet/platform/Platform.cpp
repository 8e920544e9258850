#include "applet/platform/Platform.h"

#include <cctype>

namespace platform {

namespace {
TPlatform *current = nullptr;

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

size_t NameStart(const std::string &path) {
  size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1]))
    --i;
  return i;
}
} // namespace

TPlatform &Platform() { return current != nullptr ? *current : NativePlatform(); }

TPlatformOverride::TPlatformOverride(TPlatform &replacement) : previous_(current) {
  current = &replacement;
}

TPlatformOverride::~TPlatformOverride() { current = previous_; }

std::string ExtractFilePath(const std::string &path) { return path.substr(0, NameStart(path)); }

std::string ExtractFileName(const std::string &path) { return path.substr(NameStart(path)); }

std::string ExtractFileExt(const std::string &path) {
  const size_t start = NameStart(path);
  const size_t dot = path.rfind('.');
  return dot == std::string::npos || dot < start ? std::string() : path.substr(dot);
}

std::string IncludeTrailingBackslash(const std::string &path) {
  if (path.empty() || path.back() == '\\' || path.back() == '/')
    return path;
  return path + '\\';
}

bool SameText(const std::string &a, const std::string &b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string LowerAscii(std::string s) {
  for (char &c : s)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return s;
}

} // namespace platform
