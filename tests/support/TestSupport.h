// Helpers for unit tests: a temporary folder, whole-file reading and writing, and a fake
// platform that passes through to the real one except where a test scripts an answer.
#pragma once

#include "applet/platform/PlatformProxy.h"

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
// Number of lines of text (a journal, a log) that contain needle.
int CountLines(const std::string &text, const std::string &needle);
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
class TFakePlatform : public platform::TPlatformProxy {
public:
  // Files, folders and libraries pass through to the real platform; with FailWritesWith set,
  // opening a file for writing fails with that errno.
  std::FILE *OpenFile(const std::string &path, const char *mode) override;
  int64_t DiskFreeBytes(const std::string &path) override;
  std::string ModuleFileName() override;

  // Time stands still until Sleep moves it on.
  uint32_t TickCount() override { return Now; }
  void Sleep(uint32_t ms) override {
    Now += ms;
    Slept += ms;
  }

  bool StartHidden(const std::string &commandLine, const std::string &folder,
                   uint32_t creationFlags) override;
  bool IsWindowsNT() override { return WindowsNT; }
  uint32_t MajorVersion() override { return Major; }
  void ShellOpen(const std::string &target) override { Opened.push_back(target); }
  bool IsConnected() override { return Connected; }

  bool ReadSetting(const std::string &key, const std::string &name, std::string &value) override;
  bool WriteSetting(const std::string &key, const std::string &name,
                    const std::string &value) override;
  // Answers from MessageBoxAnswers in order, then DefaultAnswer.
  int ShowMessageBox(const std::string &text, const std::string &caption, unsigned flags) override;
  // Answers from DialogAnswers in order ("" = cancelled), then cancelled.
  bool OpenFileDialog(const std::string &title, const std::string &filter,
                      const std::string &initialDir, std::string &fileName) override;
  void Beep() override { ++Beeps; }

  int FailWritesWith = 0;
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
