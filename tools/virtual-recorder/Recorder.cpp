#include "tools/virtual-recorder/Recorder.h"

#include "tools/virtual-recorder/AspiLayout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vrec {

namespace {

constexpr uint8_t kTypeCdDevice = 0x05;
constexpr uint8_t kTypeDisk = 0x00;
constexpr uint64_t kMicrosPerMs = 1000;
constexpr uint64_t kMicrosPerSecond = 1000000;
constexpr uint64_t kBytesPerSpeedX = 176400;
constexpr uint64_t kBytesPerKb = 1024;
constexpr uint64_t kSectorBytes = 2352;

enum : uint8_t { kForRecorder = 1, kForReader = 2, kForOther = 4 };
constexpr uint8_t kForCd = kForRecorder | kForReader;
constexpr uint8_t kForAll = kForCd | kForOther;

uint8_t KindBit(TDeviceKind k) {
  return k == TDeviceKind::Recorder ? kForRecorder
         : k == TDeviceKind::Reader ? kForReader
                                    : kForOther;
}

// The CDB length of an operation code's group; 0 for groups the recorder has no command in.
size_t CdbLengthOfGroup(uint8_t opcode) {
  switch (opcode >> 5) {
  case 0:
    return 6;
  case 1:
  case 2:
    return 10;
  case 5:
    return 12;
  default:
    return 0;
  }
}

const char *MediumName(TMediumKind m) {
  return m == TMediumKind::Blank ? "blank" : m == TMediumKind::Audio ? "audio" : "none";
}

} // namespace

struct TRecorder::TCommand {
  uint8_t Opcode;
  const char *Name;
  TResult (TRecorder::*Run)(TRequest &);
  uint8_t Kinds;
  bool NeedsMedium;
};

TRecorder::TRecorder(const TDeviceConfig &config, TConfigReread reread, TClock clock)
    : reread_(std::move(reread)), clock_(std::move(clock)), engine_(disc_, journal_) {
  Apply(config, true);
}

uint8_t TRecorder::PeripheralType() const {
  return config_.Kind == TDeviceKind::Other ? kTypeDisk : kTypeCdDevice;
}

void TRecorder::Apply(const TDeviceConfig &config, bool initial) {
  if (!initial)
    engine_.Interrupt("a change of disc");
  config_ = config;
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%u:%u ", unsigned{config.Adapter}, unsigned{config.Target});
  if (!journal_.Open(config.JournalPath, prefix))
    std::fprintf(stderr, "virtual-recorder: cannot open the journal %s\n",
                 config.JournalPath.c_str());
  engine_.Reset();
  engine_.Configure(config.ImageStem, config.Faults, config.CdText);
  params_ = DefaultWriteParams(config_);
  readKbps_ = config.MaxReadKbps;
  writeKbps_ = config.MaxWriteKbps;
  trayOpen_ = config.TrayOpen;
  hasMedium_ = config.Medium != TMediumKind::None;
  disc_ = config.Medium == TMediumKind::Audio ? TDisc::Pressed(config.AudioTracks) : TDisc::Blank();
  busyArmed_ = config.Faults.BusyMs > 0;
  busyUntil_ = 0;
  unitAttention_ = false;
  resetArmed_ = config.Faults.ResetMidRecording;
  if (config.Faults.UnitAttention) {
    unitAttention_ = true;
    pendingAttention_ = {sense::kUnitAttentionKey, config.Faults.UnitAttentionAsc,
                         config.Faults.UnitAttentionAscq};
  }
  InsertMedium(!initial);
  journal_.Note(std::string(initial ? "configured: " : "configuration changed, new disc: ") +
                config.Vendor + " " + config.Product + " " + config.Revision + ", medium " +
                MediumName(config.Medium) + ", tray " + (trayOpen_ ? "open" : "closed"));
}

void TRecorder::InsertMedium(bool changed) {
  blocksSinceLoad_ = 0;
  paceFill_ = 0;
  paceRunning_ = false;
  paceStreaming_ = false;
  notReadyArmed_ = config_.Faults.NotReadyForever || config_.Faults.NotReadyMs > 0;
  notReadyUntil_ = 0;
  if (changed && hasMedium_ && !trayOpen_ && config_.MediumChangeAttention && !unitAttention_) {
    unitAttention_ = true;
    pendingAttention_ = sense::kMediumMayHaveChanged;
  }
}

