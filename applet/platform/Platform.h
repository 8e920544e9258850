// The platform layer: everything the portable core asks of the operating system.
//
// Paths follow Windows rules everywhere: the core composes them with backslashes, and the
// POSIX implementation maps a backslash to '/' on the way in. Tests replace the running
// platform with a fake through TPlatformOverride.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Message box flags and results: the Win32 values, so the Win32 layer passes them through.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// DOS attribute bits, as the archive stores them.
enum : uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
};

// The process's memory: private bytes (committed memory no other process shares) now and at
// their peak. Windows reports both itself (under Wine the peak is the value now); the POSIX
// build gives the anonymous resident size and the peak resident size. Zero when unknown.
struct TProcessMemory {
  uint64_t PrivateBytes = 0;
  uint64_t PeakPrivateBytes = 0;
};

struct TFileStamp {
  uint32_t DosDateTime = 0; // date in the high word, time in the low word
  uint32_t Attributes = 0;
};

bool SameText(const std::string &a, const std::string &b);

class TPlatform {
public:
  virtual ~TPlatform() = default;

  // Files and folders.
  virtual std::FILE *OpenFile(const std::string &path, const char *mode) = 0;
  // The C library's error number (errno) of the file write that just failed; where the library
  // leaves the system's reason vague, the reason mapped to ENOSPC, EROFS or EACCES.
  virtual int WriteErrorNumber() { return errno; }
  virtual bool FileExists(const std::string &path) = 0;
  virtual bool DirectoryExists(const std::string &path) = 0;
  virtual bool RemoveFile(const std::string &path) = 0;
  virtual bool RenameFile(const std::string &from, const std::string &to) = 0;
  virtual bool CreateFolder(const std::string &path) = 0;
  virtual int64_t FileSize(const std::string &path) = 0; // -1 when it cannot be read
  // Names (not paths) matching a pattern such as "C:\dir\QlnT-*.mp3", in directory order.
  virtual std::vector<std::string> FindFiles(const std::string &pattern) = 0;
  virtual bool GetFileStamp(const std::string &path, TFileStamp &stamp) = 0;
  virtual bool SetFileStamp(const std::string &path, const TFileStamp &stamp) = 0;
  // Bytes available to the caller on the drive holding path; -1 on error.
  virtual int64_t DiskFreeBytes(const std::string &path) = 0;
  virtual std::string CurrentDirectory() = 0;
  // Full path of the running program file.
  virtual std::string ModuleFileName() = 0;

  // Both paths name one existing file (through links, other spellings or case).
  virtual bool SameFile(const std::string &a, const std::string &b) {
    return FileExists(a) && SameText(a, b);
  }
  // folder (in the platform's own encoding) joined with a UTF-8 name, as a path the functions
  // above open. Where names are UTF-8 (POSIX) simply the two joined; on Windows the ANSI form
  // of the path, or its short form where the ANSI code page cannot spell it; empty when the
  // name is no UTF-8 or no such form exists.
  virtual std::string Utf8Path(const std::string &folder, const std::string &utf8Name) {
    return folder + utf8Name;
  }

  // path as a batch file must spell it for the command interpreter, which reads batch files in
  // another code page than the one names are written in: unchanged where it is plain ASCII; on
  // Windows the short form of its existing part (of the path, else of its folder), and what
  // then is still not ASCII in the OEM code page.
  virtual std::string CommandInterpreterPath(const std::string &path) { return path; }

  // Time.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;

  // Libraries loaded by name ("wnaspi32.dll", "qlnxaudio.dll").
  virtual void *LoadDynamicLibrary(const std::string &name) = 0;
  virtual void *LibrarySymbol(void *library, const char *symbol) = 0;
  virtual void FreeDynamicLibrary(void *library) = 0;
  // The file that LoadDynamicLibrary(name) looks for first, for messages.
  virtual std::string LibraryFileName(const std::string &name) { return name; }

  // Processes and the shell.
  // Starts commandLine as a new process with its window hidden, no inherited handles and the
  // caller's environment, in folder ("" = the current folder), with the Win32 process creation
  // flags given (ignored on POSIX); does not wait for it. True when the process was started.
  virtual bool StartHidden(const std::string &commandLine, const std::string &folder,
                           uint32_t creationFlags) = 0;
  virtual bool IsWindowsNT() = 0;
  // Claims name (letters, digits, '.' and '-') for the rest of this process's life: a named
  // mutex on Windows, a locked file in the temporary folder on POSIX. False when another
  // process, or an earlier claim of this one, holds it.
  virtual bool ClaimProcessName(const std::string &name) = 0;
  // The operating system's major version number.
  virtual uint32_t MajorVersion() = 0;
  virtual void ShellOpen(const std::string &target) = 0; // result ignored by every caller
  virtual bool IsConnected() = 0;
  virtual TProcessMemory ProcessMemory() { return TProcessMemory(); }

  // The settings store (the current user's registry on Windows): string values under a key.
  virtual bool ReadSetting(const std::string &key, const std::string &name, std::string &value) = 0;
  virtual bool WriteSetting(const std::string &key, const std::string &name,
                            const std::string &value) = 0;

  // Private-profile (INI) reading; sections and keys compare without regard to case.
  virtual std::string ReadProfileString(const std::string &file, const std::string &section,
                                        const std::string &key, const std::string &fallback) = 0;
  // The "name=value" lines of a section; false when the file or section is missing.
  virtual bool ReadProfileSection(const std::string &file, const std::string &section,
                                  std::vector<std::string> &lines) = 0;

  // User interaction.
  virtual int ShowMessageBox(const std::string &text, const std::string &caption,
                             unsigned flags) = 0;
  // True with the chosen path in fileName; false when cancelled.
  virtual bool OpenFileDialog(const std::string &title, const std::string &filter,
                              const std::string &initialDir, std::string &fileName) = 0;
  virtual void Beep() = 0;
};

// The running platform: the real one unless a test has put a fake in place.
TPlatform &Platform();
// The real implementation of this build (Win32 or POSIX).
TPlatform &NativePlatform();

class TPlatformOverride {
public:
  explicit TPlatformOverride(TPlatform &replacement);
  ~TPlatformOverride();
  TPlatformOverride(const TPlatformOverride &) = delete;
  TPlatformOverride &operator=(const TPlatformOverride &) = delete;

private:
  TPlatform *previous_;
};

// Path helpers shared by every subsystem (both separators are accepted on input).
std::string ExtractFilePath(const std::string &path); // up to and including the last separator
std::string ExtractFileName(const std::string &path);
std::string ExtractFileExt(const std::string &path); // ".ext" with its dot, or ""
std::string IncludeTrailingBackslash(const std::string &path);
// Whole strings equal without regard to the case of ASCII letters.
bool SameText(const std::string &a, const std::string &b);
// s with its ASCII capitals made small.
std::string LowerAscii(std::string s);

} // namespace platform
