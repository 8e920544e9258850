// The main-thread dispatcher: worker threads hand closures to the main thread, which runs
// them from its message loop (and from DelayPumping). Synchronize waits for the closure;
// Queue does not.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

class TMainThread {
public:
  // The calling thread becomes the main thread (done once at program start, and by tests).
  static void Adopt();
  static bool IsMainThread();

  // Called whenever a closure is queued, to wake a loop that sleeps in the system's wait.
  static void SetWakeHandler(std::function<void()> wake);

  // Runs call on the main thread and waits for it; runs it at once on the main thread.
  // Returns false without running it once the dispatcher has been shut down.
  static bool Synchronize(const std::function<void()> &call);
  // Runs call on the main thread later.
  static void Queue(std::function<void()> call);

  // Main thread: runs the closures queued so far; true when it ran any.
  static bool ProcessPending();
  // Main thread: waits up to ms for a closure to be queued; true when one is waiting.
  static bool WaitPending(uint32_t ms);

  // Ends dispatching: waiting and later Synchronize calls return false without running.
  static void Shutdown();
  // Undoes Shutdown and drops queued closures (tests).
  static void Reset();
};

} // namespace platform
