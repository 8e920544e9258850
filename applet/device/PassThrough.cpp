#include "applet/device/PassThrough.h"

#include <algorithm>
#include <cstring>

namespace device {

namespace {

constexpr uint8_t kSsInvalidCmd = 0x80;
constexpr uint8_t kSsInvalidHa = 0x81;
constexpr uint8_t kSsInvalidSrb = 0xE0;
constexpr uint8_t kHaStatCommandTimeout = 0x0B;
constexpr uint8_t kHaStatSelectionTimeout = 0x11;
constexpr uint8_t kHaStatPhaseError = 0x14;
constexpr uint32_t kSupportInfoComplete = uint32_t{kSsComp} << 8;
constexpr uint8_t kSenseFixed = 0x70;
constexpr uint8_t kSenseDescriptor = 0x72;
constexpr uint8_t kSenseFormatMask = 0x7E;
constexpr uint8_t kFixedAdditionalLength = 10;

struct TDrive {
  std::string Path;
  void *Handle = nullptr;
  uint8_t Adapter = 0;
  uint8_t Target = 0;
  uint8_t Lun = 0;
};

struct TDrives {
  std::vector<TDrive> List;
  uint8_t Adapters = 0;
};

TDrives &Drives() {
  static TDrives drives;
  return drives;
}

TDrive *Find(uint8_t adapter, uint8_t target) {
  for (TDrive &d : Drives().List)
    if (d.Adapter == adapter && d.Target == target)
      return &d;
  return nullptr;
}

uint32_t SupportInfo() { return kSupportInfoComplete | Drives().Adapters; }

uint8_t HostStatusOf(TTransportResult result) {
  switch (result) {
  case TTransportResult::Answered:
    return kHaStatOk;
  case TTransportResult::Gone:
    return kHaStatSelectionTimeout;
  case TTransportResult::TimedOut:
    return kHaStatCommandTimeout;
  case TTransportResult::Refused:
    break;
  }
  return kHaStatPhaseError;
}

uint32_t Execute(TSrbExecScsiCmd &srb) {
  const TDrive *drive = Find(srb.HaId, srb.Target);
  if (srb.HaId >= Drives().Adapters)
    return srb.Status = kSsInvalidHa;
  if (srb.CdbLen == 0 || srb.CdbLen > kCdbSize)
    return srb.Status = kSsInvalidSrb;
  srb.HaStat = kHaStatOk;
  srb.TargStat = 0;
  if (drive == nullptr || srb.Lun != drive->Lun) {
    srb.HaStat = kHaStatSelectionTimeout;
    return srb.Status = kSsErr;
  }
  TScsiRequest request;
  request.Cdb = srb.CdbByte;
  request.CdbLength = srb.CdbLen;
  request.Direction = (srb.Flags & kSrbDirIn) != 0    ? TDataDirection::In
                      : (srb.Flags & kSrbDirOut) != 0 ? TDataDirection::Out
                                                      : TDataDirection::None;
  request.Buffer = srb.BufPointer;
  request.Length = srb.BufPointer != nullptr ? srb.BufLen : 0;
  if (request.Length == 0)
    request.Direction = TDataDirection::None;
  request.TimeoutMs = kPassThroughTimeoutMs;
  const TTransportResult result = ExecutePassThrough(drive->Handle, request);
  srb.HaStat = HostStatusOf(result);
  srb.TargStat = result == TTransportResult::Answered ? request.ScsiStatus : uint8_t{0};
  std::memcpy(
      srb.SenseArea, request.Sense,
      std::min<size_t>(std::min<size_t>(srb.SenseLen, sizeof srb.SenseArea), sizeof request.Sense));
  return srb.Status = srb.HaStat == kHaStatOk && srb.TargStat == 0 ? kSsComp : kSsErr;
}

uint32_t Send(void *block) {
  auto *srb = static_cast<TSrbExecScsiCmd *>(block);
  if (srb->Cmd == kScHaInquiry) {
    auto *inquiry = static_cast<TSrbHaInquiry *>(block);
    inquiry->HaCount = Drives().Adapters;
    return inquiry->Status = inquiry->HaId < Drives().Adapters ? kSsComp : kSsInvalidHa;
  }
  if (srb->Cmd != kScExecScsiCmd)
    return srb->Status = kSsInvalidCmd;
  return Execute(*srb);
}

} // namespace

void NormaliseSense(const uint8_t *sense, size_t length, uint8_t *area, size_t size) {
  std::memset(area, 0, size);
  if (length == 0 || size <= kSenseAscqByte)
    return;
  const uint8_t format = sense[0] & kSenseFormatMask;
  if (format == kSenseFixed) {
    std::memcpy(area, sense, std::min(length, size));
    return;
  }
  // Another response code (reserved, vendor-specific) says nothing readable.
  if (format != kSenseDescriptor)
    return;
  area[0] = kSenseFixed | (sense[0] & 1);
  area[7] = kFixedAdditionalLength;
  const size_t fields[][2] = {{1, kSenseKeyByte}, {2, kSenseAscByte}, {3, kSenseAscqByte}};
  for (const auto &field : fields)
    if (field[0] < length)
      area[field[1]] = sense[field[0]];
  area[kSenseKeyByte] &= kSenseKeyMask;
}

const char *OpenResultText(TOpenResult result) {
  switch (result) {
  case TOpenResult::Opened:
    return "opened";
  case TOpenResult::Missing:
    return "no such device";
  case TOpenResult::Denied:
    return "permission denied";
  case TOpenResult::Failed:
    break;
  }
  return "cannot be opened";
}

TPassThroughScan OpenPassThroughDrives(const std::vector<std::string> &paths) {
  ClosePassThroughDrives();
  TPassThroughScan scan;
  TDrives &drives = Drives();
  for (const std::string &path : paths.empty() ? PassThroughCandidates() : paths) {
    ++scan.Tried;
    void *handle = nullptr;
    const TOpenResult result = OpenPassThrough(path, handle);
    if (result != TOpenResult::Opened) {
      scan.Denied += result == TOpenResult::Denied ? 1 : 0;
      if (scan.FirstProblem.empty())
        scan.FirstProblem = path + ": " + OpenResultText(result);
      continue;
    }
    ++scan.Opened;
    TDrive drive;
    drive.Path = path;
    drive.Handle = handle;
    // Numbered as an ASPI layer does where the system gives no address (or a taken one).
    const auto index = static_cast<uint8_t>(drives.List.size());
    if (!PassThroughAddress(handle, drive.Adapter, drive.Target, drive.Lun) ||
        drive.Target >= kTargetsPerBus || Find(drive.Adapter, drive.Target) != nullptr) {
      drive.Adapter = static_cast<uint8_t>(index / kTargetsPerBus);
      drive.Target = static_cast<uint8_t>(index % kTargetsPerBus);
      drive.Lun = 0;
    }
    drives.Adapters = std::max<uint8_t>(drives.Adapters, drive.Adapter + 1);
    drives.List.push_back(drive);
  }
  return scan;
}

void ClosePassThroughDrives() {
  for (const TDrive &d : Drives().List)
    ClosePassThrough(d.Handle);
  Drives() = TDrives();
}

TAspiEntryPoints PassThroughEntryPoints() {
  TAspiEntryPoints entry;
  entry.GetSupportInfo = SupportInfo;
  entry.SendCommand = Send;
  return entry;
}

std::string PassThroughPath(uint8_t adapter, uint8_t target) {
  const TDrive *drive = Find(adapter, target);
  return drive != nullptr ? drive->Path : std::string();
}

bool LockPassThroughDrive(uint8_t adapter, uint8_t target, bool lock) {
  const TDrive *drive = Find(adapter, target);
  return drive != nullptr && LockPassThrough(drive->Handle, lock);
}

} // namespace device
