// The Win32 implementation of the platform layer, with the ANSI API.
#include "applet/platform/Platform.h"

#include <windows.h>

#include <cerrno>

#include <commdlg.h>
#include <psapi.h>
#include <shellapi.h>
#include <wininet.h>

namespace platform {

namespace {

constexpr size_t kFirstSectionBuffer = 32767;
constexpr size_t kLargestSectionBuffer = size_t{64} << 20;

// text in the code page as UTF-16; empty when it is not valid there.
std::wstring Widen(const std::string &text, UINT codePage) {
  if (text.empty())
    return std::wstring();
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                    static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
  if (n > 0)
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        &wide[0], n);
  return wide;
}

// wide in the ANSI code page; false when a character has no exact form there.
bool AnsiOf(const std::wstring &wide, std::string &ansi) {
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                    static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
  if (n <= 0 || lossy)
    return false;
  ansi.assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      &ansi[0], n, nullptr, &lossy);
  return !lossy;
}

bool FileIdentity(const std::string &path, BY_HANDLE_FILE_INFORMATION &info) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return false;
  const bool ok = GetFileInformationByHandle(h, &info) != FALSE;
  CloseHandle(h);
  return ok;
}

bool IsAscii(const std::string &text) {
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0x80) != 0)
      return false;
  return true;
}

// The short form of an existing path; "" when there is none.
std::string ShortPath(const std::string &path) {
  const DWORD n = GetShortPathNameA(path.c_str(), nullptr, 0);
  if (n == 0)
    return std::string();
  std::string result(n, '\0');
  const DWORD written = GetShortPathNameA(path.c_str(), &result[0], n);
  if (written == 0 || written >= n)
    return std::string();
  result.resize(written);
  return result;
}

