// A platform that passes every call on to another one (the native platform by default), for
// wrappers that change only a few answers.
#pragma once

#include "applet/platform/Platform.h"

namespace platform {

class TPlatformProxy : public TPlatform {
public:
  explicit TPlatformProxy(TPlatform &target = NativePlatform()) : target_(target) {}

  std::FILE *OpenFile(const std::string &path, const char *mode) override {
    return target_.OpenFile(path, mode);
  }
  bool FileExists(const std::string &path) override { return target_.FileExists(path); }
  bool DirectoryExists(const std::string &path) override { return target_.DirectoryExists(path); }
  bool RemoveFile(const std::string &path) override { return target_.RemoveFile(path); }
  bool RenameFile(const std::string &from, const std::string &to) override {
    return target_.RenameFile(from, to);
  }
  bool CreateFolder(const std::string &path) override { return target_.CreateFolder(path); }
  int64_t FileSize(const std::string &path) override { return target_.FileSize(path); }
  bool SameFile(const std::string &a, const std::string &b) override {
    return target_.SameFile(a, b);
  }
  std::string Utf8Path(const std::string &folder, const std::string &utf8Name) override {
    return target_.Utf8Path(folder, utf8Name);
  }
  std::string CommandInterpreterPath(const std::string &path) override {
    return target_.CommandInterpreterPath(path);
  }
  std::vector<std::string> FindFiles(const std::string &pattern) override {
    return target_.FindFiles(pattern);
  }
  bool GetFileStamp(const std::string &path, TFileStamp &stamp) override {
    return target_.GetFileStamp(path, stamp);
  }
  bool SetFileStamp(const std::string &path, const TFileStamp &stamp) override {
    return target_.SetFileStamp(path, stamp);
  }
  int64_t DiskFreeBytes(const std::string &path) override { return target_.DiskFreeBytes(path); }
  std::string CurrentDirectory() override { return target_.CurrentDirectory(); }
  std::string ModuleFileName() override { return target_.ModuleFileName(); }

  uint32_t TickCount() override { return target_.TickCount(); }
  void Sleep(uint32_t ms) override { target_.Sleep(ms); }

  void *LoadDynamicLibrary(const std::string &name) override {
    return target_.LoadDynamicLibrary(name);
  }
  void *LibrarySymbol(void *library, const char *symbol) override {
    return target_.LibrarySymbol(library, symbol);
  }
  void FreeDynamicLibrary(void *library) override { target_.FreeDynamicLibrary(library); }
  std::string LibraryFileName(const std::string &name) override {
    return target_.LibraryFileName(name);
  }

  bool StartHidden(const std::string &commandLine, const std::string &folder,
                   uint32_t creationFlags) override {
    return target_.StartHidden(commandLine, folder, creationFlags);
  }
  bool IsWindowsNT() override { return target_.IsWindowsNT(); }
  bool ClaimProcessName(const std::string &name) override { return target_.ClaimProcessName(name); }
  uint32_t MajorVersion() override { return target_.MajorVersion(); }
  void ShellOpen(const std::string &target) override { target_.ShellOpen(target); }
  bool IsConnected() override { return target_.IsConnected(); }

  bool ReadSetting(const std::string &key, const std::string &name, std::string &value) override {
    return target_.ReadSetting(key, name, value);
  }
  bool WriteSetting(const std::string &key, const std::string &name,
                    const std::string &value) override {
    return target_.WriteSetting(key, name, value);
  }
  std::string ReadProfileString(const std::string &file, const std::string &section,
                                const std::string &key, const std::string &fallback) override {
    return target_.ReadProfileString(file, section, key, fallback);
  }
  bool ReadProfileSection(const std::string &file, const std::string &section,
                          std::vector<std::string> &lines) override {
    return target_.ReadProfileSection(file, section, lines);
  }

  int ShowMessageBox(const std::string &text, const std::string &caption, unsigned flags) override {
    return target_.ShowMessageBox(text, caption, flags);
  }
  bool OpenFileDialog(const std::string &title, const std::string &filter,
                      const std::string &initialDir, std::string &fileName) override {
    return target_.OpenFileDialog(title, filter, initialDir, fileName);
  }
  void Beep() override { target_.Beep(); }

private:
  TPlatform &target_;
};

} // namespace platform
