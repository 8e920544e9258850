// The system's own SCSI pass-through (Windows: IOCTL_SCSI_PASS_THROUGH_DIRECT on the CD-ROM
// drive letters; Linux: SG_IO on /dev/sr* and /dev/sg*), offered to the layers above as one
// more pair of ASPI entry points. The drives opened are numbered as an ASPI layer numbers its
// devices, and each request block is executed at once on the drive it addresses, so discovery,
// the retry executor and the status and sense texts stay the same on every transport.
#pragma once

#include "applet/device/Aspi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace device {

enum class TDataDirection : uint8_t { None, In, Out };

// One SCSI request as the system executes it. The sense area is filled in fixed format.
struct TScsiRequest {
  const uint8_t *Cdb = nullptr;
  uint8_t CdbLength = 0;
  TDataDirection Direction = TDataDirection::None;
  uint8_t *Buffer = nullptr;
  uint32_t Length = 0;
  uint32_t TimeoutMs = 0;
  uint8_t ScsiStatus = 0;
  uint8_t Sense[kSenseLength + 2] = {};
};

// How one request ended below the target status: sent and answered, the drive gone (removed,
// disconnected), no answer in time, or refused by the system (not a SCSI device, ...).
enum class TTransportResult : uint8_t { Answered, Gone, TimedOut, Refused };
enum class TOpenResult : uint8_t { Opened, Missing, Denied, Failed };

// The system's part (posix/ and win32/).
// The paths worth trying: "\\.\X:" for every CD-ROM drive letter, or /dev/sr* and the /dev/sg*
// nodes of CD devices that have no /dev/sr* node.
std::vector<std::string> PassThroughCandidates();
TOpenResult OpenPassThrough(const std::string &path, void *&handle);
void ClosePassThrough(void *handle);
TTransportResult ExecutePassThrough(void *handle, TScsiRequest &request);
// Adapter, target and LUN where the system tells them.
bool PassThroughAddress(void *handle, uint8_t &adapter, uint8_t &target, uint8_t &lun);
// Asks for or gives up exclusive access; false where the system refuses or has none.
bool LockPassThrough(void *handle, bool lock);

// What opening the candidates found.
struct TPassThroughScan {
  int Tried = 0;
  int Opened = 0;
  int Denied = 0;
  std::string FirstProblem; // "PATH: reason" of the first path that did not open
};

// Opens the drives at paths, or every candidate when paths is empty, and numbers them.
TPassThroughScan OpenPassThroughDrives(const std::vector<std::string> &paths);
void ClosePassThroughDrives();
// The entry points over the open drives.
TAspiEntryPoints PassThroughEntryPoints();
// The path of the drive at adapter:target, or "".
std::string PassThroughPath(uint8_t adapter, uint8_t target);
bool LockPassThroughDrive(uint8_t adapter, uint8_t target, bool lock);
// "no such device", "permission denied", ...
const char *OpenResultText(TOpenResult result);

// Copies sense data of any format and length into a fixed-format area of size bytes: key at
// byte 2, ASC and ASCQ at 12 and 13; descriptor format (0x72, 0x73) is converted, what is
// missing stays zero, and so does all of it under any other response code.
void NormaliseSense(const uint8_t *sense, size_t length, uint8_t *area, size_t size);

} // namespace device
