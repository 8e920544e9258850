// A request that an ASPI layer completes later on its own thread: the caller waits for the
// completion event and then reads the finished request block.
#include "applet/device/Aspi.h"
#include "applet/device/CompletionEvent.h"
#include "applet/device/DeviceModule.h"
#include "applet/device/MMC.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace device;

namespace {

std::thread worker;

uint32_t NoAdapters() { return uint32_t{kSsComp} << 8; }

uint32_t CompleteLater(void *block) {
  auto *srb = static_cast<TSrbExecScsiCmd *>(block);
  worker = std::thread([srb] {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (srb->BufLen > 0)
      srb->BufPointer[0] = 0x05;
    srb->HaStat = 0;
    srb->TargStat = 0;
    srb->Status = kSsComp;
    SetCompletionEvent(srb->PostProc);
  });
  return kSsPending;
}

} // namespace

TEST(AspiThreads, WaitsForCompletionOnAnotherThread) {
  TAspiEntryPoints entry;
  entry.GetSupportInfo = &NoAdapters;
  entry.SendCommand = &CompleteLater;
  TDeviceModule module(entry);
  ASSERT_TRUE(AspiLoaded());
  for (int i = 0; i < 20; ++i) {
    std::vector<uint8_t> buffer;
    TCommandStatus status;
    EXPECT_FALSE(Inquiry(0, 0, buffer, 36, &status));
    worker.join();
    EXPECT_EQ(buffer[0], 0x05);
    EXPECT_EQ(status.AspiStatus, 0);
  }
}