void TRecorder::RereadConfig() {
  TDeviceConfig fresh;
  std::string error;
  if (!reread_)
    return;
  if (!reread_(fresh, error)) {
    journal_.Note("configuration not re-read: " + error);
    return;
  }
  if (fresh.SectionText == config_.SectionText)
    return;
  if (fresh.Adapter != config_.Adapter || fresh.Target != config_.Target) {
    journal_.Note("adapter and target cannot change while the bus is in use; kept");
    fresh.Adapter = config_.Adapter;
    fresh.Target = config_.Target;
  }
  Apply(fresh, false);
}

const TRecorder::TCommand *TRecorder::Find(uint8_t opcode) const {
  static const TCommand kCommands[] = {
      {op::kTestUnitReady, "TEST UNIT READY", &TRecorder::TestUnitReady, kForAll, false},
      {op::kInquiry, "INQUIRY", &TRecorder::Inquiry, kForAll, false},
      {op::kStartStopUnit, "START STOP UNIT", &TRecorder::StartStopUnit, kForCd, false},
      {op::kWrite10, "WRITE(10)", &TRecorder::Write, kForRecorder, true},
      {op::kSynchronizeCache, "SYNCHRONIZE CACHE", &TRecorder::SynchronizeCache, kForRecorder,
       true},
      {op::kReadToc, "READ TOC", &TRecorder::ReadToc, kForCd, true},
      {op::kReadDiscInformation, "READ DISC INFORMATION", &TRecorder::ReadDiscInformation, kForCd,
       true},
      {op::kReadTrackInformation, "READ TRACK INFORMATION", &TRecorder::ReadTrackInformation,
       kForCd, true},
      {op::kSendOpcInformation, "SEND OPC INFORMATION", &TRecorder::SendOpc, kForRecorder, true},
      {op::kModeSelect10, "MODE SELECT(10)", &TRecorder::ModeSelect, kForCd, false},
      {op::kModeSense10, "MODE SENSE(10)", &TRecorder::ModeSense, kForCd, false},
      {op::kCloseTrackSession, "CLOSE TRACK/SESSION", &TRecorder::CloseTrackSession, kForRecorder,
       true},
      {op::kSendCueSheet, "SEND CUE SHEET", &TRecorder::SendCueSheet, kForRecorder, true},
      {op::kWrite12, "WRITE(12)", &TRecorder::Write, kForRecorder, true},
      {op::kSetCdSpeed, "SET CD SPEED", &TRecorder::SetCdSpeed, kForCd, false},
  };
  for (const TCommand &c : kCommands)
    if (c.Opcode == opcode)
      return (c.Kinds & KindBit(config_.Kind)) != 0 ? &c : nullptr;
  return nullptr;
}

TResult TRecorder::Execute(const uint8_t *cdb, size_t cdbLength, uint8_t lun, TDirection direction,
                           uint8_t *buffer, uint32_t bufferLength) {
  TRequest rq{cdb, direction, buffer, bufferLength, {}};
  journal_.HoldNotes();
  TResult r;
  if (lun != 0 && cdb[0] == op::kInquiry) {
    rq.Summary = "INQUIRY of LUN " + std::to_string(lun);
    r.DataIn.assign(36, 0);
    r.DataIn[0] = 0x7F; // no logical unit here
    DeliverData(rq, cdb[4], r);
  } else if (lun != 0) {
    rq.Summary = "LUN " + std::to_string(lun);
    r = TResult::Check(sense::kLunNotSupported);
  } else if (cdbLength < CdbLengthOfGroup(cdb[0])) {
    rq.Summary = "CDB of " + std::to_string(cdbLength) + " bytes";
    r.HaStatus = HASTAT_PHASE_ERR;
    r.Note = "the operation code needs " + std::to_string(CdbLengthOfGroup(cdb[0])) + " bytes";
  } else {
    r = Dispatch(rq);
  }
  journal_.Line(HexBytes(cdb, cdbLength) + " | " + rq.Summary + " | " + Outcome(r));
  journal_.ReleaseNotes();
  return r;
}

TResult TRecorder::Dispatch(TRequest &rq) {
  const uint8_t opcode = rq.Cdb[0];
  const TCommand *command = Find(opcode);
  char name[32];
  std::snprintf(name, sizeof name, "operation code %02X", unsigned{opcode});
  rq.Summary = command != nullptr ? command->Name : name;
  const uint64_t now = clock_();
  if (busyArmed_) {
    busyArmed_ = false;
    busyUntil_ = now + config_.Faults.BusyMs * kMicrosPerMs;
  }
  if (notReadyArmed_ && hasMedium_ && !trayOpen_) {
    notReadyArmed_ = false;
    notReadyUntil_ = now + config_.Faults.NotReadyMs * kMicrosPerMs;
  }
  if (now < busyUntil_) {
    TResult busy;
    busy.TargetStatus = kStatusBusy;
    busy.Note = "fault: busy";
    return busy;
  }
  if (command == nullptr)
    return TResult::Check(sense::kInvalidOpcode);
  if (unitAttention_ && opcode != op::kInquiry) {
    unitAttention_ = false;
    return TResult::Check(pendingAttention_, "unit attention");
  }
  if (command->NeedsMedium) {
    TResult ready = CheckReady();
    if (!ready.Ok())
      return ready;
  }
  return (this->*command->Run)(rq);
}

