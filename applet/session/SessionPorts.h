// The narrow interfaces through which the session reaches its window, the application's
// message loop and the modules that other units provide (device layer, burn module, package
// staging, ending). The session owns none of them; start-up wires them together.
#pragma once

#include "applet/device/DriveData.h"
#include "applet/device/MMC.h"
#include "applet/package/UnitCompress.h"
#include "applet/recording/Status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace layout {
class TBurnHost;
} // namespace layout

namespace session {

// The main window as the session sees it. The memo text uses CR LF between lines.
class TMainView {
public:
  virtual ~TMainView() = default;
  // Appends one line at the end of the memo (embedded CR LF pairs make several lines).
  virtual void AddMemoLine(const std::string &line) = 0;
  virtual std::string MemoText() = 0;
  virtual void SetMemoText(const std::string &text) = 0;
  virtual void SetOkCaption(const std::string &caption) = 0;
  virtual void SetProgress(int value) = 0;
  virtual void SetTitle(const std::string &title) = 0;
  // The default system beep.
  virtual void Beep() = 0;
};

// The application around the window: its message loop and the process end.
class TApplicationPort {
public:
  virtual ~TApplicationPort() = default;
  // Handles the window messages (and main-thread calls) waiting now, then returns.
  virtual void ProcessMessages() = 0;
  // Sleeps until a message arrives or ms milliseconds have passed, without spinning.
  virtual void WaitForMessages(uint32_t ms) = 0;
  // True once the application has been told to terminate.
  virtual bool Terminated() = 0;
  virtual void Terminate() = 0;
  // Ends the process at once with the exit code; no further events run.
  [[noreturn]] virtual void Halt(int exitCode) = 0;
};

// What the session reads of a recorder found by drive discovery: the device layer copies these
// fields from each TDriveData record of its recorders list.
struct TRecorderInfo {
  uint8_t HaId = 0;
  uint8_t Target = 0;
  std::string Vendor;
  std::string Product;
  std::string Revision;
  bool CanSAO = false;
  bool CanRaw = false;
  bool CanTAO = false;
  device::TDriveData Drive; // the whole record, handed to the burn module
};

using device::TStartStopAction;

// The device layer: the ASPI-loaded flag, the recorder list built at start-up, and the three
// drive commands the session sends itself, each on the recorder's HaId and Target with the
// device layer's own retry rules. Commands return true on failure, like every device
// operation; they run on the main thread while no recording thread talks to the drive.
// CreateDeviceLayer (Modules.h) hands out the implementation.
class TDevicePort {
public:
  virtual ~TDevicePort() = default;
  virtual bool AspiLoaded() = 0;
  // The recorders in discovery order; the session uses the first.
  virtual std::vector<TRecorderInfo> Recorders() = 0;
  virtual bool TestUnitReady(const TRecorderInfo &recorder) = 0;
  virtual bool StartStopUnit(const TRecorderInfo &recorder, TStartStopAction action) = 0;
  // READ TOC in its full-TOC form (legacy form, number 0) into a zeroed 1024-byte buffer.
  virtual bool ReadTocFull(const TRecorderInfo &recorder) = 0;
  // The route requests take ("ASPI (wnaspi32.dll)", "SCSI pass-through"), or "".
  virtual std::string RouteText() { return std::string(); }
  // No route loaded, and CD drives exist that the system refused to open.
  virtual bool DrivesDenied() { return false; }
  // Asks for or gives up exclusive use of the recorder while it records, where the route
  // offers it.
  virtual void SetExclusiveAccess(const TRecorderInfo &, bool) {}
};

// The burn module. The start operations import the staged tracks, prepare the recorder and
// start the recording threads, then return at once; each returns true when nothing was
// started (the cache and decoder are then released). When the last recording thread has
// ended, the burn module calls the host's RecordingFinished on the main thread. The host is
// the burn module's own interface (layout::TBurnHost), which the session implements.
class TBurnPort {
public:
  virtual ~TBurnPort() = default;
  virtual void SetHost(layout::TBurnHost *host) = 0;
  virtual void SetTestWrite(bool testWrite) = 0;
  // The recorder the start operations record on.
  virtual void SetRecorder(const device::TDriveData &recorder) = 0;
  // The staged package holds at least one track to record.
  virtual bool HasTracks() { return true; }
  virtual bool StartSaoRecording() = 0;
  virtual bool StartDaoRecording() = 0;
  virtual bool StartTaoRecording() = 0;
  // Raises the recording's UserCancelled flag and waits (a bounded time) for its threads to
  // end; the session counts the failure itself.
  virtual void CancelRecording() = 0;
  // The recording that ended did not write all it had to, or a flag is set.
  virtual bool RecordingFailed() = 0;
  // Releases the sector cache of the ended recording.
  virtual void ReleaseCache() = 0;
  // Unloads the MP3 decoder library if it is loaded.
  virtual void UnloadDecoder() = 0;
  // The recording's status: its flags and its log.
  virtual recording::TStatusForm &Status() = 0;
};

// What package staging asks of the main window during an ordinary run; the package module
// defines it.
using TStagingHost = package::TStagingHost;

// The package module. DispatchPackageMode runs the job of the first package switch present
// and returns true, or stages the package for a session and returns false (true when the
// space check failed). host is null when start-up runs a switch job without a main window.
class TStagingPort {
public:
  virtual ~TStagingPort() = default;
  virtual bool DispatchPackageMode(TStagingHost *host) = 0;
  // The exit code of a switch run: 0, or 1 when its job failed or left out a listed file.
  virtual int JobExitCode() const { return 0; }
  // Why the ordinary staging could not write its files, as one memo line; "" when it did.
  virtual std::string StagingFailure() const { return std::string(); }
};

// The write methods of the device layer; their codes pick the statistics counter of an outcome.
using device::Dao;
using device::Sao;
using device::Tao;
using device::TWriteMethod;

// Outcomes by write method, kept for the user across runs. Counters wrap as signed 32-bit.
struct TMethodStatistics {
  bool AINmatters = false;
  int32_t Success[3] = {0, 0, 0}; // indexed by TWriteMethod
  int32_t Fail[3] = {0, 0, 0};
};

// Raises the success or the failure counter of method by 1 (defined with the statistics store).
void CountOutcome(TMethodStatistics &statistics, TWriteMethod method, bool success);

// The ending of a run: statistics storage, the result report and help pages, and the clean-up
// of the working files.
class TEndingPort {
public:
  virtual ~TEndingPort() = default;
  virtual void LoadStatistics(TMethodStatistics &statistics) = 0;
  virtual void SaveStatistics(const TMethodStatistics &statistics) = 0;
  // Called only while the machine reports a connection.
  virtual void ReportResult(int resultCode) = 0;
  virtual void OpenHelpPage() = 0;
  virtual void OpenAspiHelpPage() = 0;
  // Removes the staged files; with selfRemoval also starts the batch that deletes the applet.
  virtual void CleanUp(bool selfRemoval) = 0;
};

} // namespace session
