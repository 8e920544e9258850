// The session's message-pumping pauses: they keep the window alive while the session waits.
#pragma once

#include <cstdint>

namespace session {

class TApplicationPort;

// Processes window messages until ms milliseconds have passed on the system tick count,
// sleeping while nothing happens; returns early once the application is terminating.
void DelayPumping(TApplicationPort &application, uint32_t ms);
// Processes window messages until the application is terminating.
void PumpUntilTerminated(TApplicationPort &application);

} // namespace session
