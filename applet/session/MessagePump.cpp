#include "applet/session/MessagePump.h"

#include "applet/platform/Platform.h"
#include "applet/session/SessionPorts.h"

namespace session {

using platform::Platform;

namespace {
// How long PumpUntilTerminated sleeps between checks when no message arrives.
constexpr uint32_t kIdleWaitMs = 1000;
} // namespace

void DelayPumping(TApplicationPort &application, uint32_t ms) {
  // Elapsed time is measured by unsigned difference, so a tick count that wraps during the
  // pause does not stretch it.
  const uint32_t start = Platform().TickCount();
  for (;;) {
    const uint32_t elapsed = Platform().TickCount() - start;
    if (elapsed >= ms)
      return;
    application.ProcessMessages();
    if (application.Terminated())
      return;
    const uint32_t now = Platform().TickCount() - start;
    if (now < ms)
      application.WaitForMessages(ms - now);
  }
}

void PumpUntilTerminated(TApplicationPort &application) {
  for (;;) {
    application.ProcessMessages();
    if (application.Terminated())
      return;
    application.WaitForMessages(kIdleWaitMs);
  }
}

} // namespace session
