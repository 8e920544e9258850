// One emulated device on the bus: a CD recorder, a CD reader or another device. It executes
// the SCSI/MMC commands of one request at a time (the caller serialises), keeps the tray,
// the medium, the write parameters and the faults, and journals every request.
#pragma once

#include "tools/virtual-recorder/Config.h"
#include "tools/virtual-recorder/Disc.h"
#include "tools/virtual-recorder/Journal.h"
#include "tools/virtual-recorder/ModePages.h"
#include "tools/virtual-recorder/Scsi.h"
#include "tools/virtual-recorder/WriteEngine.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vrec {

// Monotonic time in microseconds.
using TClock = std::function<uint64_t()>;
// Fetches the device's configuration again (when the medium can change); false when it
// could not be read, with a reason.
using TConfigReread = std::function<bool(TDeviceConfig &, std::string &)>;

// The data phase the caller declared for a request.
enum class TDirection { Any, In, Out, None };

class TRecorder {
public:
  TRecorder(const TDeviceConfig &config, TConfigReread reread, TClock clock);

  uint8_t Adapter() const { return config_.Adapter; }
  uint8_t Target() const { return config_.Target; }
  uint8_t PeripheralType() const;
  bool Async() const { return config_.Async; }
  const TDeviceConfig &Config() const { return config_; }
  const TDisc &Disc() const { return disc_; }
  bool TrayOpen() const { return trayOpen_; }
  bool HasMedium() const { return hasMedium_; }

  TResult Execute(const uint8_t *cdb, size_t cdbLength, uint8_t lun, TDirection direction,
                  uint8_t *buffer, uint32_t bufferLength);

private:
  struct TCommand;
  struct TRequest {
    const uint8_t *Cdb;
    TDirection Direction;
    uint8_t *Buffer;
    uint32_t BufferLength;
    std::string Summary;
  };

  void Apply(const TDeviceConfig &config, bool initial);
  void InsertMedium(bool changed);
  void RereadConfig();
  const TCommand *Find(uint8_t opcode) const;
  TResult Dispatch(TRequest &rq);
  TResult CheckReady();
  TResult TakeData(TRequest &rq, uint32_t needed, const uint8_t *&data);
  void DeliverData(const TRequest &rq, uint32_t allocation, TResult &r);
  // Pacing: the buffer drained up to now; true when it ran empty while a recording streamed.
  bool DrainBuffer();
  // Pacing: blocks taken into the buffer; the delay of the completion while it is over full.
  uint32_t FillBuffer(uint32_t blocks);
  std::string Outcome(const TResult &r) const;

  // Commands (RecorderCommands.cpp).
  TResult TestUnitReady(TRequest &rq);
  TResult Inquiry(TRequest &rq);
  TResult StartStopUnit(TRequest &rq);
  TResult ModeSense(TRequest &rq);
  TResult ModeSelect(TRequest &rq);
  TResult ReadToc(TRequest &rq);
  TResult ReadDiscInformation(TRequest &rq);
  TResult ReadTrackInformation(TRequest &rq);
  TResult SendOpc(TRequest &rq);
  TResult SetCdSpeed(TRequest &rq);
  TResult SendCueSheet(TRequest &rq);
  TResult Write(TRequest &rq);
  TResult SynchronizeCache(TRequest &rq);
  TResult CloseTrackSession(TRequest &rq);

  TDeviceConfig config_;
  TConfigReread reread_;
  TClock clock_;
  TJournal journal_;
  TDisc disc_;
  TWriteEngine engine_;
  TWriteParams params_;
  bool trayOpen_ = false;
  bool hasMedium_ = false;
  uint16_t readKbps_ = 0;
  uint16_t writeKbps_ = 0;
  // Faults: windows that open at the first request after they were armed.
  bool busyArmed_ = false;
  uint64_t busyUntil_ = 0;
  bool notReadyArmed_ = false;
  uint64_t notReadyUntil_ = 0;
  bool unitAttention_ = false;
  bool resetArmed_ = false; // fault.unit_attention_after_blocks has yet to strike
  TSense pendingAttention_;
  uint64_t blocksSinceLoad_ = 0;
  // Pacing: the drive's buffer fills with each write; once full (or at SYNCHRONIZE CACHE) the
  // drive writes from it at the configured speed. Running empty while a recording streams is
  // a buffer underrun.
  uint64_t paceFill_ = 0;
  uint64_t paceTime_ = 0;
  bool paceRunning_ = false;
  bool paceStreaming_ = false;
};

} // namespace vrec
