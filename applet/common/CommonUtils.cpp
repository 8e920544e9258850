#include "applet/common/CommonUtils.h"

#include <cstdio>

namespace common {

using platform::Platform;

namespace {
std::vector<std::string> &Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

constexpr size_t kCopyChunk = 1 << 20;

// Copies up to count bytes (all when negative) from an open file to a new target.
bool CopyOpenFile(std::FILE *from, const std::string &target, int64_t count) {
  platform::TPlatform &p = Platform();
  std::FILE *to = p.OpenFile(target, "wb");
  if (to == nullptr)
    return false;
  std::vector<char> buffer(kCopyChunk);
  bool ok = true;
  int64_t left = count;
  while (ok && left != 0) {
    size_t want = buffer.size();
    if (left > 0 && static_cast<uint64_t>(left) < want)
      want = static_cast<size_t>(left);
    const size_t n = std::fread(buffer.data(), 1, want, from);
    if (n == 0)
      break;
    ok = std::fwrite(buffer.data(), 1, n, to) == n;
    if (left > 0)
      left -= static_cast<int64_t>(n);
  }
  ok = ok && std::ferror(from) == 0;
  ok = std::fclose(to) == 0 && ok;
  if (!ok)
    p.RemoveFile(target);
  return ok;
}
} // namespace

void SetCommandLineArguments(std::vector<std::string> arguments) {
  Arguments() = std::move(arguments);
}

bool HasSwitch(const std::string &text) {
  const std::vector<std::string> &arguments = Arguments();
  for (size_t i = 1; i < arguments.size(); ++i)
    if (SameText(arguments[i], text))
      return true;
  return false;
}

std::string AppletFilePath(const std::string &name) {
  const std::string folder = platform::ExtractFilePath(Platform().ModuleFileName());
  if (platform::ExtractFilePath(name) != folder)
    return folder + name;
  return name;
}

int64_t FileSizeOf(const std::string &path) {
  std::FILE *f = Platform().OpenFile(path, "rb");
  if (f == nullptr)
    throw EFOpenError(path);
  std::fclose(f);
  const int64_t size = Platform().FileSize(path);
  if (size < 0)
    throw EFOpenError(path);
  return size;
}

bool FileSizeBetween(const std::string &path, int64_t minimum, int64_t maximum) {
  const int64_t size = FileSizeOf(path);
  return minimum <= size && size <= maximum;
}

bool CopyFileAs(const std::string &source, const std::string &target, bool failIfExists) {
  platform::TPlatform &p = Platform();
  // Copying a file onto itself would truncate it before it is read.
  if (SameText(source, target) || (failIfExists && p.FileExists(target)))
    return false;
  std::FILE *from = p.OpenFile(source, "rb");
  if (from == nullptr)
    return false;
  const bool ok = CopyOpenFile(from, target, -1);
  std::fclose(from);
  if (!ok)
    return false;
  platform::TFileStamp stamp;
  if (p.GetFileStamp(source, stamp))
    p.SetFileStamp(target, stamp);
  return true;
}

bool CopyFileHead(const std::string &source, const std::string &target, int64_t count) {
  platform::TPlatform &p = Platform();
  if (SameText(source, target))
    return false;
  std::FILE *from = p.OpenFile(source, "rb");
  if (from == nullptr)
    return false;
  const bool ok = CopyOpenFile(from, target, count);
  std::fclose(from);
  return ok;
}

} // namespace common
