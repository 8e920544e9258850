// The POSIX implementation: Windows-style paths are mapped to '/', libraries "name.dll" are
// found as "libname.so" beside the program first, and the settings store is an INI file under
// the user's configuration folder. Dialogs have no user to ask and answer with their defaults.
#include "applet/platform/Platform.h"
#include "applet/platform/ProfileReader.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <thread>

namespace platform {

namespace {

std::string Slashes(const std::string &path) {
  std::string p = path;
  for (char &c : p)
    if (c == '\\')
      c = '/';
  return p;
}

bool Exists(const std::string &native) {
  struct stat st {};
  return lstat(native.c_str(), &st) == 0;
}

// The entry of folder whose name equals name without regard to case; the first in byte order
// when there are several, "" when there is none.
std::string CaseInsensitiveEntry(const std::string &folder, const std::string &name) {
  std::string match;
  if (DIR *d = opendir(folder.empty() ? "/" : folder.c_str())) {
    while (const dirent *e = readdir(d)) {
      const std::string entry = e->d_name;
      if (entry != "." && entry != ".." && SameText(entry, name) &&
          (match.empty() || entry < match))
        match = entry;
    }
    closedir(d);
  }
  return match;
}

// A Windows-style path as a native one. Names are compared without regard to case, as on
// Windows: where the exact path is missing, each element that is missing as written takes the
// one entry of its folder that matches it without regard to case. Elements from the first
// unmatched one on stay as written, so a new file is created under the name given.
std::string Native(const std::string &path) {
  std::string exact = Slashes(path);
  if (exact.empty() || Exists(exact))
    return exact;
  std::string resolved;
  size_t pos = 0;
  if (exact[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  while (pos <= exact.size()) {
    size_t end = exact.find('/', pos);
    if (end == std::string::npos)
      end = exact.size();
    const std::string element = exact.substr(pos, end - pos);
    const std::string folder = resolved.empty() ? std::string(".") : resolved;
    std::string next = element;
    if (!element.empty() && element != "." && element != ".." && !Exists(resolved + element)) {
      next = CaseInsensitiveEntry(folder, element);
      if (next.empty())
        return resolved + exact.substr(pos);
    }
    resolved += next;
    if (end < exact.size())
      resolved += '/';
    pos = end + 1;
  }
  return resolved;
}

std::string ReadWholeFile(const std::string &path) {
  std::string text;
  if (std::FILE *f = std::fopen(Native(path).c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
      text.append(buf, n);
    std::fclose(f);
  }
  return text;
}

uint32_t DosDateTime(time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  if (tm.tm_year < 80)
    return (1u << 21) | (1u << 16);
  const uint32_t date =
      static_cast<uint32_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  const uint32_t time =
      static_cast<uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return (date << 16) | time;
}

time_t UnixTime(uint32_t dos) {
  struct tm tm {};
  tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
  tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
  tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
  tm.tm_isdst = -1;
  return mktime(&tm);
}

std::string SettingsFile() {
  if (const char *override = std::getenv("QLN_SETTINGS_FILE"))
    return override;
  std::string dir;
  if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0')
    dir = xdg;
  else if (const char *home = std::getenv("HOME"))
    dir = std::string(home) + "/.config";
  else
    dir = "/tmp";
  return dir + "/qln/settings.ini";
}

// POSIX answers version questions as a current NT-family Windows would.
constexpr uint32_t kPosixMajorVersion = 6;

class TPosixPlatform final : public TPlatform {
public:
  std::FILE *OpenFile(const std::string &path, const char *mode) override {
    return std::fopen(Native(path).c_str(), mode);
  }
  bool FileExists(const std::string &path) override {
    struct stat st {};
    return stat(Native(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }
  bool DirectoryExists(const std::string &path) override {
    struct stat st {};
    return stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  bool RemoveFile(const std::string &path) override { return unlink(Native(path).c_str()) == 0; }
  bool RenameFile(const std::string &from, const std::string &to) override {
    return std::rename(Native(from).c_str(), Native(to).c_str()) == 0;
  }
  bool CreateFolder(const std::string &path) override {
    return mkdir(Native(path).c_str(), 0777) == 0 || errno == EEXIST;
  }
  bool SameFile(const std::string &a, const std::string &b) override {
    struct stat sa {
    }, sb{};
    return stat(Native(a).c_str(), &sa) == 0 && stat(Native(b).c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  int64_t FileSize(const std::string &path) override {
    struct stat st {};
    if (stat(Native(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
      return -1;
    return static_cast<int64_t>(st.st_size);
  }
  std::vector<std::string> FindFiles(const std::string &pattern) override {
    std::vector<std::string> names;
    const std::string native = Native(pattern);
    const size_t slash = native.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : native.substr(0, slash + 1);
    const std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);
    if (DIR *d = opendir(dir.c_str())) {
      while (const dirent *e = readdir(d)) {
        if (fnmatch(mask.c_str(), e->d_name, FNM_CASEFOLD) == 0)
          names.emplace_back(e->d_name);
      }
      closedir(d);
    }
    return names;
  }
  bool GetFileStamp(const std::string &path, TFileStamp &stamp) override {
    struct stat st {};
    if (stat(Native(path).c_str(), &st) != 0)
      return false;
    stamp.DosDateTime = DosDateTime(st.st_mtime);
    stamp.Attributes = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
    if ((st.st_mode & S_IWUSR) == 0)
      stamp.Attributes |= faReadOnly;
    return true;
  }
  bool SetFileStamp(const std::string &path, const TFileStamp &stamp) override {
    const std::string native = Native(path);
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = UnixTime(stamp.DosDateTime);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    if (utimensat(AT_FDCWD, native.c_str(), times, 0) != 0)
      return false;
    struct stat st {};
    if (stat(native.c_str(), &st) != 0)
      return false;
    mode_t mode = st.st_mode & 07777;
    mode = (stamp.Attributes & faReadOnly) != 0 ? (mode & ~0222) : (mode | S_IWUSR);
    return chmod(native.c_str(), mode) == 0;
  }
  int64_t DiskFreeBytes(const std::string &path) override {
    struct statvfs vfs {};
    const std::string native = Native(path.empty() ? std::string(".") : path);
    if (statvfs(native.c_str(), &vfs) != 0)
      return -1;
    return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
  }
  std::string CurrentDirectory() override {
    char buf[4096];
    return getcwd(buf, sizeof buf) != nullptr ? std::string(buf) : std::string();
  }
  std::string ModuleFileName() override {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
  }

  uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  // "x.dll" is looked for as "libx.so": beside the program for a bare name.
  std::string LibraryFileName(const std::string &name) override {
    std::string file = ExtractFileName(Native(name));
    const std::string ext = ExtractFileExt(file);
    if (ext == ".dll" || ext == ".DLL")
      file = "lib" + file.substr(0, file.size() - 4) + ".so";
    const bool hasFolder = name.find_first_of("/\\") != std::string::npos;
    return (hasFolder ? ExtractFilePath(Native(name)) : ExtractFilePath(ModuleFileName())) + file;
  }
  void *LoadDynamicLibrary(const std::string &name) override {
    const std::string first = LibraryFileName(name);
    if (void *h = dlopen(first.c_str(), RTLD_NOW | RTLD_LOCAL))
      return h;
    if (name.find_first_of("/\\") != std::string::npos)
      return dlopen(Native(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    return dlopen(ExtractFileName(first).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  void *LibrarySymbol(void *library, const char *symbol) override {
    return library != nullptr ? dlsym(library, symbol) : nullptr;
  }
  void FreeDynamicLibrary(void *library) override {
    if (library != nullptr)
      dlclose(library);
  }

  bool ClaimProcessName(const std::string &name) override {
    const char *tmp = std::getenv("TMPDIR");
    const std::string path =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + name + ".lock";
    // The descriptor stays open until the process ends, which releases the lock. A second
    // open file of this process conflicts too.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
      return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      return false;
    }
    return true;
  }

  bool StartHidden(const std::string &commandLine, const std::string &folder, uint32_t) override {
    const pid_t pid = fork();
    if (pid < 0)
      return false;
    if (pid == 0) {
      if (!folder.empty() && chdir(Native(folder).c_str()) != 0)
        _exit(127);
      execl("/bin/sh", "sh", "-c", commandLine.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    return true;
  }
  bool IsWindowsNT() override { return true; }
  uint32_t MajorVersion() override { return kPosixMajorVersion; }
  void ShellOpen(const std::string &target) override {
    if (const char *opener = std::getenv("QLN_OPENER")) {
      std::string quoted = "'";
      for (char c : target)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
      quoted += "'";
      StartHidden(std::string(opener) + " " + quoted, std::string(), 0);
    }
  }
  // Connected while an interface other than loopback is up and running with an IP address.
  bool IsConnected() override {
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
      return false;
    bool connected = false;
    for (const ifaddrs *i = list; i != nullptr && !connected; i = i->ifa_next) {
      const unsigned wanted = IFF_UP | IFF_RUNNING;
      connected = i->ifa_addr != nullptr &&
                  (i->ifa_addr->sa_family == AF_INET || i->ifa_addr->sa_family == AF_INET6) &&
                  (i->ifa_flags & wanted) == wanted && (i->ifa_flags & IFF_LOOPBACK) == 0;
    }
    freeifaddrs(list);
    return connected;
  }

  bool ReadSetting(const std::string &key, const std::string &name, std::string &value) override {
    const std::string text = ReadWholeFile(SettingsFile());
    TProfileReader reader(text);
    const std::string missing("\x01");
    value = reader.ReadString(key, name, missing);
    return value != missing;
  }
  bool WriteSetting(const std::string &key, const std::string &name,
                    const std::string &value) override {
    // Rewrites the file with the value replaced or added; other sections are kept.
    const std::string file = SettingsFile();
    const std::string text = ReadWholeFile(file);
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string::npos)
        end = text.size();
      lines.push_back(text.substr(pos, end - pos));
      pos = end + 1;
    }
    auto same = [](const std::string &a, const std::string &b) {
      return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
    };
    const std::string header = "[" + key + "]";
    size_t sectionAt = lines.size(), insertAt = lines.size();
    bool replaced = false;
    for (size_t i = 0; i < lines.size() && !replaced; ++i) {
      if (!lines[i].empty() && lines[i][0] == '[') {
        if (sectionAt != lines.size()) {
          insertAt = i;
          break;
        }
        if (same(lines[i], header))
          sectionAt = i;
        continue;
      }
      const size_t eq = lines[i].find('=');
      if (sectionAt != lines.size() && eq != std::string::npos &&
          same(lines[i].substr(0, eq), name)) {
        lines[i] = name;
        lines[i] += '=';
        lines[i] += value;
        replaced = true;
      }
    }
    if (!replaced) {
      if (sectionAt == lines.size()) {
        lines.push_back(header);
        insertAt = lines.size();
      }
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), name + "=" + value);
    }
    const std::string dir = ExtractFilePath(file);
    mkdir(ExtractFilePath(dir.substr(0, dir.size() - 1)).c_str(), 0777);
    mkdir(dir.c_str(), 0777);
    std::FILE *f = std::fopen(file.c_str(), "wb");
    if (f == nullptr)
      return false;
    for (const std::string &line : lines)
      std::fprintf(f, "%s\n", line.c_str());
    return std::fclose(f) == 0;
  }

  std::string ReadProfileString(const std::string &file, const std::string &section,
                                const std::string &key, const std::string &fallback) override {
    return TProfileReader(ReadWholeFile(file)).ReadString(section, key, fallback);
  }
  bool ReadProfileSection(const std::string &file, const std::string &section,
                          std::vector<std::string> &lines) override {
    return TProfileReader(ReadWholeFile(file)).ReadSection(section, lines);
  }

  int ShowMessageBox(const std::string &text, const std::string &caption, unsigned flags) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    switch (flags & 0x0F) {
    case kMbYesNo:
    case kMbYesNoCancel:
      return kIdYes;
    default:
      return kIdOk;
    }
  }
  bool OpenFileDialog(const std::string &, const std::string &, const std::string &,
                      std::string &) override {
    return false;
  }
  void Beep() override {}

  TProcessMemory ProcessMemory() override {
    TProcessMemory memory;
    std::FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
      return memory;
    char line[128];
    unsigned long long kb = 0;
    while (std::fgets(line, sizeof line, f)) {
      if (std::sscanf(line, "RssAnon: %llu", &kb) == 1)
        memory.PrivateBytes = kb * 1024;
      else if (std::sscanf(line, "VmHWM: %llu", &kb) == 1)
        memory.PeakPrivateBytes = kb * 1024;
    }
    std::fclose(f);
    return memory;
  }
};

} // namespace

TPlatform &NativePlatform() {
  static TPosixPlatform platform;
  return platform;
}

} // namespace platform
