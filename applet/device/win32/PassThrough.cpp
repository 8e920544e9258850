// IOCTL_SCSI_PASS_THROUGH_DIRECT on the CD-ROM drive letters.
#include "applet/device/PassThrough.h"

#include <windows.h>
#include <winioctl.h>

#include <ntddscsi.h>

#include <cstddef>

namespace device {

namespace {

constexpr DWORD kAllLetters = 26;
constexpr ULONG kMsPerSecond = 1000;
constexpr UCHAR kDataOut = 0; // SCSI_IOCTL_DATA_OUT
constexpr UCHAR kDataIn = 1;  // SCSI_IOCTL_DATA_IN
constexpr UCHAR kNoData = 2;  // SCSI_IOCTL_DATA_UNSPECIFIED

// Exclusive access to a CD-ROM device (the CD-ROM class driver's request).
constexpr DWORD kIoctlCdromExclusiveAccess =
    CTL_CODE(FILE_DEVICE_CD_ROM, 0x0017, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
constexpr ULONG kExclusiveLock = 1;
constexpr ULONG kExclusiveUnlock = 2;
struct TExclusiveLock {
  ULONG RequestType;
  ULONG Flags;
  UCHAR CallerName[64];
};
constexpr char kCallerName[] = "QLNAPPLET";

struct TPassThroughPacket {
  SCSI_PASS_THROUGH_DIRECT Spt;
  ULONG Filler;
  UCHAR Sense[32];
};

HANDLE Handle(void *handle) { return static_cast<HANDLE>(handle); }

} // namespace

std::vector<std::string> PassThroughCandidates() {
  std::vector<std::string> paths;
  const DWORD letters = GetLogicalDrives();
  for (DWORD i = 0; i < kAllLetters; ++i) {
    if ((letters & (DWORD{1} << i)) == 0)
      continue;
    const char letter = static_cast<char>('A' + i);
    const char root[] = {letter, ':', '\\', 0};
    if (GetDriveTypeA(root) == DRIVE_CDROM)
      paths.push_back(std::string("\\\\.\\") + letter + ":");
  }
  return paths;
}

TOpenResult OpenPassThrough(const std::string &path, void *&handle) {
  const HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_DEVICE_NOT_CONNECTED:
      return TOpenResult::Missing;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return TOpenResult::Denied;
    default:
      return TOpenResult::Failed;
    }
  }
  handle = h;
  return TOpenResult::Opened;
}

void ClosePassThrough(void *handle) { CloseHandle(Handle(handle)); }

TTransportResult ExecutePassThrough(void *handle, TScsiRequest &request) {
  TPassThroughPacket packet{};
  SCSI_PASS_THROUGH_DIRECT &spt = packet.Spt;
  spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  spt.CdbLength = request.CdbLength;
  spt.SenseInfoLength = kSenseLength + 2;
  spt.SenseInfoOffset = offsetof(TPassThroughPacket, Sense);
  spt.DataIn = request.Direction == TDataDirection::In    ? kDataIn
               : request.Direction == TDataDirection::Out ? kDataOut
                                                          : kNoData;
  spt.DataTransferLength = request.Length;
  spt.DataBuffer = request.Buffer;
  spt.TimeOutValue = (request.TimeoutMs + kMsPerSecond - 1) / kMsPerSecond;
  for (uint8_t i = 0; i < request.CdbLength && i < sizeof spt.Cdb; ++i)
    spt.Cdb[i] = request.Cdb[i];
  DWORD returned = 0;
  if (!DeviceIoControl(Handle(handle), IOCTL_SCSI_PASS_THROUGH_DIRECT, &packet, sizeof packet,
                       &packet, sizeof packet, &returned, nullptr)) {
    switch (GetLastError()) {
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_HANDLE:
    case ERROR_DEV_NOT_EXIST:
      return TTransportResult::Gone;
    case ERROR_SEM_TIMEOUT:
    case ERROR_TIMEOUT:
      return TTransportResult::TimedOut;
    default:
      return TTransportResult::Refused;
    }
  }
  request.ScsiStatus = spt.ScsiStatus;
  NormaliseSense(packet.Sense, spt.ScsiStatus != 0 ? spt.SenseInfoLength : 0, request.Sense,
                 sizeof request.Sense);
  return TTransportResult::Answered;
}

bool PassThroughAddress(void *handle, uint8_t &adapter, uint8_t &target, uint8_t &lun) {
  SCSI_ADDRESS address{};
  DWORD returned = 0;
  if (!DeviceIoControl(Handle(handle), IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                       &returned, nullptr))
    return false;
  adapter = address.PortNumber;
  target = address.TargetId;
  lun = address.Lun;
  return true;
}

bool LockPassThrough(void *handle, bool lock) {
  TExclusiveLock request{};
  request.RequestType = lock ? kExclusiveLock : kExclusiveUnlock;
  for (size_t i = 0; i + 1 < sizeof kCallerName; ++i)
    request.CallerName[i] = static_cast<UCHAR>(kCallerName[i]);
  DWORD returned = 0;
  return DeviceIoControl(Handle(handle), kIoctlCdromExclusiveAccess, &request, sizeof request,
                         nullptr, 0, &returned, nullptr) != FALSE;
}

} // namespace device
