#include "applet/layout/UnitBurn.h"

#include "applet/layout/Cue.h"
#include "applet/layout/LayoutTables.h"
#include "applet/platform/Platform.h"
#include "applet/recording/XAudio.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace layout {

namespace {

using platform::Platform;

constexpr char kWarningCaption[] = "Warning";
constexpr char kErrorCaption[] = "Error";
constexpr int64_t kWavHeaderSize = 44;
constexpr int64_t kMaxTrackBytes = std::numeric_limits<int32_t>::max();

// An ISO 9660 volume descriptor's identifier in the image's sector 16, and where it lies for
// each kind of data image: the first match decides.
constexpr char kVolumeId[] = "CD001";
struct TDataImageKind {
  long Offset;
  TTrackMode Mode;
  int32_t SectorSize;
};
constexpr TDataImageKind kDataImageKinds[] = {
    {16 * device::kMode1UserDataSize + 1, TTrackMode::Mode1, device::kMode1UserDataSize},
    {16 * device::kMode2FormlessSize + 1, TTrackMode::Mode2, device::kMode2FormlessSize},
    {16 * device::kRawSectorSize + 17, TTrackMode::Mode1, device::kRawSectorSize},
    {16 * device::kRawSectorSize + 25, TTrackMode::Mode2, device::kRawSectorSize},
};
// A data image's size is a multiple of one of these, or it may be corrupt.
constexpr int64_t kImageSectorSizes[] = {device::kRawBlockSize, device::kRawSectorSize,
                                         device::kMode2FormlessSize, device::kMode1UserDataSize};

bool AskYesNo(const std::string &text) {
  return Platform().ShowMessageBox(text, kWarningCaption,
                                   platform::kMbYesNo | platform::kMbIconWarning) ==
         platform::kIdYes;
}

void ShowError(const std::string &text) {
  Platform().ShowMessageBox(text, kErrorCaption, platform::kMbOk | platform::kMbIconError);
}

std::string UnableText(const std::string &fileName, const std::string &reason) {
  return "Unable to import " + fileName + ".  " + reason;
}

// An MP3 file starts with an ID3v2 tag or an MPEG audio frame's sync (11 bits set).
bool StartsLikeMp3(std::FILE *f) {
  unsigned char head[3] = {0, 0, 0};
  if (std::fseek(f, 0, SEEK_SET) != 0 || std::fread(head, 1, sizeof head, f) != sizeof head)
    return false;
  return std::memcmp(head, "ID3", sizeof head) == 0 ||
         (head[0] == 0xFF && (head[1] & 0xE0) == 0xE0);
}

std::string NotFoundText(const std::string &fileName) {
  return "Unable to track image file.  An error has trying to open " + fileName + ".";
}

bool DetectDataImage(std::FILE *f, TTrackImageData &t) {
  for (const TDataImageKind &kind : kDataImageKinds) {
    char id[sizeof kVolumeId - 1];
    if (std::fseek(f, kind.Offset, SEEK_SET) == 0 && std::fread(id, 1, sizeof id, f) == sizeof id &&
        std::memcmp(id, kVolumeId, sizeof id) == 0) {
      t.Mode = kind.Mode;
      t.SectorSize = kind.SectorSize;
      return true;
    }
  }
  return false;
}

bool IsMultipleOfASectorSize(int64_t size) {
  for (int64_t sectorSize : kImageSectorSizes)
    if (size % sectorSize == 0)
      return true;
  return false;
}

} // namespace

bool NoMp3Decoder(const std::string &, int64_t &decodedBytes, uint32_t &sampleRate) {
  decodedBytes = 0;
  sampleRate = 0;
  return true;
}

bool DecoderMp3Sizer(const std::string &fileName, int64_t &decodedBytes, uint32_t &sampleRate) {
  decodedBytes = 0;
  sampleRate = 0;
  if (!recording::DecoderBound())
    return true;
  recording::TDecodedFormat format;
  decodedBytes = recording::DecodedSize(fileName, &format);
  sampleRate = format.SampleRate;
  return false;
}

