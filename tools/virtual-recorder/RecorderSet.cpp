// The ASPI layer over the emulated devices: request blocks in, completion out, either at once
// or on each device's own thread.
#include "tools/virtual-recorder/AspiLayout.h"
#include "tools/virtual-recorder/Config.h"
#include "tools/virtual-recorder/Host.h"
#include "tools/virtual-recorder/Recorder.h"
#include "tools/virtual-recorder/VirtualRecorder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <thread>

namespace vrec {

namespace {

constexpr uint8_t kHostScsiId = 7;
constexpr uint8_t kMaxTargets = 8;
constexpr size_t kMaxConfigBytes = 1 << 20;
constexpr uint8_t kSenseFixedCurrent = 0x70;
constexpr uint8_t kSenseAdditionalLength = 10;

uint64_t SteadyMicros() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

void PutField(uint8_t *field, size_t size, const std::string &text) {
  for (size_t i = 0; i < size; ++i)
    field[i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

TDirection DirectionOf(uint8_t flags) {
  switch (flags & SRB_DIR_MASK) {
  case SRB_DIR_IN:
    return TDirection::In;
  case SRB_DIR_OUT:
    return TDirection::Out;
  case SRB_DIR_MASK:
    return TDirection::None;
  default:
    return TDirection::Any;
  }
}

void Publish(uint8_t &status, uint8_t value) { __atomic_store_n(&status, value, __ATOMIC_RELEASE); }

} // namespace

struct TRecorderSet::TSlot {
  std::unique_ptr<TRecorder> Recorder;
  std::mutex Lock; // one command at a time
  std::atomic<bool> Async{true};
  uint32_t MaxTransfer = 0;
  std::mutex QueueLock;
  std::condition_variable Wake;
  std::deque<void *> Queue;
  bool Stop = false;
  std::thread Worker;
};

TRecorderSet::TRecorderSet(TRecorderOptions options) : options_(std::move(options)) {
  if (!options_.ClockUs)
    options_.ClockUs = SteadyMicros;
  if (!options_.SleepUs)
    options_.SleepUs = [](uint32_t us) {
      std::this_thread::sleep_for(std::chrono::microseconds(us));
    };
  if (!options_.SignalEvent)
    options_.SignalEvent = host::SignalEvent;
}

TRecorderSet::~TRecorderSet() {
  for (auto &slot : slots_) {
    {
      std::lock_guard<std::mutex> lock(slot->QueueLock);
      slot->Stop = true;
    }
    slot->Wake.notify_all();
    if (slot->Worker.joinable())
      slot->Worker.join();
  }
}

std::unique_ptr<TRecorderSet> TRecorderSet::FromFile(const std::string &path, std::string &error,
                                                     TRecorderOptions options) {
  std::unique_ptr<TRecorderSet> set(new TRecorderSet(std::move(options)));
  set->fromFile_ = true;
  set->path_ = path;
  const size_t slash = path.find_last_of("/\\");
  set->baseDir_ = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  if (!set->Load(error))
    return nullptr;
  return set;
}

std::unique_ptr<TRecorderSet> TRecorderSet::FromText(const std::string &text,
                                                     const std::string &baseDir, std::string &error,
                                                     TRecorderOptions options) {
  std::unique_ptr<TRecorderSet> set(new TRecorderSet(std::move(options)));
  set->text_ = text;
  set->baseDir_ = baseDir;
  if (!set->Load(error))
    return nullptr;
  return set;
}

void TRecorderSet::SetConfigText(const std::string &text) {
  std::lock_guard<std::mutex> lock(sourceLock_);
  text_ = text;
}

bool TRecorderSet::ReadSource(std::string &text, std::string &error) const {
  std::lock_guard<std::mutex> lock(sourceLock_);
  if (!fromFile_) {
    text = text_;
    return true;
  }
  std::FILE *f = std::fopen(path_.c_str(), "rb");
  if (f == nullptr) {
    error = "cannot open " + path_;
    return false;
  }
  text.clear();
  char chunk[4096];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && text.size() <= kMaxConfigBytes)
    text.append(chunk, n);
  std::fclose(f);
  if (text.size() > kMaxConfigBytes) {
    error = path_ + " is larger than a configuration can be";
    return false;
  }
  return true;
}

bool TRecorderSet::Load(std::string &error) {
  std::string text;
  TConfig config;
  if (!ReadSource(text, error) || !ParseConfig(text, baseDir_, config, error))
    return false;
  for (size_t i = 0; i < config.Devices.size(); ++i) {
    const TDeviceConfig &dev = config.Devices[i];
    auto slot = std::make_unique<TSlot>();
    slot->Recorder = std::make_unique<TRecorder>(
        dev, [this, i](TDeviceConfig &fresh, std::string &why) { return Reread(i, fresh, why); },
        options_.ClockUs);
    slot->Async = dev.Async;
    slot->MaxTransfer = dev.MaxTransferBytes;
    adapters_ = std::max<uint8_t>(adapters_, static_cast<uint8_t>(dev.Adapter + 1));
    slots_.push_back(std::move(slot));
  }
  return true;
}

bool TRecorderSet::Reread(size_t index, TDeviceConfig &fresh, std::string &error) const {
  std::string text;
  TConfig config;
  if (!ReadSource(text, error) || !ParseConfig(text, baseDir_, config, error))
    return false;
  if (index >= config.Devices.size()) {
    error = "[device." + std::to_string(index) + "] is gone";
    return false;
  }
  fresh = config.Devices[index];
  return true;
}

TRecorderSet::TSlot *TRecorderSet::Find(uint8_t adapter, uint8_t target) const {
  for (const auto &slot : slots_)
    if (slot->Recorder->Adapter() == adapter && slot->Recorder->Target() == target)
      return slot.get();
  return nullptr;
}

const TRecorder *TRecorderSet::Device(uint8_t adapter, uint8_t target) const {
  const TSlot *slot = Find(adapter, target);
  return slot != nullptr ? slot->Recorder.get() : nullptr;
}

uint32_t TRecorderSet::GetSupportInfo() const {
  return adapters_ == 0 ? uint32_t{SS_NO_ADAPTERS} << 8 : uint32_t{SS_COMP} << 8 | adapters_;
}

uint32_t TRecorderSet::SendCommand(void *srb) {
  if (srb == nullptr)
    return SS_INVALID_SRB;
  auto *header = static_cast<SRB_Header *>(srb);
  switch (header->SRB_Cmd) {
  case SC_HA_INQUIRY:
    return HaInquiry(srb);
  case SC_GET_DEV_TYPE:
    return GetDeviceType(srb);
  case SC_EXEC_SCSI_CMD:
    return Execute(srb);
  default:
    header->SRB_Status = SS_INVALID_CMD;
    return SS_INVALID_CMD;
  }
}

uint32_t TRecorderSet::HaInquiry(void *srb) const {
  auto *q = static_cast<SRB_HAInquiry *>(srb);
  if (q->SRB_HaId >= adapters_) {
    q->SRB_Status = SS_INVALID_HA;
    return SS_INVALID_HA;
  }
  q->HA_Count = adapters_;
  q->HA_SCSI_ID = kHostScsiId;
  PutField(q->HA_ManagerId, sizeof q->HA_ManagerId, "ASPI for WIN32");
  PutField(q->HA_Identifier, sizeof q->HA_Identifier, "VIRTUAL RECORDER");
  std::memset(q->HA_Unique, 0, sizeof q->HA_Unique);
  q->HA_Unique[3] = kMaxTargets;
  uint32_t maxTransfer = UINT32_MAX;
  for (const auto &slot : slots_)
    if (slot->Recorder->Adapter() == q->SRB_HaId)
      maxTransfer = std::min(maxTransfer, slot->MaxTransfer);
  for (int i = 0; i < 4; ++i)
    q->HA_Unique[4 + i] = static_cast<uint8_t>(maxTransfer >> (8 * i));
  q->SRB_Status = SS_COMP;
  return SS_COMP;
}

uint32_t TRecorderSet::GetDeviceType(void *srb) const {
  auto *g = static_cast<SRB_GDEVBlock *>(srb);
  if (g->SRB_HaId >= adapters_) {
    g->SRB_Status = SS_INVALID_HA;
    return SS_INVALID_HA;
  }
  const TSlot *slot = Find(g->SRB_HaId, g->SRB_Target);
  if (slot == nullptr || g->SRB_Lun != 0) {
    g->SRB_Status = SS_NO_DEVICE;
    return SS_NO_DEVICE;
  }
  g->SRB_DeviceType = slot->Recorder->PeripheralType();
  g->SRB_Status = SS_COMP;
  return SS_COMP;
}

uint32_t TRecorderSet::Execute(void *srb) {
  auto *x = static_cast<SRB_ExecSCSICmd *>(srb);
  uint8_t status = 0;
  if (x->SRB_HaId >= adapters_)
    status = SS_INVALID_HA;
  else if (x->SRB_CDBLen == 0 || x->SRB_CDBLen > kCdbAreaLength ||
           (x->SRB_BufLen > 0 && x->SRB_BufPointer == nullptr) ||
           (x->SRB_Flags & (SRB_POSTING | SRB_EVENT_NOTIFY)) == (SRB_POSTING | SRB_EVENT_NOTIFY))
    status = SS_INVALID_SRB;
  if (status != 0) {
    x->SRB_Status = status;
    return status;
  }
  TSlot *slot = Find(x->SRB_HaId, x->SRB_Target);
  if (slot == nullptr) {
    Complete(srb, HASTAT_SEL_TO, kStatusGood, nullptr);
    return x->SRB_Status;
  }
  if (x->SRB_BufLen > slot->MaxTransfer) {
    x->SRB_Status = SS_BUFFER_TOO_BIG;
    return SS_BUFFER_TOO_BIG;
  }
  {
    std::lock_guard<std::mutex> lock(slot->QueueLock);
    if (slot->Async || !slot->Queue.empty()) {
      x->SRB_Status = SS_PENDING;
      slot->Queue.push_back(srb);
      if (!slot->Worker.joinable()) {
        host::KeepLoaded();
        startedThreads_ = true;
        slot->Worker = std::thread([this, slot] { Serve(*slot); });
      }
      slot->Wake.notify_one();
      return SS_PENDING;
    }
  }
  Run(*slot, srb);
  return x->SRB_Status;
}

void TRecorderSet::Serve(TSlot &slot) {
  for (;;) {
    void *srb = nullptr;
    {
      std::unique_lock<std::mutex> lock(slot.QueueLock);
      slot.Wake.wait(lock, [&slot] { return slot.Stop || !slot.Queue.empty(); });
      if (slot.Queue.empty())
        return;
      srb = slot.Queue.front();
      slot.Queue.pop_front();
    }
    Run(slot, srb);
  }
}

void TRecorderSet::Run(TSlot &slot, void *srb) {
  auto *x = static_cast<SRB_ExecSCSICmd *>(srb);
  TResult r;
  {
    std::lock_guard<std::mutex> lock(slot.Lock);
    r = slot.Recorder->Execute(x->CDBByte, x->SRB_CDBLen, x->SRB_Lun, DirectionOf(x->SRB_Flags),
                               x->SRB_BufPointer, x->SRB_BufLen);
    slot.Async = slot.Recorder->Async();
  }
  if (r.CompletionDelayUs != 0)
    options_.SleepUs(r.CompletionDelayUs);
  const uint8_t sense3[3] = {r.Sense.Key, r.Sense.Asc, r.Sense.Ascq};
  Complete(srb, r.HaStatus, r.TargetStatus,
           r.TargetStatus == kStatusCheckCondition ? sense3 : nullptr);
}

void TRecorderSet::Complete(void *srb, uint8_t haStatus, uint8_t targetStatus,
                            const uint8_t *sense3) {
  auto *x = static_cast<SRB_ExecSCSICmd *>(srb);
  x->SRB_HaStat = haStatus;
  x->SRB_TargStat = targetStatus;
  if (sense3 != nullptr) {
    uint8_t sense[kSenseAreaLength] = {};
    sense[0] = kSenseFixedCurrent;
    sense[2] = sense3[0];
    sense[7] = kSenseAdditionalLength;
    sense[12] = sense3[1];
    sense[13] = sense3[2];
    std::memcpy(x->SenseArea, sense, std::min<size_t>(x->SRB_SenseLen, kSenseAreaLength));
  }
  const uint8_t flags = x->SRB_Flags;
  void *post = x->SRB_PostProc;
  const bool ok = haStatus == HASTAT_OK && targetStatus == kStatusGood;
  Publish(x->SRB_Status, ok ? SS_COMP : SS_ERR);
  // The caller may reuse the block from here on: only the saved fields are used.
  if (post == nullptr)
    return;
  if ((flags & SRB_EVENT_NOTIFY) != 0)
    options_.SignalEvent(post);
  else if ((flags & SRB_POSTING) != 0)
    reinterpret_cast<TPostRoutine>(post)(srb);
}

} // namespace vrec
