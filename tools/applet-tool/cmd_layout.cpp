// Disc layouts: import files as the burn module does (every question answered Yes, every file
// dialog cancelled, the boxes shown on standard error), then print the layout or its tables.
#include "applet/layout/LayoutListView.h"
#include "applet/layout/LayoutTables.h"
#include "applet/layout/UnitBurn.h"
#include "applet/platform/Platform.h"
#include "tools/applet-tool/Command.h"

#include <cstdio>
#include <string>

namespace tool {
namespace {

using platform::NativePlatform;
using platform::TPlatform;

// The real platform, except that nobody is asked anything.
class TAnsweringPlatform : public TPlatform {
public:
  std::FILE *OpenFile(const std::string &path, const char *mode) override {
    return NativePlatform().OpenFile(path, mode);
  }
  bool FileExists(const std::string &path) override { return NativePlatform().FileExists(path); }
  bool DirectoryExists(const std::string &path) override {
    return NativePlatform().DirectoryExists(path);
  }
  bool RemoveFile(const std::string &path) override { return NativePlatform().RemoveFile(path); }
  bool RenameFile(const std::string &from, const std::string &to) override {
    return NativePlatform().RenameFile(from, to);
  }
  bool CreateFolder(const std::string &path) override {
    return NativePlatform().CreateFolder(path);
  }
  int64_t FileSize(const std::string &path) override { return NativePlatform().FileSize(path); }
  std::vector<std::string> FindFiles(const std::string &pattern) override {
    return NativePlatform().FindFiles(pattern);
  }
  bool GetFileStamp(const std::string &path, platform::TFileStamp &stamp) override {
    return NativePlatform().GetFileStamp(path, stamp);
  }
  bool SetFileStamp(const std::string &path, const platform::TFileStamp &stamp) override {
    return NativePlatform().SetFileStamp(path, stamp);
  }
  int64_t DiskFreeBytes(const std::string &path) override {
    return NativePlatform().DiskFreeBytes(path);
  }
  std::string CurrentDirectory() override { return NativePlatform().CurrentDirectory(); }
  std::string ModuleFileName() override { return NativePlatform().ModuleFileName(); }
  uint32_t TickCount() override { return NativePlatform().TickCount(); }
  void Sleep(uint32_t ms) override { NativePlatform().Sleep(ms); }
  void *LoadDynamicLibrary(const std::string &name) override {
    return NativePlatform().LoadDynamicLibrary(name);
  }
  void *LibrarySymbol(void *library, const char *symbol) override {
    return NativePlatform().LibrarySymbol(library, symbol);
  }
  void FreeDynamicLibrary(void *library) override { NativePlatform().FreeDynamicLibrary(library); }
  bool StartHidden(const std::string &commandLine, const std::string &folder,
                   uint32_t creationFlags) override {
    return NativePlatform().StartHidden(commandLine, folder, creationFlags);
  }
  bool IsWindowsNT() override { return NativePlatform().IsWindowsNT(); }
  uint32_t MajorVersion() override { return NativePlatform().MajorVersion(); }
  void ShellOpen(const std::string &target) override { NativePlatform().ShellOpen(target); }
  bool IsConnected() override { return NativePlatform().IsConnected(); }
  bool ReadSetting(const std::string &key, const std::string &name, std::string &value) override {
    return NativePlatform().ReadSetting(key, name, value);
  }
  bool WriteSetting(const std::string &key, const std::string &name,
                    const std::string &value) override {
    return NativePlatform().WriteSetting(key, name, value);
  }
  std::string ReadProfileString(const std::string &file, const std::string &section,
                                const std::string &key, const std::string &fallback) override {
    return NativePlatform().ReadProfileString(file, section, key, fallback);
  }
  bool ReadProfileSection(const std::string &file, const std::string &section,
                          std::vector<std::string> &lines) override {
    return NativePlatform().ReadProfileSection(file, section, lines);
  }

