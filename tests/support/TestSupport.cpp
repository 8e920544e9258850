#include "tests/support/TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

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
  return NativePlatform().OpenFile(path, mode);
}
bool TFakePlatform::FileExists(const std::string &path) {
  return NativePlatform().FileExists(path);
}
bool TFakePlatform::DirectoryExists(const std::string &path) {
  return NativePlatform().DirectoryExists(path);
}
bool TFakePlatform::RemoveFile(const std::string &path) {
  return NativePlatform().RemoveFile(path);
}
bool TFakePlatform::RenameFile(const std::string &from, const std::string &to) {
  return NativePlatform().RenameFile(from, to);
}
bool TFakePlatform::CreateFolder(const std::string &path) {
  return NativePlatform().CreateFolder(path);
}
int64_t TFakePlatform::FileSize(const std::string &path) { return NativePlatform().FileSize(path); }
std::vector<std::string> TFakePlatform::FindFiles(const std::string &pattern) {
  return NativePlatform().FindFiles(pattern);
}
bool TFakePlatform::GetFileStamp(const std::string &path, platform::TFileStamp &stamp) {
  return NativePlatform().GetFileStamp(path, stamp);
}
bool TFakePlatform::SetFileStamp(const std::string &path, const platform::TFileStamp &stamp) {
  return NativePlatform().SetFileStamp(path, stamp);
}
int64_t TFakePlatform::DiskFreeBytes(const std::string &path) {
  return FreeBytes == -2 ? NativePlatform().DiskFreeBytes(path) : FreeBytes;
}
std::string TFakePlatform::CurrentDirectory() { return NativePlatform().CurrentDirectory(); }
std::string TFakePlatform::ModuleFileName() {
  return ModulePath.empty() ? NativePlatform().ModuleFileName() : ModulePath;
}

void *TFakePlatform::LoadDynamicLibrary(const std::string &name) {
  return NativePlatform().LoadDynamicLibrary(name);
}
void *TFakePlatform::LibrarySymbol(void *library, const char *symbol) {
  return NativePlatform().LibrarySymbol(library, symbol);
}
void TFakePlatform::FreeDynamicLibrary(void *library) {
  NativePlatform().FreeDynamicLibrary(library);
}

bool TFakePlatform::StartHidden(const std::string &commandLine, const std::string &folder,
                                uint32_t creationFlags) {
  Started.push_back({commandLine, folder, creationFlags});
  return !StartFails;
}

bool TFakePlatform::ReadSetting(const std::string &key, const std::string &name,
                                std::string &value) {
  for (const auto &entry : Settings)
    if (entry.first == key + "\\" + name) {
      value = entry.second;
      return true;
    }
  return false;
}

bool TFakePlatform::WriteSetting(const std::string &key, const std::string &name,
                                 const std::string &value) {
  for (auto &entry : Settings)
    if (entry.first == key + "\\" + name) {
      entry.second = value;
      return true;
    }
  Settings.emplace_back(key + "\\" + name, value);
  return true;
}

std::string TFakePlatform::ReadProfileString(const std::string &file, const std::string &section,
                                             const std::string &key, const std::string &fallback) {
  return NativePlatform().ReadProfileString(file, section, key, fallback);
}

bool TFakePlatform::ReadProfileSection(const std::string &file, const std::string &section,
                                       std::vector<std::string> &lines) {
  return NativePlatform().ReadProfileSection(file, section, lines);
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