class TWin32Platform final : public TPlatform {
public:
  std::string CommandInterpreterPath(const std::string &path) override {
    if (IsAscii(path))
      return path;
    std::string result = ShortPath(path);
    if (result.empty()) {
      // A file not written yet: the short form of its folder, then its own name.
      const std::string folder = ExtractFilePath(path);
      const std::string shortFolder = folder.empty() ? std::string() : ShortPath(folder);
      result = (shortFolder.empty() ? folder : IncludeTrailingBackslash(shortFolder)) +
               ExtractFileName(path);
    }
    if (path.back() == '\\' && result.back() != '\\')
      result += '\\';
    if (IsAscii(result))
      return result;
    const std::wstring wide = Widen(result, CP_ACP);
    const int n = WideCharToMultiByte(CP_OEMCP, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    if (wide.empty() || n <= 0)
      return result;
    std::string oem(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_OEMCP, 0, wide.data(), static_cast<int>(wide.size()), &oem[0], n,
                        nullptr, nullptr);
    return oem;
  }
  std::string Utf8Path(const std::string &folder, const std::string &utf8Name) override {
    const std::wstring name = Widen(utf8Name, CP_UTF8);
    if (name.empty() && !utf8Name.empty())
      return std::string();
    const std::wstring path = Widen(folder, CP_ACP) + name;
    std::string ansi;
    if (AnsiOf(path, ansi))
      return ansi;
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    std::wstring shortPath(n, L'\0');
    if (n == 0 || GetShortPathNameW(path.c_str(), &shortPath[0], n) + 1 != n)
      return std::string();
    shortPath.resize(n - 1);
    return AnsiOf(shortPath, ansi) ? ansi : std::string();
  }
  std::FILE *OpenFile(const std::string &path, const char *mode) override {
    return std::fopen(path.c_str(), mode);
  }
  // Some C runtimes report a full disk as EINVAL: the system's own code says more, and a write
  // that came up short without one is a full disk, as the Windows runtime itself reports it.
  int WriteErrorNumber() override {
    const int e = errno;
    if (e == ENOSPC || e == EROFS || e == EACCES)
      return e;
    switch (GetLastError()) {
    case ERROR_SUCCESS:
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    default:
      return e;
    }
  }
  bool FileExists(const std::string &path) override {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  bool DirectoryExists(const std::string &path) override {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  bool RemoveFile(const std::string &path) override { return DeleteFileA(path.c_str()) != 0; }
  bool RenameFile(const std::string &from, const std::string &to) override {
    return MoveFileA(from.c_str(), to.c_str()) != 0;
  }
  bool CreateFolder(const std::string &path) override {
    return CreateDirectoryA(path.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
  }
  bool SameFile(const std::string &a, const std::string &b) override {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return FileIdentity(a, ia) && FileIdentity(b, ib) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  }
  int64_t FileSize(const std::string &path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  std::vector<std::string> FindFiles(const std::string &pattern) override {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
      return names;
    do {
      names.emplace_back(data.cFileName);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
  }
  bool GetFileStamp(const std::string &path, TFileStamp &stamp) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
      return false;
    FILETIME local;
    WORD date = 0, time = 0;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    stamp.DosDateTime = (static_cast<uint32_t>(date) << 16) | time;
    stamp.Attributes = data.dwFileAttributes & 0xFF;
    return true;
  }
  bool SetFileStamp(const std::string &path, const TFileStamp &stamp) override {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      return false;
    FILETIME local, utc;
    bool ok = DosDateTimeToFileTime(static_cast<WORD>(stamp.DosDateTime >> 16),
                                    static_cast<WORD>(stamp.DosDateTime & 0xFFFF), &local) &&
              LocalFileTimeToFileTime(&local, &utc) && SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
    return SetFileAttributesA(path.c_str(), stamp.Attributes & 0x27) != 0 && ok;
  }
  int64_t DiskFreeBytes(const std::string &path) override {
    ULARGE_INTEGER available, total, free;
    const char *root = path.empty() ? nullptr : path.c_str();
    if (!GetDiskFreeSpaceExA(root, &available, &total, &free))
      return -1;
    return static_cast<int64_t>(available.QuadPart);
  }
  std::string CurrentDirectory() override {
    char buf[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
  }
  std::string ModuleFileName() override {
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
  }

  uint32_t TickCount() override { return GetTickCount(); }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }

  void *LoadDynamicLibrary(const std::string &name) override {
    return reinterpret_cast<void *>(LoadLibraryA(name.c_str()));
  }
  void *LibrarySymbol(void *library, const char *symbol) override {
    if (library == nullptr)
      return nullptr;
    return reinterpret_cast<void *>(::GetProcAddress(static_cast<HMODULE>(library), symbol));
  }
  void FreeDynamicLibrary(void *library) override {
    if (library != nullptr)
      ::FreeLibrary(static_cast<HMODULE>(library));
  }

  bool ClaimProcessName(const std::string &name) override {
    // The handle stays open until the process ends, which releases the mutex.
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex == nullptr)
      return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(mutex);
      return false;
    }
    return true;
  }

  bool StartHidden(const std::string &commandLine, const std::string &folder,
                   uint32_t creationFlags) override {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, creationFlags, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
      return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }
  bool IsWindowsNT() override { return (GetVersion() & 0x80000000u) == 0; }
  uint32_t MajorVersion() override { return LOBYTE(LOWORD(GetVersion())); }
  void ShellOpen(const std::string &target) override {
    ShellExecuteA(GetDesktopWindow(), "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  bool IsConnected() override {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
  }

  bool ReadSetting(const std::string &key, const std::string &name, std::string &value) override {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
      return false;
    char buf[1024];
    DWORD type = 0, size = sizeof buf - 1;
    const LONG rc =
        RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(buf), &size);
    RegCloseKey(h);
    // A value of another type than REG_SZ counts as missing.
    if (rc != ERROR_SUCCESS || type != REG_SZ)
      return false;
    buf[size] = '\0';
    value.assign(buf);
    return true;
  }
  bool WriteSetting(const std::string &key, const std::string &name,
                    const std::string &value) override {
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                        nullptr) != ERROR_SUCCESS)
      return false;
    const LONG rc =
        RegSetValueExA(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
  }

  std::string ReadProfileString(const std::string &file, const std::string &section,
                                const std::string &key, const std::string &fallback) override {
    std::string buf(4096, '\0');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                             &buf[0], static_cast<DWORD>(buf.size()), file.c_str());
    buf.resize(n);
    return buf;
  }
  bool ReadProfileSection(const std::string &file, const std::string &section,
                          std::vector<std::string> &lines) override {
    // A section that does not fit comes back cut, with a length of the buffer's size - 2: the
    // buffer grows until it fits.
    std::string buf(kFirstSectionBuffer, '\0');
    DWORD n = 0;
    for (;;) {
      n = GetPrivateProfileSectionA(section.c_str(), &buf[0], static_cast<DWORD>(buf.size()),
                                    file.c_str());
      if (n + 2 < buf.size() || buf.size() >= kLargestSectionBuffer)
        break;
      buf.assign(buf.size() * 2, '\0');
    }
    lines.clear();
    for (size_t pos = 0; pos < n;) {
      const size_t end = buf.find('\0', pos);
      if (end == pos)
        break;
      lines.push_back(buf.substr(pos, end - pos));
      pos = end + 1;
    }
    return n > 0;
  }

  int ShowMessageBox(const std::string &text, const std::string &caption, unsigned flags) override {
    return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), flags);
  }
  bool OpenFileDialog(const std::string &title, const std::string &filter,
                      const std::string &initialDir, std::string &fileName) override {
    char buf[MAX_PATH] = {};
    fileName.copy(buf, sizeof buf - 1);
    std::string filters = filter;
    for (char &c : filters)
      if (c == '|')
        c = '\0';
    filters.push_back('\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filters.c_str();
    ofn.lpstrFile = buf;
    ofn.nMaxFile = sizeof buf;
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn))
      return false;
    fileName = buf;
    return true;
  }
  void Beep() override { MessageBeep(0); }

  TProcessMemory ProcessMemory() override {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    TProcessMemory memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                              sizeof counters))
      return memory;
    // PagefileUsage is the same commit charge; Wine leaves PrivateUsage at zero.
    memory.PrivateBytes =
        counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    memory.PeakPrivateBytes = counters.PeakPagefileUsage > memory.PrivateBytes
                                  ? counters.PeakPagefileUsage
                                  : memory.PrivateBytes;
    return memory;
  }
};

} // namespace

TPlatform &NativePlatform() {
  static TWin32Platform platform;
  return platform;
}

} // namespace platform
