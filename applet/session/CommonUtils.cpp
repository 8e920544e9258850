#include "applet/session/CommonUtils.h"

#include "applet/platform/Platform.h"
#include "applet/session/SessionPorts.h"

#include <cctype>
#include <cstdio>

namespace session {

using platform::Platform;

namespace {
std::vector<std::string> &Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

// How long PumpUntilTerminated sleeps between checks when no message arrives.
constexpr uint32_t kIdleWaitMs = 1000;
constexpr size_t kCopyChunk = 65536;
} // namespace

EFOpenError::EFOpenError(const std::string &path)
    : std::runtime_error("Cannot open file \"" + path + "\"") {}

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

std::string TempTrackName(int n) { return "QlnT-" + std::to_string(n) + ".mp3"; }

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
  std::FILE *to = p.OpenFile(target, "wb");
  if (to == nullptr) {
    std::fclose(from);
    return false;
  }
  std::vector<char> buffer(kCopyChunk);
  bool ok = true;
  size_t n;
  while (ok && (n = std::fread(buffer.data(), 1, buffer.size(), from)) > 0)
    ok = std::fwrite(buffer.data(), 1, n, to) == n;
  ok = ok && std::ferror(from) == 0;
  std::fclose(from);
  ok = std::fclose(to) == 0 && ok;
  if (!ok) {
    p.RemoveFile(target);
    return false;
  }
  platform::TFileStamp stamp;
  if (p.GetFileStamp(source, stamp))
    p.SetFileStamp(target, stamp);
  return true;
}

bool IsConnected() { return Platform().IsConnected(); }

void DelayPumping(TApplicationPort &application, uint32_t ms) {
  // Elapsed time is measured by unsigned difference, so a tick count that wraps during the
  // pause does not stretch it.
  const uint32_t start = Platform().TickCount();
  for (;;) {
    const uint32_t elapsed = Platform().TickCount() - start;
    if (elapsed >= ms)
      return;
    application.ProcessMessages();
    if (application.Terminated())
      return;
    const uint32_t now = Platform().TickCount() - start;
    if (now < ms)
      application.WaitForMessages(ms - now);
  }
}

void PumpUntilTerminated(TApplicationPort &application) {
  for (;;) {
    application.ProcessMessages();
    if (application.Terminated())
      return;
    application.WaitForMessages(kIdleWaitMs);
  }
}

} // namespace session
