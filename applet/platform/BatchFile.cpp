#include "applet/platform/BatchFile.h"

#include "applet/platform/Platform.h"

#include <cstdio>

namespace platform {

namespace {
// Windows 95, 98 and Me report 4; every later version is of the NT family.
constexpr uint32_t kLastConsumerMajorVersion = 4;
} // namespace

std::string BatchLiteral(const std::string &name) {
  std::string text;
  text.reserve(name.size());
  for (const char c : name) {
    text += c;
    if (c == '%')
      text += '%';
  }
  return text;
}

bool WriteBatchFile(const std::string &path, const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines)
    text += line + "\r\n";
  TPlatform &p = Platform();
  std::FILE *f = p.OpenFile(path, "wb");
  if (f == nullptr)
    return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) == 0 && written)
    return true;
  p.RemoveFile(path);
  return false;
}

THiddenBatchStart HiddenBatchStart(const std::string &batchPath, bool windowsNT,
                                   uint32_t majorVersion) {
  const std::string quoted = "\"" + batchPath + "\"";
  if (majorVersion > kLastConsumerMajorVersion || windowsNT)
    return {quoted, kCreateNewConsole | kNormalPriorityClass};
  return {"command.com /c " + quoted, kDetachedProcess | kNormalPriorityClass};
}

bool StartBatchHidden(const std::string &batchPath) {
  TPlatform &p = Platform();
  const THiddenBatchStart start = HiddenBatchStart(batchPath, p.IsWindowsNT(), p.MajorVersion());
  return p.StartHidden(start.CommandLine, ExtractFilePath(batchPath), start.CreationFlags);
}

} // namespace platform
