// Cue sheet import through the platform: reading the sheet, finding each image file (asking
// the user as a last resort) and the boxes that report failures.
#include "applet/layout/Cue.h"

#include "applet/platform/Platform.h"
#include "applet/recording/XAudio.h"

namespace layout {

namespace {

using platform::Platform;

// No real cue sheet comes near this; a larger file is not one.
constexpr int64_t kMaxCueFileBytes = 1 << 20;

constexpr char kErrorCaption[] = "Error";
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kUtf16Le[] = "\xFF\xFE";
constexpr char kUtf16Be[] = "\xFE\xFF";
constexpr char kImageFilter[] = "BIN, RAW, ISO and PCM files|*.BIN; *.RAW; *.ISO; *.PCM|All "
                                "Files|*.*";

void ShowError(const std::string &text) {
  Platform().ShowMessageBox(text, kErrorCaption, platform::kMbOk | platform::kMbIconError);
}

// Opens a file for reading; its size when it can be read, else -1.
int64_t ReadableSize(const std::string &path) {
  if (path.empty() || !Platform().FileExists(path))
    return -1;
  std::FILE *f = Platform().OpenFile(path, "rb");
  if (f == nullptr)
    return -1;
  std::fclose(f);
  return Platform().FileSize(path);
}

struct TFoundFile {
  std::string Path;
  int64_t Size = -1;
};

// Finds an image file: as named when the name has a folder, then in the cue sheet's folder,
// then by asking. Names of a sheet marked as UTF-8 are opened as UTF-8. False when it was
// neither found nor chosen (the box has been shown).
bool FindImageFile(const TCueFile &file, const std::string &cueFolder, bool utf8,
                   TFoundFile &found) {
  const std::string &name = file.Name;
  int64_t &size = found.Size;
  std::string &path = found.Path;
  const std::string filePart = platform::ExtractFileName(name);
  const auto join = [utf8](const std::string &folder, const std::string &tail) {
    return utf8 ? Platform().Utf8Path(folder, tail) : folder + tail;
  };
  std::string candidates[2];
  if (!platform::ExtractFilePath(name).empty())
    candidates[0] = join(std::string(), name);
  candidates[1] = join(cueFolder, filePart);
  for (const std::string &candidate : candidates)
    if ((size = ReadableSize(candidate)) >= 0) {
      path = candidate;
      return true;
    }
  std::string chosen;
  if (Platform().OpenFileDialog(filePart + " not found.  Please specify location.", kImageFilter,
                                cueFolder, chosen) &&
      (size = ReadableSize(chosen)) >= 0) {
    path = chosen;
    return true;
  }
  ShowError("Unable to find image file!  The operation to import tracks for this FILE command "
            "segment of the Cue has been aborted.");
  return false;
}

// The path as the file system spells it. A cue sheet's lines are read upper-cased, and the
// platform's own functions find such a name without regard to case, but the decoder library
// opens MP3 files itself: each element takes the spelling of its folder's entry.
std::string ExistingSpelling(const std::string &path) {
  std::string spelled;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find_first_of("\\/", pos);
    if (end == std::string::npos)
      end = path.size();
    const std::string written = path.substr(pos, end - pos);
    std::string element = written;
    const bool plain = !written.empty() && written != "." && written != ".." &&
                       written.back() != ':' && written.find_first_of("*?[") == std::string::npos;
    bool exact = false;
    for (const std::string &entry :
         plain ? Platform().FindFiles(spelled + written) : std::vector<std::string>())
      if (!exact && platform::SameText(entry, written)) {
        exact = entry == written;
        if (exact || element == written)
          element = entry; // the name as written, else the first that matches
      }
    spelled += element;
    if (end < path.size())
      spelled += path[end];
    pos = end + 1;
  }
  return spelled;
}

// Tracks of an MP3 or WAVE file are CD audio, one 2352-byte frame per sector.
void RequireAudioTracks(const TCueFile &file) {
  for (const std::unique_ptr<TTrackImageData> &t : file.Tracks)
    if (t->Mode != TTrackMode::Audio || t->SectorSize != device::kRawSectorSize)
      throw ECueError("TRACK " + std::to_string(t->TrackNumber) + " of the " + file.Type +
                      " file " + file.Name + " is no AUDIO track; such a file holds audio only.");
}

// The bytes of audio that a FILE's tracks are placed in, and where they start in the file.
struct TAudioContent {
  int64_t Offset = 0;
  int64_t Size = 0;
};

TAudioContent MeasureContent(const TCueFile &file, const TFoundFile &found, TMp3Sizer mp3Sizer) {
  TAudioContent content{0, found.Size};
  const std::string cannot = "The " + file.Type + " file " + file.Name + " cannot be recorded: ";
  if (file.Type == "MP3") {
    RequireAudioTracks(file);
    uint32_t rate = 0;
    if (mp3Sizer == nullptr || mp3Sizer(found.Path, content.Size, rate))
      throw ECueError(cannot + "no MP3 decoder is available to measure it.");
    if (rate != 0 && rate != recording::kCdSampleRate)
      throw ECueError(cannot + "its audio has a sample rate of " + std::to_string(rate) +
                      " Hz; a CD holds audio of 44100 Hz only.");
    if (content.Size <= 0)
      throw ECueError(cannot + "it holds no MP3 audio.");
  } else if (file.Type == "WAVE") {
    RequireAudioTracks(file);
    std::FILE *f = Platform().OpenFile(found.Path, "rb");
    TWaveData data;
    std::string error = "it cannot be read";
    const bool ok = f != nullptr && ReadWaveData(f, found.Size, data, error);
    if (f != nullptr)
      std::fclose(f);
    if (!ok)
      throw ECueError(cannot + error + ".");
    content = {data.Offset, data.Size};
  } else {
    return content;
  }
  // Audio ends in a whole sector, as a single file's track does: the last one is padded.
  content.Size =
      (content.Size + device::kRawSectorSize - 1) / device::kRawSectorSize * device::kRawSectorSize;
  return content;
}

// Moves the placed tracks of a file by the offset of its audio.
void ShiftTracks(TCueFile &file, int64_t offset) {
  const auto shift = [offset](int32_t &field) {
    const int64_t moved = field + offset;
    if (moved > 0x7FFFFFFF)
      throw ECueError("The audio of the file lies beyond what a track image holds.");
    field = static_cast<int32_t>(moved);
  };
  for (std::unique_ptr<TTrackImageData> &t : file.Tracks) {
    shift(t->FileOffset);
    shift(t->EndOffset);
    for (int32_t i = 0; i < t->UsedIndexes(); ++i)
      shift(t->Indexes[i].DataOffset);
  }
}

bool ReadCueFile(const std::string &cueFileName, std::string &text) {
  const int64_t size = Platform().FileSize(cueFileName);
  std::FILE *f = size >= 0 ? Platform().OpenFile(cueFileName, "rb") : nullptr;
  if (f == nullptr) {
    ShowError("Unable to load Cue file.  An error has trying to open " + cueFileName + ".");
    return false;
  }
  if (size > kMaxCueFileBytes) {
    std::fclose(f);
    ShowError("Unable to load Cue file " + cueFileName + ".  At " + std::to_string(size) +
              " bytes it is too large to be a Cue file.");
    return false;
  }
  text.resize(static_cast<size_t>(size));
  text.resize(std::fread(&text[0], 1, text.size(), f));
  std::fclose(f);
  if (text.compare(0, sizeof kUtf16Le - 1, kUtf16Le) == 0 ||
      text.compare(0, sizeof kUtf16Be - 1, kUtf16Be) == 0) {
    ShowError("Unable to import the Cue file " + cueFileName +
              ".  It is written in UTF-16; save it as ANSI or UTF-8 text.");
    return false;
  }
  return true;
}

} // namespace

