// The loops all methods share: the cache thread's packet loop and the writer.
#include "applet/device/ASPIError.h"
#include "applet/device/MMC.h"
#include "applet/recording/RecordingThreads.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace recording {

namespace {
constexpr auto kWriterPoll = std::chrono::milliseconds(kStopPollMs);
} // namespace

TWriterThread::~TWriterThread() { WaitFor(); }

void TWriterThread::Execute() {
  Log("Executing");
  std::vector<uint8_t> buffer(setup_.Capacity);
  TWriteRequest packet;
  packet.Buffer = buffer.data();
  const auto stop = [this] { return status_.UserCancelled || status_.ReaderFailed; };
  const TWriterPlan &plan = setup_.Plan;
  int32_t written = 0;
  while (written < plan.Total) {
    bool taken = false;
    try {
      taken = cache_.Pop(packet, setup_.Capacity, stop);
    } catch (const ECacheError &) {
      Log("A critical error has occurred while trying to pop the cache");
      status_.WriterFailed = true;
      break;
    }
    if (!taken || stop())
      break;
    device::TCommandStatus result;
    if (device::Write10(setup_.Drive.HaId, setup_.Drive.Target, packet, &result)) {
      Log("Write Error @ Sector " + std::to_string(packet.Lba));
      Log(device::CommandStatusText(result));
      status_.WriterFailed = true;
      break;
    }
    written += static_cast<int32_t>(packet.SectorCount);
    written_ = written;
    status_.PostTotalProgress(RoundedPercent(plan.Before + written, plan.DisplayTotal),
                              setup_.TestWrite);
    status_.PostCacheProgress(cache_.PercentFull());
  }
  cache_.CloseConsumer();
  status_.SectorsWritten = plan.Before + written;
  // Once every sector has been sent, a cancel no longer stops anything: the flush (and the
  // session's close) finish the disc, and the recording is complete if they did.
  status_.AllSent = written >= plan.Total;
  Finish();
  status_.PostLog(TWorker::CacheThread, "Thread 2 has terminated");
  status_.WriterFinished = true;
}

// Flushes the recorder's cache and, after the last track-at-once track, closes the session.
void TWriterThread::Finish() {
  device::TCommandStatus result;
  Log("Synchronizing Cache");
  if (device::SyncCache(setup_.Drive.HaId, setup_.Drive.Target, &result)) {
    Log("Synchronize Cache Error occurred");
    Log(device::CommandStatusText(result));
  }
  if (!setup_.Plan.CloseSession || setup_.TestWrite || !status_.Written())
    return;
  Log("Closing Session");
  if (device::CloseSession(setup_.Drive.HaId, setup_.Drive.Target, &result)) {
    Log("Close Session Error occurred");
    Log(device::CommandStatusText(result));
    status_.WriterFailed = true;
  }
}

TCacheThread::TCacheThread(TRecordingSetup setup, TStatusForm &status, TPacketList &cache)
    : setup_(std::move(setup)), status_(status), cache_(cache), method_(CreateMethod(setup_)) {
  writerSetup_.Drive = setup_.Drive;
  writerSetup_.TestWrite = setup_.TestWrite;
  writerSetup_.Capacity = cache_.BlockSize();
}

TCacheThread::~TCacheThread() {
  writer_.reset();
  WaitFor();
}

bool TCacheThread::Stopped() const {
  return status_.UserCancelled || status_.WriterFailed || status_.WriterFinished;
}

void TCacheThread::LogSense(const device::TCommandStatus &status) {
  Log(device::CommandStatusText(status));
}

void TCacheThread::StartWriter() {
  writer_ = std::make_unique<TWriterThread>(writerSetup_, status_, cache_);
  writer_->Start();
}

bool TCacheThread::RunPhase(const TPhase &phase) {
  std::vector<uint8_t> buffer(static_cast<size_t>(phase.PerPacket) * phase.BlockBytes);
  TWriteRequest packet;
  packet.Buffer = buffer.data();
  const auto stop = [this] { return Stopped(); };
  for (int32_t built = 0; built < phase.Blocks && !Stopped();) {
    const int32_t n = std::min(phase.PerPacket, phase.Blocks - built);
    if (!phase.Build(buffer.data(), TPacketSpan{built, n, lba_}))
      return false;
    packet.Lba = lba_;
    packet.SectorCount = static_cast<uint32_t>(n);
    packet.BufferLength = static_cast<uint32_t>(n) * phase.BlockBytes;
    lba_ += n;
    built += n;
    const bool lastPacket = phase.Last && built == phase.Blocks;
    if (!writer_ && (cache_.Count() >= cache_.BlockCount() || lastPacket))
      StartWriter();
    try {
      if (!cache_.Snap(packet, stop))
        return true; // stopped: the phase ends early, the flags tell why
    } catch (const ECacheError &) {
      Log("A critical error has occurred while trying to snap the cache");
      (status_.*writerSetup_.Plan.StoreFailure) = true;
      return false;
    }
    status_.PostTrackProgress(RoundedPercent(phase.BarDone + built, phase.BarLength));
    status_.PostCacheProgress(cache_.PercentFull());
  }
  return true;
}

void TCacheThread::Execute() {
  Log(method_->ExecutingText());
  const bool trackExists =
      setup_.TrackIndex >= 0 && static_cast<size_t>(setup_.TrackIndex) < setup_.Tracks.size();
  if (!trackExists) {
    Log("There is no track to record");
    status_.ReaderFailed = true;
  } else if (std::optional<TWriterPlan> plan = method_->Prepare(*this)) {
    writerSetup_.Plan = *plan;
    lba_ = plan->FirstLba;
    method_->Build(*this);
  }
  cache_.CloseProducer();
  if (writer_) {
    while (!status_.WriterFinished)
      std::this_thread::sleep_for(kWriterPoll);
    writer_->WaitFor();
  } else {
    status_.AllSent = false;
  }
}

} // namespace recording