  int ShowMessageBox(const std::string &text, const std::string &caption, unsigned flags) override {
    const bool question = (flags & kButtonMask) == platform::kMbYesNo ||
                          (flags & kButtonMask) == platform::kMbYesNoCancel;
    std::fprintf(stderr, "[%s] %s%s\n", caption.c_str(), text.c_str(), question ? " Yes" : "");
    return question ? platform::kIdYes : platform::kIdOk;
  }
  bool OpenFileDialog(const std::string &title, const std::string &, const std::string &,
                      std::string &) override {
    std::fprintf(stderr, "[Open] %s Cancel\n", title.c_str());
    return false;
  }
  void Beep() override {}

private:
  static constexpr unsigned kButtonMask = 0x0F;
};

// Imports every file into the module's layout; false when one of them was not added.
bool ImportAll(layout::TBurnDataModule &burn, const TArgs &files) {
  bool all = true;
  for (const std::string &file : files)
    if (burn.ImportTrackFile(file))
      all = false;
  return all;
}

void PrintRow(const layout::TLayoutListView &view, int row) {
  for (int col = 0; col < layout::kLayoutColumnCount; ++col)
    std::printf("%s\t", view.Text(row, static_cast<layout::TLayoutColumn>(col)).c_str());
  const layout::TTrackImageData &t = view.Track(row);
  std::printf("%d\t%s\t%d\t%d\t%d\t%d\t%d", t.ModeChange ? 1 : 0, t.Mode.c_str(),
              static_cast<int>(t.SectorSize), static_cast<int>(t.FileOffset),
              static_cast<int>(t.Sectors), static_cast<int>(t.DataSize),
              static_cast<int>(t.IndexCount));
  for (int32_t i = 0; i < t.UsedIndexes(); ++i)
    std::printf("\t%d:%d:%d:%d", static_cast<int>(t.Indexes[i].Number),
                static_cast<int>(t.Indexes[i].Start), static_cast<int>(t.Indexes[i].Length),
                static_cast<int>(t.Indexes[i].DataOffset));
  std::printf("\t%d\t%d\t%d\t%d\n", t.Index0InFile ? 1 : 0, static_cast<int>(t.Pregap),
              static_cast<int>(t.Postgap), static_cast<int>(t.EndOffset));
}

const char kLayoutUsage[] = "layout FILE...  (tracks, cue sheets)";
int Layout(const TArgs &args) {
  if (args.empty())
    return Usage(kLayoutUsage);
  TAnsweringPlatform answering;
  platform::TPlatformOverride use(answering);
  layout::TBurnDataModule burn;
  const bool all = ImportAll(burn, args);
  const layout::TLayoutListView &view = *burn.Layout;
  for (int row = 0; row < view.Count(); ++row)
    PrintRow(view, row);
  std::printf("DiscType\t%s\nDataSectors\t%d\nTotalSectors\t%d\nSelectedDataSectors\t%d\n"
              "SelectedTotalSectors\t%d\n",
              view.DiscType().c_str(), static_cast<int>(view.DataSectors()),
              static_cast<int>(view.TotalSectors()), static_cast<int>(view.SelectedDataSectors()),
              static_cast<int>(view.SelectedTotalSectors()));
  return all ? 0 : 1;
}

// Builds one of the module's tables from the files and prints it, entrySize bytes a line.
int PrintTable(const TArgs &args, const char *usage, bool leadIn) {
  if (args.empty())
    return Usage(usage);
  TAnsweringPlatform answering;
  platform::TPlatformOverride use(answering);
  layout::TBurnDataModule burn;
  const bool all = ImportAll(burn, args);
  std::string error;
  if (leadIn ? burn.BuildLeadInTable(error) : burn.BuildCueSheet(error)) {
    std::fprintf(stderr, "applet-tool: %s\n", error.c_str());
    return 1;
  }
  const std::vector<uint8_t> &table = leadIn ? burn.LeadInTable : burn.CueSheet;
  const size_t length = static_cast<size_t>(leadIn ? burn.LeadInTableLength : burn.CueSheetLength);
  const size_t entrySize = leadIn ? layout::kLeadInEntrySize : layout::kCueSheetEntrySize;
  for (size_t i = 0; i < length; ++i)
    std::printf("%02X%s", table[i], (i + 1) % entrySize == 0 ? "\n" : " ");
  return all ? 0 : 1;
}

const char kLeadInUsage[] = "leadin FILE...  (the DAO lead-in table, 16 bytes a line)";
int LeadIn(const TArgs &args) { return PrintTable(args, kLeadInUsage, true); }

const char kCueSheetUsage[] = "cuesheet FILE...  (the SAO cue sheet, 8 bytes a line)";
int CueSheet(const TArgs &args) { return PrintTable(args, kCueSheetUsage, false); }

const TCommandRegistration kLayout("layout", kLayoutUsage, Layout);
const TCommandRegistration kLeadIn("leadin", kLeadInUsage, LeadIn);
const TCommandRegistration kCueSheet("cuesheet", kCueSheetUsage, CueSheet);

} // namespace
} // namespace tool
