#include "tests/support/TestSupport.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

namespace testsupport {

namespace fs = std::filesystem;
using platform::NativePlatform;

TTempDir::TTempDir() {
  static std::atomic<unsigned> counter{0};
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    const fs::path candidate =
        base / ("qln-test-" + std::to_string(std::rand()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.string();
      break;
    }
  }
  path_ += static_cast<char>(fs::path::preferred_separator);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string ReadFile(const std::string &path) {
  std::string data;
  if (std::FILE *f = NativePlatform().OpenFile(path, "rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
      data.append(buf, n);
    std::fclose(f);
  }
  return data;
}

int CountLines(const std::string &text, const std::string &needle) {
  int count = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    if (text.substr(start, end - start).find(needle) != std::string::npos)
      ++count;
    start = end + 1;
  }
  return count;
}

void WriteFile(const std::string &path, const std::string &data) {
  std::FILE *f = NativePlatform().OpenFile(path, "wb");
  if (f == nullptr)
    throw std::runtime_error("cannot write " + path);
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

std::string SourceDir() {
  const char *dir = std::getenv("QLN_SOURCE_DIR");
  return dir != nullptr ? std::string(dir) : std::string(".");
}

std::FILE *TFakePlatform::OpenFile(const std::string &path, const char *mode) {
  if (FailWritesWith != 0 && mode[0] == 'w') {
    errno = FailWritesWith;
    return nullptr;
  }
  return TPlatformProxy::OpenFile(path, mode);
}

int64_t TFakePlatform::DiskFreeBytes(const std::string &path) {
  return FreeBytes == -2 ? NativePlatform().DiskFreeBytes(path) : FreeBytes;
}

std::string TFakePlatform::ModuleFileName() {
  return ModulePath.empty() ? NativePlatform().ModuleFileName() : ModulePath;
}

bool TFakePlatform::StartHidden(const std::string &commandLine, const std::string &folder,
                                uint32_t creationFlags) {
  Started.push_back({commandLine, folder, creationFlags});
  return !StartFails;
}

bool TFakePlatform::ReadSetting(const std::string &key, const std::string &name,
                                std::string &value) {
  const std::string full = key + "\\" + name;
  for (const auto &entry : Settings)
    if (entry.first == full) {
      value = entry.second;
      return true;
    }
  return false;
}

bool TFakePlatform::WriteSetting(const std::string &key, const std::string &name,
                                 const std::string &value) {
  std::string full = key + "\\" + name;
  for (auto &entry : Settings)
    if (entry.first == full) {
      entry.second = value;
      return true;
    }
  Settings.emplace_back(std::move(full), value);
  return true;
}

int TFakePlatform::ShowMessageBox(const std::string &text, const std::string &caption,
                                  unsigned flags) {
  MessageBoxes.push_back({text, caption, flags});
  if (MessageBoxAnswers.empty())
    return DefaultAnswer;
  const int answer = MessageBoxAnswers.front();
  MessageBoxAnswers.pop_front();
  return answer;
}

bool TFakePlatform::OpenFileDialog(const std::string &title, const std::string &,
                                   const std::string &, std::string &fileName) {
  DialogTitles.push_back(title);
  if (DialogAnswers.empty())
    return false;
  fileName = DialogAnswers.front();
  DialogAnswers.pop_front();
  return !fileName.empty();
}

} // namespace testsupport