bool ImportCueSheet(const std::string &cueFileName, std::vector<TTrackList> &segments,
                    TMp3Sizer mp3Sizer) {
  segments.clear();
  std::string text;
  if (!ReadCueFile(cueFileName, text))
    return true;
  const std::string cueFolder =
      platform::IncludeTrailingBackslash(platform::ExtractFilePath(cueFileName));
  try {
    // Every segment is parsed before any image file is looked for, so a malformed sheet asks
    // nothing.
    const bool utf8 = text.compare(0, sizeof kUtf8Bom - 1, kUtf8Bom) == 0;
    std::vector<TCueFile> files = ParseCueSegments(ReadCueText(text));
    for (TCueFile &file : files) {
      TFoundFile found;
      if (!FindImageFile(file, cueFolder, utf8, found)) {
        segments.emplace_back(); // abandoned: the segment yields no tracks
        continue;
      }
      // The sheet's own text is no track: such a FILE line would record it as noise.
      if (Platform().SameFile(found.Path, cueFileName))
        throw ECueError("The FILE line " + file.Name + " names the Cue file itself.");
      found.Path = ExistingSpelling(found.Path);
      const TAudioContent content = MeasureContent(file, found, mp3Sizer);
      PlaceCueTracks(file, found.Path, content.Size);
      ShiftTracks(file, content.Offset);
      segments.push_back(std::move(file.Tracks));
    }
  } catch (const ECueError &e) {
    segments.clear();
    ShowError("Unable to import the Cue file " + cueFileName + ".  " + e.what());
    return true;
  }
  return false;
}

} // namespace layout
