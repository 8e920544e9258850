// The ASPI for Win32 transport: the request blocks of the interface, its two entry points, and
// the execution of one SCSI request at a time, plain or with the retry rules for a busy or
// becoming-ready drive.
//
// The entry points come either from the loaded "wnaspi32.dll" or, in tests and in-process
// tools, straight from an implementation linked into the program (see DeviceModule.h).
#pragma once

#include "applet/device/CommandStatus.h"

#include <cstddef>
#include <cstdint>

namespace device {

// ASPI command codes.
constexpr uint8_t kScHaInquiry = 0x00;
constexpr uint8_t kScExecScsiCmd = 0x02;

// ASPI status codes.
constexpr uint8_t kSsPending = 0x00;
constexpr uint8_t kSsComp = 0x01;
constexpr uint8_t kSsNoAspi = 0xE3;

// Request flags.
constexpr uint8_t kSrbDirIn = 0x08;
constexpr uint8_t kSrbDirOut = 0x10;
constexpr uint8_t kSrbEventNotify = 0x40;
constexpr uint8_t kFlagsNoData = kSrbEventNotify;
constexpr uint8_t kFlagsDataIn = kSrbEventNotify | kSrbDirIn;
constexpr uint8_t kFlagsDataOut = kSrbEventNotify | kSrbDirOut;

// Target status codes and sense keys the retry rules look at.
constexpr uint8_t kStatusBusy = 0x08;
constexpr uint8_t kSenseNotReady = 0x02;
constexpr uint8_t kSenseUnitAttention = 0x06;
constexpr uint8_t kAscNotReady = 0x04;
constexpr uint8_t kAscMoreTimeNeeded = 0x2E;

constexpr uint8_t kSenseLength = 14;
// Targets behind one host adapter.
constexpr uint8_t kTargetsPerBus = 8;
constexpr size_t kCdbSize = 16;
// Positions in the sense area.
constexpr size_t kSenseKeyByte = 2;
constexpr size_t kSenseAscByte = 12;
constexpr size_t kSenseAscqByte = 13;
constexpr uint8_t kSenseKeyMask = 0x0F;

#pragma pack(push, 1)
// SC_HA_INQUIRY request block (0x3C bytes in the 32-bit layout).
struct TSrbHaInquiry {
  uint8_t Cmd;
  uint8_t Status;
  uint8_t HaId;
  uint8_t Flags;
  uint32_t HdrRsvd;
  uint8_t HaCount;
  uint8_t HaScsiId;
  uint8_t HaManagerId[16];
  uint8_t HaIdentifier[16];
  uint8_t HaUnique[16];
  uint16_t HaRsvd1;
};

// SC_EXEC_SCSI_CMD request block (0x50 bytes in the 32-bit layout). PostProc is the completion
// event (see CompletionEvent.h).
struct TSrbExecScsiCmd {
  uint8_t Cmd;
  uint8_t Status;
  uint8_t HaId;
  uint8_t Flags;
  uint32_t HdrRsvd;
  uint8_t Target;
  uint8_t Lun;
  uint16_t Rsvd1;
  uint32_t BufLen;
  uint8_t *BufPointer;
  uint8_t SenseLen;
  uint8_t CdbLen;
  uint8_t HaStat;
  uint8_t TargStat;
  void *PostProc;
  uint8_t Rsvd2[20];
  uint8_t CdbByte[kCdbSize];
  uint8_t SenseArea[kSenseLength + 2];
};
#pragma pack(pop)

// The published offsets; a 64-bit build keeps the same fields with 8-byte pointers.
static_assert(sizeof(void *) != 4 || sizeof(TSrbExecScsiCmd) == 0x50, "SRB_ExecSCSICmd size");
static_assert(sizeof(void *) != 4 || offsetof(TSrbExecScsiCmd, PostProc) == 0x18, "PostProc");
static_assert(sizeof(void *) != 4 || offsetof(TSrbExecScsiCmd, CdbByte) == 0x30, "CDB");
static_assert(sizeof(void *) != 4 || offsetof(TSrbExecScsiCmd, SenseArea) == 0x40, "sense");
static_assert(offsetof(TSrbExecScsiCmd, BufLen) == 0x0C, "buffer length");
static_assert(offsetof(TSrbExecScsiCmd, BufPointer) == 0x10, "buffer");
static_assert(sizeof(TSrbHaInquiry) == 0x3C, "SRB_HAInquiry size");

// The two entry points of the interface (cdecl). The send entry takes a pointer to a request
// block and returns its status, SS_PENDING when the request completes later.
using TGetAspiSupportInfoFn = uint32_t (*)();
using TSendAspiCommandFn = uint32_t (*)(void *srb);

struct TAspiEntryPoints {
  TGetAspiSupportInfoFn GetSupportInfo = nullptr;
  TSendAspiCommandFn SendCommand = nullptr;
};

// How long one request may take on a transport that times requests itself: as long as the
// retry rules below wait out a drive that is not ready.
constexpr uint32_t kPassThroughTimeoutMs = 300000;

// Sets up the transport over the given entry points and creates the completion event.
void OpenTransport(const TAspiEntryPoints &entryPoints);
// Closes the completion event and forgets the entry points.
void CloseTransport();

// The number of host adapters (the low byte of GetASPI32SupportInfo); 0 without a transport.
uint8_t AdapterCount();
// Sends a host adapter inquiry; true when its status afterwards is not SS_COMP.
bool HostAdapterInquiry(uint8_t adapter);
// Executes a request and waits for it; true when its status is not SS_COMP.
bool ExecSCSICommand(TSrbExecScsiCmd &srb);
// Executes a request, waiting out a busy or becoming-ready drive for about five minutes; true
// on failure with the six status bytes of the last attempt in status (all zero on success).
bool ExecWithRetry(TSrbExecScsiCmd &srb, TCommandStatus &status);

} // namespace device