TResult TRecorder::CheckReady() {
  if (trayOpen_)
    return TResult::Check(sense::kNoMediumTrayOpen);
  if (!hasMedium_)
    return TResult::Check(sense::kNoMediumTrayClosed);
  if (config_.Faults.NotReadyForever || clock_() < notReadyUntil_)
    return TResult::Check(sense::kBecomingReady, "fault: not ready");
  return TResult::Good();
}

TResult TRecorder::TakeData(TRequest &rq, uint32_t needed, const uint8_t *&data) {
  data = rq.Buffer;
  if (needed == 0)
    return TResult::Good();
  TResult r;
  if (rq.Direction == TDirection::In || rq.Direction == TDirection::None) {
    r.HaStatus = HASTAT_PHASE_ERR;
    r.Note = "the command sends data but the request's direction does not";
  } else if (needed > rq.BufferLength || rq.Buffer == nullptr) {
    r.HaStatus = HASTAT_DO_DU;
    r.Note = "the command needs " + std::to_string(needed) + " bytes, the buffer holds " +
             std::to_string(rq.BufferLength);
  }
  return r;
}

void TRecorder::DeliverData(const TRequest &rq, uint32_t allocation, TResult &r) {
  if (!r.Ok())
    return;
  const size_t n = std::min<size_t>(allocation, r.DataIn.size());
  r.DataIn.resize(n);
  if (n == 0)
    return;
  if (rq.Direction == TDirection::Out || rq.Direction == TDirection::None) {
    r.HaStatus = HASTAT_PHASE_ERR;
    r.Note = "the command returns data but the request's direction does not";
  } else if (n > rq.BufferLength || rq.Buffer == nullptr) {
    r.HaStatus = HASTAT_DO_DU;
    r.Note =
        std::to_string(n) + " bytes do not fit the buffer of " + std::to_string(rq.BufferLength);
  } else {
    std::memcpy(rq.Buffer, r.DataIn.data(), n);
  }
}

bool TRecorder::DrainBuffer() {
  const uint64_t now = clock_();
  const uint64_t elapsed = now - paceTime_;
  paceTime_ = now;
  if (!paceRunning_)
    return false;
  const uint64_t rate = uint64_t{config_.SpeedX} * kBytesPerSpeedX;
  const uint64_t drained =
      elapsed / kMicrosPerSecond * rate + elapsed % kMicrosPerSecond * rate / kMicrosPerSecond;
  if (drained < paceFill_) {
    paceFill_ -= drained;
    return false;
  }
  const bool underrun = paceStreaming_ && engine_.Streaming() && drained > paceFill_;
  paceFill_ = 0;
  paceRunning_ = false;
  paceStreaming_ = false;
  return underrun;
}

uint32_t TRecorder::FillBuffer(uint32_t blocks) {
  const uint64_t rate = uint64_t{config_.SpeedX} * kBytesPerSpeedX;
  const uint64_t size = uint64_t{config_.BufferKb} * kBytesPerKb;
  paceFill_ += uint64_t{blocks} * kSectorBytes;
  paceStreaming_ = engine_.Streaming();
  if (paceFill_ >= size)
    paceRunning_ = true;
  if (paceFill_ <= size)
    return 0;
  return static_cast<uint32_t>((paceFill_ - size) * kMicrosPerSecond / rate);
}

std::string TRecorder::Outcome(const TResult &r) const {
  char text[64];
  if (r.HaStatus != 0)
    std::snprintf(text, sizeof text, "host adapter status %02X", unsigned{r.HaStatus});
  else if (r.TargetStatus == kStatusBusy)
    std::snprintf(text, sizeof text, "BUSY");
  else if (r.TargetStatus == kStatusCheckCondition)
    std::snprintf(text, sizeof text, "CHECK CONDITION %X/%02X/%02X", unsigned{r.Sense.Key},
                  unsigned{r.Sense.Asc}, unsigned{r.Sense.Ascq});
  else if (!r.DataIn.empty())
    std::snprintf(text, sizeof text, "GOOD, %zu bytes in", r.DataIn.size());
  else
    std::snprintf(text, sizeof text, "GOOD");
  return r.Note.empty() ? text : std::string(text) + " (" + r.Note + ")";
}

} // namespace vrec
