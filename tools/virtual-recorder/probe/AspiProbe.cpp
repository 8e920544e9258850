// aspi-probe: loads wnaspi32.dll the way a program does (by name, so from the program's own
// folder first), and sends INQUIRY with event notification to every target of every host
// adapter. Prints one line per device found; exits 1 when the library or its entry points
// are missing or nothing answered.
#include "tools/virtual-recorder/AspiLayout.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

using namespace vrec;

namespace {

constexpr DWORD kWaitMs = 10000;
constexpr uint8_t kInquiryLength = 36;
constexpr uint8_t kTargets = 8;

using TSupportInfo = DWORD(__cdecl *)();
using TSendCommand = DWORD(__cdecl *)(void *);

} // namespace

int main() {
  HMODULE library = LoadLibraryA("wnaspi32.dll");
  if (library == nullptr) {
    std::printf("wnaspi32.dll not loaded (error %lu)\n", GetLastError());
    return 1;
  }
  char path[MAX_PATH] = {};
  GetModuleFileNameA(library, path, sizeof path);
  std::printf("library %s\n", path);
  auto support = reinterpret_cast<TSupportInfo>(
      reinterpret_cast<void *>(GetProcAddress(library, "GetASPI32SupportInfo")));
  auto send = reinterpret_cast<TSendCommand>(
      reinterpret_cast<void *>(GetProcAddress(library, "SendASPI32Command")));
  if (support == nullptr || send == nullptr) {
    std::printf("entry points missing\n");
    return 1;
  }
  const DWORD info = support();
  std::printf("support info %04lX\n", info);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  int found = 0;
  for (unsigned adapter = 0; adapter < (info & 0xFF); ++adapter) {
    for (unsigned target = 0; target < kTargets; ++target) {
      SRB_ExecSCSICmd srb;
      std::memset(&srb, 0, sizeof srb);
      uint8_t answer[kInquiryLength] = {};
      srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
      srb.SRB_HaId = static_cast<uint8_t>(adapter);
      srb.SRB_Target = static_cast<uint8_t>(target);
      srb.SRB_Flags = SRB_EVENT_NOTIFY | SRB_DIR_IN;
      srb.SRB_BufLen = kInquiryLength;
      srb.SRB_BufPointer = answer;
      srb.SRB_SenseLen = 14;
      srb.SRB_CDBLen = 6;
      srb.SRB_PostProc = event;
      srb.CDBByte[0] = 0x12;
      srb.CDBByte[4] = kInquiryLength;
      ResetEvent(event);
      const DWORD sent = send(&srb);
      const bool pending = sent == SS_PENDING;
      const bool signalled = pending && WaitForSingleObject(event, kWaitMs) == WAIT_OBJECT_0;
      if (srb.SRB_Status != SS_COMP)
        continue;
      ++found;
      std::printf("device %u:%u type %02X %.8s|%.16s|%.4s %s\n", adapter, target,
                  unsigned{answer[0]}, reinterpret_cast<const char *>(answer + 8),
                  reinterpret_cast<const char *>(answer + 16),
                  reinterpret_cast<const char *>(answer + 32),
                  pending ? (signalled ? "pending, event signalled" : "pending, no event")
                          : "completed at once");
    }
  }
  CloseHandle(event);
  FreeLibrary(library);
  return found > 0 ? 0 : 1;
}
