#include "applet/device/Aspi.h"

#include "applet/device/CompletionEvent.h"
#include "applet/device/DeviceMessages.h"
#include "applet/platform/Platform.h"

namespace device {

namespace {

constexpr uint32_t kAdapterCountMask = 0xFF;
constexpr uint32_t kRetryPauseMs = 100;
constexpr int kRetryLimit = 3000;
static_assert(kPassThroughTimeoutMs == kRetryLimit * kRetryPauseMs, "request time-out");

struct TTransport {
  TAspiEntryPoints Entry;
  void *Event = nullptr;
};

TTransport &Transport() {
  static TTransport transport;
  return transport;
}

// Checks the completion event before a request; the request is sent either way.
void CheckEvent(const char *message) {
  if (Transport().Event == nullptr)
    ShowPlainMessage(message);
}

// Sends a block, and with wait set waits for a pending one to complete. False when there is
// nothing to send to.
bool Send(void *srb, uint8_t &status, bool wait) {
  TTransport &t = Transport();
  if (t.Entry.SendCommand == nullptr) {
    status = kSsNoAspi;
    return false;
  }
  if (wait && t.Event != nullptr)
    ResetCompletionEvent(t.Event);
  if (t.Entry.SendCommand(srb) == kSsPending && wait && t.Event != nullptr)
    WaitCompletionEvent(t.Event);
  return true;
}

bool IsTransient(const TSrbExecScsiCmd &srb) {
  if (srb.HaStat != kHaStatOk)
    return false;
  if (srb.TargStat == kStatusBusy)
    return true;
  if (srb.TargStat != kStatusChkCond)
    return false;
  const uint8_t key = srb.SenseArea[kSenseKeyByte] & kSenseKeyMask;
  const uint8_t asc = srb.SenseArea[kSenseAscByte];
  return (key == kSenseNotReady && asc == kAscNotReady) ||
         (key == kSenseUnitAttention && asc == kAscMoreTimeNeeded);
}

} // namespace

void OpenTransport(const TAspiEntryPoints &entryPoints) {
  TTransport &t = Transport();
  t.Entry = entryPoints;
  t.Event = CreateCompletionEvent();
}

void CloseTransport() {
  TTransport &t = Transport();
  CloseCompletionEvent(t.Event);
  t = TTransport();
}

uint8_t AdapterCount() {
  const TGetAspiSupportInfoFn info = Transport().Entry.GetSupportInfo;
  return info != nullptr ? static_cast<uint8_t>(info() & kAdapterCountMask) : 0;
}

bool HostAdapterInquiry(uint8_t adapter) {
  CheckEvent("CreateEvent Error trapped in Host Adapter Inquiry!");
  TSrbHaInquiry srb{};
  srb.Cmd = kScHaInquiry;
  srb.HaId = adapter;
  Send(&srb, srb.Status, false); // answered at once; it carries no completion event
  return srb.Status != kSsComp;
}

bool ExecSCSICommand(TSrbExecScsiCmd &srb) {
  CheckEvent("CreateEvent Error trapped in ExecSCSICommand!");
  srb.Cmd = kScExecScsiCmd;
  srb.SenseLen = kSenseLength;
  srb.PostProc = Transport().Event;
  Send(&srb, srb.Status, true);
  return srb.Status != kSsComp;
}

bool ExecWithRetry(TSrbExecScsiCmd &srb, TCommandStatus &status) {
  status = TCommandStatus();
  for (int attempt = 1;; ++attempt) {
    if (!ExecSCSICommand(srb))
      return false;
    if (!IsTransient(srb))
      break;
    if (attempt > kRetryLimit) {
      ShowErrorMessage("Operation has timed out");
      break;
    }
    platform::Platform().Sleep(kRetryPauseMs);
  }
  status.AspiStatus = srb.Status;
  status.HaStatus = srb.HaStat;
  status.TargetStatus = srb.TargStat;
  status.SenseKey = srb.SenseArea[kSenseKeyByte] & kSenseKeyMask;
  status.Asc = srb.SenseArea[kSenseAscByte];
  status.Ascq = srb.SenseArea[kSenseAscqByte];
  return true;
}

} // namespace device