TBurnDataModule::TBurnDataModule() { DataModuleCreate(); }

TBurnDataModule::~TBurnDataModule() { DataModuleDestroy(); }

void TBurnDataModule::DataModuleCreate() {
  TestWrite = true;
  Layout = std::make_unique<TLayoutListView>();
  LeadInTable.assign(kTableBufferSize, 0);
  LeadInTableLength = 0;
  CueSheet.assign(kTableBufferSize, 0);
  CueSheetLength = 0;
  BuildPosition = BuildLba = 0;
  NextTaoTrack = 0;
}

void TBurnDataModule::DataModuleDestroy() {
  Layout.reset();
  std::vector<uint8_t>().swap(LeadInTable);
  std::vector<uint8_t>().swap(CueSheet);
  LeadInTableLength = CueSheetLength = 0;
}

bool TBurnDataModule::Refuse(const std::string &box, const std::string &reason) {
  LastImportRefusal = reason;
  if (ImportBoxes)
    ShowError(box);
  return true;
}

bool TBurnDataModule::ImportTrackFile(const std::string &fileName) {
  LastImportPartial = false;
  LastImportRefusal.clear();
  const recording::TInputKind kind = recording::InputKindOf(fileName);
  if (kind == recording::TInputKind::Bin &&
      !AskYesNo(fileName + " appears to be a BIN file.  The way to import tracks into the layout "
                           "from a BIN file is to open its Cue file.  Do you wish to continue "
                           "loading this file as a track?"))
    return true;
  if (kind == recording::TInputKind::CueSheet)
    return ImportCue(fileName);

  if (Platform().DirectoryExists(fileName))
    return Refuse("You tried to import a directory as a track into the CD Layout.  Add only "
                  "track image files.",
                  "It is a folder, not a track file.");
  const int64_t size = Platform().FileExists(fileName) ? Platform().FileSize(fileName) : -1;
  if (size < 0)
    return Refuse(NotFoundText(fileName), "The file is missing.");
  if (size > kMaxTrackBytes) {
    const std::string reason =
        "A track file may hold at most " + std::to_string(kMaxTrackBytes) + " bytes.";
    return Refuse(UnableText(fileName, reason), reason);
  }
  auto track = std::make_unique<TTrackImageData>();
  if (FillSingleFileTrack(fileName, kind, size, *track))
    return true;
  Layout->AddTrack(std::move(track));
  return false;
}

