// Disc layouts: import files as the burn module does (every question answered Yes, every file
// dialog cancelled, the boxes shown on standard error), then print the layout or its tables.
#include "applet/layout/LayoutListView.h"
#include "applet/layout/LayoutTables.h"
#include "applet/layout/UnitBurn.h"
#include "applet/platform/PlatformProxy.h"
#include "applet/recording/XAudio.h"
#include "tools/applet-tool/Command.h"

#include <cstdio>
#include <string>

namespace tool {
namespace {

// The real platform, except that nobody is asked anything.
class TAnsweringPlatform : public platform::TPlatformProxy {
public:
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

// Binds the MP3 decoder library, as a recording start does, while MP3 files or cue sheets are
// imported.
class TDecoderBinding {
public:
  explicit TDecoderBinding(const TArgs &files) {
    for (const std::string &file : files)
      bound_ = bound_ || platform::SameText(platform::ExtractFileExt(file), ".mp3") ||
               platform::SameText(platform::ExtractFileExt(file), ".cue"); // may name MP3s
    if (bound_)
      recording::BindDecoder();
  }
  ~TDecoderBinding() {
    if (bound_)
      recording::UnbindDecoder();
  }
  TDecoderBinding(const TDecoderBinding &) = delete;
  TDecoderBinding &operator=(const TDecoderBinding &) = delete;

private:
  bool bound_ = false;
};

// Imports every file into the module's layout; false, with a line on standard error for each,
// when one of them was not imported in full.
bool ImportAll(layout::TBurnDataModule &burn, const TArgs &files) {
  bool all = true;
  for (const std::string &file : files) {
    const bool none = burn.ImportTrackFile(file);
    if (none || burn.LastImportPartial) {
      std::fprintf(stderr, "applet-tool: %s was not imported%s\n", file.c_str(),
                   none ? "" : " in full");
      all = false;
    }
  }
  return all;
}

void PrintRow(const layout::TLayoutListView &view, int row) {
  for (int col = 0; col < layout::kLayoutColumnCount; ++col)
    std::printf("%s\t", view.Text(row, static_cast<layout::TLayoutColumn>(col)).c_str());
  const layout::TTrackImageData &t = view.Track(row);
  std::printf("%d\t%s\t%d\t%d\t%d\t%d\t%d", t.ModeChange ? 1 : 0, device::TrackModeText(t.Mode),
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
  TDecoderBinding decoder(args);
  layout::TBurnDataModule burn;
  const bool all = ImportAll(burn, args);
  const layout::TLayoutListView &view = *burn.Layout;
  for (int row = 0; row < view.Count(); ++row)
    PrintRow(view, row);
  std::printf("DiscType\t%s\nDataSectors\t%d\nTotalSectors\t%d\nSelectedDataSectors\t%d\n"
              "SelectedTotalSectors\t%d\n",
              device::DiscTypeText(view.DiscType()), static_cast<int>(view.DataSectors()),
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
  TDecoderBinding decoder(args);
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
