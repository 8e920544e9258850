// The burn module's model part: it owns the disc layout, turns files into tracks and builds the
// tables that a disc-at-once or session-at-once recording hands to the recorder. Every box and
// question goes through the platform layer.
#pragma once

#include "applet/common/WorkingNames.h"
#include "applet/device/DriveData.h"
#include "applet/layout/CdText.h"
#include "applet/layout/Cue.h"
#include "applet/layout/LayoutListView.h"
#include "applet/layout/TrackImageData.h"
#include "applet/recording/RecordingThreads.h"
#include "applet/recording/Status.h"
#include "applet/recording/TrackSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace layout {

// A sizer with no decoder: MP3 imports are refused.
bool NoMp3Decoder(const std::string &fileName, int64_t &decodedBytes, uint32_t &sampleRate);
// The bound decoder library's measuring pass; refuses while no library is bound.
bool DecoderMp3Sizer(const std::string &fileName, int64_t &decodedBytes, uint32_t &sampleRate);

// The name pattern of the package's numbered tracks in the applet's folder.
constexpr const char *kPackageTrackPattern = common::kTrackNamePattern;

// Sorts track paths by the number in their names (QlnT-2 before QlnT-10), stably.
void SortByTrackNumber(std::vector<std::string> &paths);
// The number after the "-" in a track's file name (QlnT-7.mp3: 7); -1 when there is none.
long TrackNumberOf(const std::string &path);

// What a recording needs from the program around the burn module (main thread).
class TBurnHost : public recording::TRecordingDisplay {
public:
  // The last recording thread has ended (the outcome is in the module's status record).
  virtual void RecordingFinished() = 0;
  // A line of ours for the person (no box): a missing decoder, an album that does not fit.
  virtual void ReportLine(const std::string &line) = 0;
  // Handles waiting window messages (while the files are measured at a start).
  virtual void ProcessMessages() = 0;
  // The title of the package's track number n (its liner notes), or "" when there is none.
  virtual std::string TrackTitle(long n) {
    static_cast<void>(n);
    return {};
  }
  // Session-at-once: the CD-TEXT to record, false for none. Track titles left empty are the
  // package's (TrackTitle of each track's number, without a trailing duration), track
  // performers left empty the disc's.
  virtual bool AlbumText(TCdText &text) {
    static_cast<void>(text);
    return false;
  }
};

// How long CancelRecording waits for the threads; threads still in the recorder's flush then
// get kFlushWaitMs more before they are left to the process end.
constexpr uint32_t kCancelWaitMs = 5000;
constexpr uint32_t kFlushWaitMs = 180000;
// The shortest track a CD may hold: 4 s.
constexpr int32_t kMinTrackSectors = 300;
// The DAO write speed (2x) in kB/s.
constexpr uint16_t kDaoWriteSpeed = 352;

class TBurnDataModule {
public:
  TBurnDataModule();
  ~TBurnDataModule();
  TBurnDataModule(const TBurnDataModule &) = delete;
  TBurnDataModule &operator=(const TBurnDataModule &) = delete;

  // Creation and destruction handlers (run by the constructor and destructor).
  void DataModuleCreate();
  void DataModuleDestroy();

  // Imports one file as a track, or a cue sheet as many; true when nothing was added.
  // LastImportPartial tells whether a cue sheet yielded less than it names (a FILE segment
  // without tracks, or no FILE line at all).
  bool ImportTrackFile(const std::string &fileName);
  bool LastImportPartial = false;
  // Why the last single file was refused (one sentence, without the file's name).
  std::string LastImportRefusal;
  // Refusals of single files are shown in boxes; a start that reports them itself turns this off.
  bool ImportBoxes = true;
  // Imports each name, lower-cased, in order; failures are reported per file and skipped.
  void ImportTrackList(const std::vector<std::string> &names);
  // Full paths of the package's track files in the applet's folder, in directory order.
  std::vector<std::string> FindPackageTracks() const;

  // Build LeadInTable or CueSheet from the layout; true on failure with the message in error.
  bool BuildLeadInTable(std::string &error);
  bool BuildCueSheet(std::string &error);

  // Recording. Each start returns true when nothing was started (the reason has been logged
  // or reported); the cache and the decoder are then already released.
  bool StartDaoRecording();
  bool StartSaoRecording();
  bool StartTaoRecording();
  // Starts the next track-at-once track's thread pair; true when none is left (nothing started).
  bool StartNextTaoTrack();
  // Termination handler of every cache thread (main thread).
  void RecordingFinished();
  // Raises UserCancelled and waits, running the dispatcher, until the threads have ended
  // (at most kCancelWaitMs, then kFlushWaitMs more); then frees the cache, unloads the decoder
  // and clears the layout.
  void CancelRecording();
  // Success: the last writer wrote all it was given and no failure flag is set; a cancel that
  // came after the last track's sectors had all been sent does not undo a finished disc.
  bool RecordingSucceeded() const;
  bool Recording() const { return ActiveThread != nullptr; }
  // Frees the cache and unloads the decoder unless a recording thread still runs.
  void ReleaseRecording();

  recording::TStatusForm Status;
  // Files to record instead of the package's tracks (imported as given, in this order); one
  // that is not imported in full refuses the recording with a line that names it.
  std::vector<std::string> ExplicitTracks;
  std::unique_ptr<recording::TCacheThread> ActiveThread;
  TBurnHost *Host = nullptr;

  bool TestWrite = true;
  TMp3Sizer Mp3Sizer = DecoderMp3Sizer;
  // The recorder to record on: the session hands over its copy before a start.
  void SetRecorder(const device::TDriveData &recorder) { Recorder = recorder; }
  device::TDriveData Recorder; // empty until SetRecorder
  std::unique_ptr<TLayoutListView> Layout;
  std::vector<uint8_t> LeadInTable;
  int32_t LeadInTableLength = 0;
  std::vector<uint8_t> CueSheet;
  int32_t CueSheetLength = 0;
  int32_t BuildPosition = 0; // bytes written by the last table build
  int32_t BuildLba = 0;      // its running address at the end: the lead-out start
  int32_t NextTaoTrack = 0;

private:
  // The shared first steps of a start; false when there is nothing to record.
  bool PrepareStart(device::TWriteMethod method);
  bool FitsOnDisc();
  void ExtendShortTracks();
  void FailStart(const std::string &line);
  void LogPeakMemory();
  void StartThread(recording::TRecordingSetup setup);
  recording::TRecordingSetup BaseSetup(device::TWriteMethod method) const;
  // The CD-TEXT packs of the host's album text for the layout's tracks; none without.
  std::vector<uint8_t> AlbumTextPacks();

  device::TWriteMethod method_ = device::TWriteMethod::Sao;
  bool cancelling_ = false;
  bool discFinished_ = false; // a cancel came after the disc had been finished
  bool WaitForThreads(uint32_t ms);

  // Imports the package's tracks; any refused track refuses the album with one line that names
  // it. False when nothing is to be recorded.
  bool ImportAlbum(const std::vector<std::string> &names);
  // A package track as the person knows it: its liner-notes title, else its file name.
  std::string TrackLabel(const std::string &path);
  bool Refuse(const std::string &box, const std::string &reason);
  bool ImportCue(const std::string &fileName);
  bool FillSingleFileTrack(const std::string &fileName, recording::TInputKind kind,
                           int64_t fileSize, TTrackImageData &t);
};

} // namespace layout
