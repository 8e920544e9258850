// The recording threads. Every method runs one cache thread, which prepares the recorder and
// builds the blocks of each phase into the sector cache, and one writer, which takes them out
// in order and sends each packet with one WRITE(10). The packet loop and the writer loop are
// shared; a method (TRecordingMethod) only prepares the recorder, lists its phases and builds
// a phase's blocks:
//
//   DAO  raw 2368-byte blocks with P-Q sub-channel: lead-in, pauses, tracks, lead-out
//   SAO  a cue sheet, then plain sectors of each track's size: pregaps and tracks
//   TAO  one track per thread pair, in the track's data block format
//
// Workers report through the status record: posted log lines ("Thread1: ", "Thread2: "),
// labels and bars, and its flags. No call here waits for the main thread.
#pragma once

#include "applet/device/CommandStatus.h"
#include "applet/device/DriveData.h"
#include "applet/platform/Thread.h"
#include "applet/recording/Cache.h"
#include "applet/recording/Status.h"
#include "applet/recording/TrackImageData.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace recording {

// What a start operation hands its cache thread (copies; the layout is not read afterwards).
struct TRecordingSetup {
  device::TWriteMethod Method = device::Sao;
  device::TDriveData Drive;
  bool TestWrite = false;
  bool MultiSession = false;
  device::TDiscType DiscType = device::TDiscType::DaOrRom;
  std::vector<TTrackImageData> Tracks;
  std::vector<uint8_t> Table;       // DAO: lead-in table; SAO: cue sheet
  std::vector<uint8_t> CdTextPacks; // SAO: 18-byte CD-TEXT packs for the lead-in, or none
  // TAO: the track of this thread pair, the data sectors of all tracks, and those written
  // before this track.
  int32_t TrackIndex = 0;
  int32_t DiscTotal = 0;
  int32_t SectorsBefore = 0;
};

// Plausible lead-in starts of a blank disc (READ DISC INFORMATION).
constexpr int32_t kLatestLeadInStart = -151;
constexpr int32_t kEarliestLeadInStart = -45000;
// DAO packets: 27 blocks of 2368 bytes.
constexpr int32_t kDaoPacketBlocks = 27;

class TCacheThread;

// The blocks of one packet: the phase's blocks First to First + Count - 1, the first at Lba.
struct TPacketSpan {
  int32_t First = 0;
  int32_t Count = 0;
  int32_t Lba = 0;
};

// One phase of the packet loop: Blocks blocks of BlockBytes bytes, PerPacket to a packet. The
// track bar shows (BarDone + built) / BarLength.
struct TPhase {
  int32_t Blocks = 0;
  int32_t PerPacket = 1;
  uint32_t BlockBytes = 0;
  int32_t BarDone = 0;
  int32_t BarLength = 0;
  bool Last = false; // the recording's last phase: its last packet starts the writer
  // Builds the span's blocks into packet; false when the phase failed (the builder has logged
  // why).
  std::function<bool(uint8_t *packet, const TPacketSpan &span)> Build;
};

// What a method's preparation plans for its thread pair.
struct TWriterPlan {
  int32_t FirstLba = 0;      // the address of the first block built
  int32_t Total = 0;         // sectors the writer sends
  int32_t Before = 0;        // sectors earlier writers sent (TAO): the running total starts here
  int32_t DisplayTotal = 0;  // the total bar's 100 %
  bool CloseSession = false; // close the session after the flush (TAO's last track)
  // The flag a failed store into the sector cache raises.
  std::atomic<bool> TStatusForm::*StoreFailure = &TStatusForm::ReaderFailed;
};

// What the writer is given.
struct TWriterSetup {
  device::TDriveData Drive;
  bool TestWrite = false;
  uint32_t Capacity = 0; // bytes of its packet buffer (the cache's block size)
  TWriterPlan Plan;
};

class TRecordingMethod {
public:
  virtual ~TRecordingMethod() = default;
  virtual const char *ExecutingText() const { return "Executing"; }
  // The set-up commands and the writer's plan; nothing when a command failed (logged, flag
  // raised).
  virtual std::optional<TWriterPlan> Prepare(TCacheThread &thread) = 0;
  // Builds every phase through thread.RunPhase; returns when done, failed or stopped.
  virtual void Build(TCacheThread &thread) = 0;
};

std::unique_ptr<TRecordingMethod> CreateMethod(const TRecordingSetup &setup);

class TWriterThread : public platform::TThread {
public:
  TWriterThread(TWriterSetup setup, TStatusForm &status, TPacketList &cache)
      : setup_(std::move(setup)), status_(status), cache_(cache) {}
  ~TWriterThread() override;
  int32_t Written() const { return written_; }

protected:
  void Execute() override;

private:
  void Log(const std::string &text) { status_.PostLog(TWorker::Writer, text); }
  void Finish();

  TWriterSetup setup_;
  TStatusForm &status_;
  TPacketList &cache_;
  std::atomic<int32_t> written_{0};
};

class TCacheThread : public platform::TThread {
public:
  TCacheThread(TRecordingSetup setup, TStatusForm &status, TPacketList &cache);
  ~TCacheThread() override;

  const TRecordingSetup &Setup() const { return setup_; }
  TStatusForm &Status() { return status_; }
  TPacketList &Cache() { return cache_; }

  // For the methods.
  void Log(const std::string &text) { status_.PostLog(TWorker::CacheThread, text); }
  void LogSense(const device::TCommandStatus &status);
  void Label(const std::string &text) { status_.PostTrackLabel(text); }
  // UserCancelled, WriterFailed or WriterFinished: build no more.
  bool Stopped() const;
  // The shared packet loop; false when the phase failed.
  bool RunPhase(const TPhase &phase);

protected:
  void Execute() override;

private:
  void StartWriter();

  TRecordingSetup setup_;
  TStatusForm &status_;
  TPacketList &cache_;
  std::unique_ptr<TRecordingMethod> method_;
  TWriterSetup writerSetup_;
  int32_t lba_ = 0; // of the next block built
  std::unique_ptr<TWriterThread> writer_;
};

} // namespace recording
