// The burn module's recordings: the three start operations, the next track-at-once track,
// the completion handler and the cancel.
#include "applet/device/CdUnits.h"
#include "applet/device/MMC.h"
#include "applet/layout/UnitBurn.h"
#include "applet/platform/Dispatcher.h"
#include "applet/platform/Platform.h"
#include "applet/recording/Cache.h"
#include "applet/recording/TrackSource.h"
#include "applet/recording/XAudio.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace layout {

namespace {

constexpr uint32_t kCancelPollMs = 10;
constexpr int32_t kFirstLba = -device::kLbaOffset;

} // namespace

long TrackNumberOf(const std::string &path) {
  const std::string name = platform::ExtractFileName(path);
  const size_t dash = name.find('-');
  if (dash == std::string::npos)
    return -1;
  long n = 0;
  size_t i = dash + 1;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && n < 1000000; ++i)
    n = n * 10 + (name[i] - '0');
  return i == dash + 1 ? -1 : n;
}

namespace {

// "minutes:seconds" from LBA -150 to lba, the seconds rounded up.
std::string PlayingTime(int32_t lba) {
  const int32_t seconds =
      (lba - kFirstLba + device::kFramesPerSecond - 1) / device::kFramesPerSecond;
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

} // namespace

void SortByTrackNumber(std::vector<std::string> &paths) {
  std::stable_sort(paths.begin(), paths.end(), [](const std::string &a, const std::string &b) {
    return TrackNumberOf(a) < TrackNumberOf(b);
  });
}

void TBurnDataModule::FailStart(const std::string &line) {
  if (!line.empty() && Host)
    Host->ReportLine(line);
  ReleaseRecording();
}

void TBurnDataModule::ReleaseRecording() {
  if (ActiveThread)
    return;
  recording::FreeCurrentCache();
  recording::UnbindDecoder();
}

bool TBurnDataModule::PrepareStart(device::TWriteMethod method) {
  method_ = method;
  cancelling_ = false;
  discFinished_ = false;
  Status.BeginRecording();
  Status.Display = Host;
  Layout->Clear();
  recording::BindDecoder();
  std::vector<std::string> names = ExplicitTracks;
  if (names.empty()) {
    names = FindPackageTracks();
    SortByTrackNumber(names);
  }
  if (!recording::DecoderBound() && std::any_of(names.begin(), names.end(), recording::IsMp3File)) {
    // No MP3 of the album can be measured or decoded: it is not recorded at all.
    FailStart(std::string("*** Error - The MP3 decoder library ") +
              recording::DecoderLibraryFile() + " could not be loaded. Nothing was recorded.");
    return false;
  }
  // Measuring keeps the window alive, within a file too; a cancel there unbinds the decoder.
  if (Host)
    recording::SetMeasurePump([](void *host) { static_cast<TBurnHost *>(host)->ProcessMessages(); },
                              Host);
  if (ExplicitTracks.empty()) {
    if (!ImportAlbum(names))
      return false;
  } else {
    // Files named to be recorded are recorded whole or not at all. A file that added nothing
    // has been named by its import's box; a cue sheet that yielded less than it names (or no
    // FILE line at all) is named here.
    for (const std::string &name : names) {
      if (Status.UserCancelled)
        break;
      const bool none = ImportTrackFile(name);
      if (none || LastImportPartial) {
        recording::SetMeasurePump(nullptr, nullptr);
        Layout->Clear();
        FailStart(
            none ? "" : "*** Error - " + name + " was not imported in full. Nothing was recorded.");
        return false;
      }
    }
  }
  recording::SetMeasurePump(nullptr, nullptr);
  if (Status.UserCancelled)
    Layout->Clear(); // cancelled while measuring: nothing is recorded
  if (Layout->Count() == 0) {
    FailStart("");
    return false;
  }
  ExtendShortTracks();
  const uint8_t ha = Recorder.HaId, target = Recorder.Target;
  device::TestUnitReady(ha, target);
  const uint16_t writeSpeed = method == device::Dao         ? kDaoWriteSpeed
                              : Recorder.MaxWriteSpeed != 0 ? Recorder.MaxWriteSpeed
                                                            : device::kSpeedMax;
  device::SetCDSpeed(ha, target, device::kSpeedMax, writeSpeed);
  device::SendOPC(ha, target);
  return true;
}

std::string TBurnDataModule::TrackLabel(const std::string &path) {
  const std::string title = Host ? Host->TrackTitle(TrackNumberOf(path)) : std::string();
  return title.empty() ? platform::ExtractFileName(path) : "\"" + title + "\"";
}

bool TBurnDataModule::ImportAlbum(const std::vector<std::string> &names) {
  ImportBoxes = false;
  for (const std::string &name : names) {
    const bool refused = ImportTrackFile(platform::LowerAscii(name));
    if (Host)
      Host->ProcessMessages(); // measuring an MP3 takes a while: keep the window alive
    if (refused) {
      ImportBoxes = true;
      Layout->Clear();
      FailStart("*** Error - " + TrackLabel(name) + " cannot be recorded. " + LastImportRefusal +
                " Nothing was recorded.");
      return false;
    }
  }
  ImportBoxes = true;
  return true;
}

// A CD track lasts at least kMinTrackSectors: a shorter audio file is recorded with silence
// after it (reads past a file's end give zeros). Tracks of a cue sheet keep their layout.
void TBurnDataModule::ExtendShortTracks() {
  for (int row = 0; row < Layout->Count(); ++row) {
    TTrackImageData &t = Layout->Track(row);
    if (t.Mode != TTrackMode::Audio || !t.FileType.empty() || t.Sectors >= kMinTrackSectors)
      continue;
    char seconds[16];
    std::snprintf(seconds, sizeof seconds, "%.2f", t.Sectors / double{device::kFramesPerSecond});
    Status.LogLine("Track " + std::to_string(row + 1) + " (" +
                   platform::ExtractFileName(t.FileName) + ") lasts " + seconds +
                   " s; silence extends it to 4 s [" + std::to_string(kMinTrackSectors) +
                   " Sectors]");
    const int32_t last = t.UsedIndexes() - 1;
    if (last >= 0)
      t.Indexes[last].Length += kMinTrackSectors - t.Sectors;
    t.Sectors = kMinTrackSectors;
  }
  Layout->Normalise();
}

// An album is refused before anything is written when its lead-out would lie beyond the
// disc's last possible lead-out start.
bool TBurnDataModule::FitsOnDisc() {
  device::TDiscInfo info;
  if (device::ReadDiscInfo(Recorder.HaId, Recorder.Target, info) ||
      info.LastPossibleLeadOutStart <= 0)
    return true; // the cache thread reports an unreadable disc
  int32_t leadOut = kFirstLba;
  if (method_ == device::Tao) {
    leadOut = 0;
    for (const TTrackImageData *t : Layout->Tracks())
      leadOut += t->Sectors - (t->Index0InFile ? t->Indexes[0].Length : 0) + device::kTaoTrackGap;
    leadOut -= device::kTaoTrackGap;
  } else {
    for (const TTrackImageData *t : Layout->Tracks())
      leadOut += t->Pregap + t->Sectors;
  }
  if (leadOut <= info.LastPossibleLeadOutStart)
    return true;
  FailStart("*** Error - This album needs " + PlayingTime(leadOut) +
            " minutes but the blank CD holds only " + PlayingTime(info.LastPossibleLeadOutStart) +
            " minutes. Nothing was recorded.");
  return false;
}

recording::TRecordingSetup TBurnDataModule::BaseSetup(device::TWriteMethod method) const {
  recording::TRecordingSetup setup;
  setup.Method = method;
  setup.Drive = Recorder;
  setup.TestWrite = TestWrite;
  setup.MultiSession = false;
  setup.DiscType = Layout->DiscType();
  for (const TTrackImageData *t : Layout->Tracks())
    setup.Tracks.push_back(*t);
  return setup;
}

void TBurnDataModule::StartThread(recording::TRecordingSetup setup) {
  recording::TPacketList *cache = recording::CurrentCache();
  cache->Open();
  ActiveThread = std::make_unique<recording::TCacheThread>(std::move(setup), Status, *cache);
  ActiveThread->OnTerminate = [this](platform::TThread *) { RecordingFinished(); };
  ActiveThread->Start();
}

bool TBurnDataModule::StartDaoRecording() {
  if (!PrepareStart(device::Dao) || !FitsOnDisc())
    return true;
  std::string error;
  if (BuildLeadInTable(error)) {
    FailStart("*** Error - " + error);
    return true;
  }
  recording::CreateCurrentCache(recording::kDaoCacheSize);
  recording::TRecordingSetup setup = BaseSetup(device::Dao);
  setup.Table.assign(LeadInTable.begin(), LeadInTable.begin() + LeadInTableLength);
  StartThread(std::move(setup));
  return false;
}

bool TBurnDataModule::StartSaoRecording() {
  if (!PrepareStart(device::Sao) || !FitsOnDisc())
    return true;
  std::string error;
  if (BuildCueSheet(error)) {
    FailStart("*** Error - " + error);
    return true;
  }
  recording::CreateCurrentCache(recording::kSaoCacheSize);
  recording::TRecordingSetup setup = BaseSetup(device::Sao);
  setup.Table.assign(CueSheet.begin(), CueSheet.begin() + CueSheetLength);
  setup.CdTextPacks = AlbumTextPacks();
  StartThread(std::move(setup));
  return false;
}

bool TBurnDataModule::StartTaoRecording() {
  if (!PrepareStart(device::Tao) || !FitsOnDisc())
    return true;
  recording::CreateCurrentCache(recording::kTaoCacheSize);
  NextTaoTrack = 0;
  return StartNextTaoTrack();
}

bool TBurnDataModule::StartNextTaoTrack() {
  const int row = NextTaoTrack++;
  if (row < 0 || row >= Layout->Count())
    return true;
  recording::TRecordingSetup setup = BaseSetup(device::Tao);
  setup.TrackIndex = row;
  setup.DiscTotal = Layout->DataSectors();
  setup.SectorsBefore = Status.SectorsWritten;
  StartThread(std::move(setup));
  return false;
}

bool TBurnDataModule::RecordingSucceeded() const {
  return Status.Written() && (!Status.UserCancelled || discFinished_);
}

void TBurnDataModule::RecordingFinished() {
  if (cancelling_)
    return; // CancelRecording ends the recording itself
  if (method_ == device::Tao && RecordingSucceeded() && NextTaoTrack < Layout->Count() &&
      !StartNextTaoTrack())
    return;
  ActiveThread.reset();
  LogPeakMemory();
  recording::FreeCurrentCache();
  if (Host)
    Host->RecordingFinished();
}

// The process's peak private bytes, taken while the cache is still allocated (under Wine the
// peak is the value at the time of the call).
void TBurnDataModule::LogPeakMemory() {
  const uint64_t peak = platform::Platform().ProcessMemory().PeakPrivateBytes;
  if (peak > 0)
    Status.LogLine("Peak private bytes: " + std::to_string(peak / 1024) + " KB");
}

// Runs the dispatcher until the recording threads have ended or ms have passed; true when
// they have ended.
bool TBurnDataModule::WaitForThreads(uint32_t ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!ActiveThread->Finished() && std::chrono::steady_clock::now() < deadline) {
    platform::TMainThread::ProcessPending();
    platform::TMainThread::WaitPending(kCancelPollMs);
  }
  return ActiveThread->Finished();
}

void TBurnDataModule::CancelRecording() {
  Status.UserCancelled = true;
  if (!ActiveThread) {
    ReleaseRecording();
    return;
  }
  cancelling_ = true;
  if (!WaitForThreads(kCancelWaitMs)) {
    // Threads that stop this late are in the recorder's flush, which no cancel shortens; the
    // decoder is unloaded once they have ended.
    Status.LogLine("Waiting for the recorder to finish its last command");
    if (!WaitForThreads(kFlushWaitMs))
      return; // the decoder stays loaded; the process end takes the threads with it
  }
  // A cancel that came once every sector had been sent did not stop the last track: if the
  // recorder then finished the disc, the recording succeeded.
  discFinished_ = Status.Written() && (method_ != device::Tao || NextTaoTrack >= Layout->Count());
  ActiveThread.reset();
  ReleaseRecording();
  Layout->Clear();
}

} // namespace layout
