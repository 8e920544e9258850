// Helpers for unit tests: a temporary folder, whole-file reading and writing, and a fake
// platform that passes through to the real one except where a test scripts an answer.
#pragma once

#include "applet/platform/Platform.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir &) = delete;
  TTempDir &operator=(const TTempDir &) = delete;
  const std::string &Path() const { return path_; } // with a trailing separator
  std::string File(const std::string &name) const { return path_ + name; }

private:
  std::string path_;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &data);
// The source tree's root (for test data and peer corpora).
std::string SourceDir();

struct TStartCall {
  std::string CommandLine;
  std::string Folder;
  uint32_t CreationFlags;
};

struct TMessageBoxCall {
  std::string Text;
  std::string Caption;
  unsigned Flags;
};

// A platform for tests. Files go to the real file system; time, dialogs, the shell, the
// settings store and the module path are scripted and recorded.
class TFakePlatform : public platform::TPlatform {
public:
  // Files and folders: passed through to the real platform.
  std::FILE *OpenFile(const std::string &path, const char *mode) override;
  bool FileExists(const std::string &path) override;
  bool DirectoryExists(const std::string &path) override;
  bool RemoveFile(const std::string &path) override;
  bool RenameFile(const std::string &from, const std::string &to) override;
  bool CreateFolder(const std::string &path) override;
  int64_t FileSize(const std::string &path) override;
  std::vector<std::string> FindFiles(const std::string &pattern) override;
  bool GetFileStamp(const std::string &path, platform::TFileStamp &stamp) override;
  bool SetFileStamp(const std::string &path, const platform::TFileStamp &stamp) override;
  int64_t DiskFreeBytes(const std::string &path) override;
  std::string CurrentDirectory() override;
  std::string ModuleFileName() override;

  // Time stands still until Sleep moves it on.
  uint32_t TickCount() override { return Now; }
  void Sleep(uint32_t ms) override {
    Now += ms;
    Slept += ms;
  }

  void *LoadDynamicLibrary(const std::string &name) override;
  void *LibrarySymbol(void *library, const char *symbol) override;
  void FreeDynamicLibrary(void *library) override;

  bool StartHidden(const std::string &commandLine, const std::string &folder,
                   uint32_t creationFlags) override;
  bool IsWindowsNT() override { return WindowsNT; }
  uint32_t MajorVersion() override { return Major; }
  void ShellOpen(const std::string &target) override { Opened.push_back(target); }
  bool IsConnected() override { return Connected; }

  bool ReadSetting(const std::string &key, const std::string &name, std::string &value) override;
  bool WriteSetting(const std::string &key, const std::string &name,
                    const std::string &value) override;
  std::string ReadProfileString(const std::string &file, const std::string &section,
                                const std::string &key, const std::string &fallback) override;
  bool ReadProfileSection(const std::string &file, const std::string &section,
                          std::vector<std::string> &lines) override;

  // Answers from MessageBoxAnswers in order, then DefaultAnswer.
  int ShowMessageBox(const std::string &text, const std::string &caption, unsigned flags) override;
  // Answers from DialogAnswers in order ("" = cancelled), then cancelled.
  bool OpenFileDialog(const std::string &title, const std::string &filter,
                      const std::string &initialDir, std::string &fileName) override;
  void Beep() override { ++Beeps; }

  uint32_t Now = 1000;
  uint64_t Slept = 0;
  std::string ModulePath; // "" = the real one
  int64_t FreeBytes = -2; // -2 = the real answer
  bool WindowsNT = true;
  uint32_t Major = 5;
  bool Connected = true;
  std::vector<std::string> Opened;
  std::vector<TStartCall> Started;
  bool StartFails = false; // StartHidden records the call and reports failure
  std::vector<std::pair<std::string, std::string>> Settings; // "key\\name", value
  std::deque<int> MessageBoxAnswers;
  int DefaultAnswer = platform::kIdOk;
  std::vector<TMessageBoxCall> MessageBoxes;
  std::deque<std::string> DialogAnswers;
  std::vector<std::string> DialogTitles;
  int Beeps = 0;
};

} // namespace testsupport