bool TBurnDataModule::FillSingleFileTrack(const std::string &fileName, recording::TInputKind kind,
                                          int64_t fileSize, TTrackImageData &t) {
  t.FileName = fileName;
  t.SectorSize = device::kRawSectorSize;
  t.DataSize = t.EndOffset = static_cast<int32_t>(fileSize);

  std::FILE *f = Platform().OpenFile(fileName, "rb");
  if (f == nullptr)
    return Refuse(NotFoundText(fileName), "The file cannot be opened.");
  const bool dataImage = DetectDataImage(f, t);
  const bool mp3Start = StartsLikeMp3(f);
  std::fclose(f);

  // The content outranks the name: a data image is one whatever its extension says.
  if (!dataImage) {
    t.Mode = TTrackMode::Audio;
    t.SectorSize = device::kRawSectorSize;
    if (kind == recording::TInputKind::Wave) {
      t.FileOffset = static_cast<int32_t>(kWavHeaderSize);
      t.DataSize = static_cast<int32_t>(fileSize > kWavHeaderSize ? fileSize - kWavHeaderSize : 0);
    } else if (kind == recording::TInputKind::Mp3) {
      int64_t decoded = 0;
      uint32_t rate = 0;
      if (Mp3Sizer == nullptr || Mp3Sizer(fileName, decoded, rate)) {
        const std::string reason = "No MP3 decoder is available to measure its length.";
        return Refuse(UnableText(fileName, reason), reason);
      }
      // What a decoder makes of a file that is no MP3 at all (a renamed WAV, random bytes) is
      // noise: a file that starts as no MP3 does and measures badly is called what it is.
      const bool badRate = rate != 0 && rate != recording::kCdSampleRate;
      if (fileSize > 0 && !mp3Start && (badRate || decoded <= 0)) {
        const std::string reason = "It is not an MP3 file.";
        return Refuse(UnableText(fileName, reason), reason);
      }
      if (badRate) {
        const std::string reason = "Its audio has a sample rate of " + std::to_string(rate) +
                                   " Hz; a CD holds audio of 44100 Hz only.";
        return Refuse(UnableText(fileName, reason), reason);
      }
      if (decoded > kMaxTrackBytes) {
        const std::string reason = "Its decoded audio is longer than a disc.";
        return Refuse(UnableText(fileName, reason), reason);
      }
      t.DataSize = static_cast<int32_t>(decoded > 0 ? decoded : 0);
    }
  }

  if (t.Mode != TTrackMode::Audio && !IsMultipleOfASectorSize(fileSize) &&
      !AskYesNo("Warning!  " + fileName +
                " may be corrupt.  Sector size is not a multiple of 2048, 2336, or 2352.  Do you "
                "wish to continue importing this file as a track?"))
    return true;

  t.Sectors = static_cast<int32_t>((int64_t{t.DataSize} + t.SectorSize - 1) / t.SectorSize);
  if (t.Sectors == 0) {
    const std::string reason = "It holds no track data.";
    return Refuse(UnableText(fileName, reason), reason);
  }
  t.IndexCount = 1;
  t.Indexes[0].Number = 1;
  t.Indexes[0].Start = 0;
  t.Indexes[0].Length = t.Sectors;
  t.Indexes[0].DataOffset = t.FileOffset;
  return false;
}

bool TBurnDataModule::ImportCue(const std::string &fileName) {
  std::vector<TTrackList> segments;
  if (ImportCueSheet(fileName, segments, Mp3Sizer))
    return true;
  LastImportPartial = segments.empty();
  for (TTrackList &tracks : segments) {
    LastImportPartial = LastImportPartial || tracks.empty();
    for (std::unique_ptr<TTrackImageData> &track : tracks)
      Layout->AddTrack(std::move(track));
  }
  return false;
}

void TBurnDataModule::ImportTrackList(const std::vector<std::string> &names) {
  for (const std::string &name : names) {
    if (Status.UserCancelled)
      break;
    ImportTrackFile(platform::LowerAscii(name));
    if (Host)
      Host->ProcessMessages(); // measuring an MP3 takes a while: keep the window alive
  }
}

std::vector<std::string> TBurnDataModule::FindPackageTracks() const {
  const std::string folder = platform::ExtractFilePath(Platform().ModuleFileName());
  std::vector<std::string> paths;
  for (const std::string &name : Platform().FindFiles(folder + kPackageTrackPattern)) {
    const std::string path = folder + name;
    if (Platform().FileExists(path)) // files only
      paths.push_back(path);
  }
  return paths;
}

bool TBurnDataModule::BuildLeadInTable(std::string &error) {
  TBuiltTable result;
  if (Layout == nullptr || LeadInTable.size() < kTableBufferSize) {
    error = "The burn module has been destroyed.";
    return true;
  }
  const bool failed = layout::BuildLeadInTable(Layout->Tracks(), Layout->DiscType(),
                                               LeadInTable.data(), LeadInTable.size(), result);
  LeadInTableLength = BuildPosition = result.Length;
  BuildLba = result.Lba;
  error = result.Error;
  return failed;
}

bool TBurnDataModule::BuildCueSheet(std::string &error) {
  TBuiltTable result;
  if (Layout == nullptr || CueSheet.size() < kTableBufferSize) {
    error = "The burn module has been destroyed.";
    return true;
  }
  const bool failed =
      layout::BuildCueSheet(Layout->Tracks(), CueSheet.data(), CueSheet.size(), result);
  CueSheetLength = BuildPosition = result.Length;
  BuildLba = result.Lba;
  error = result.Error;
  return failed;
}

} // namespace layout
