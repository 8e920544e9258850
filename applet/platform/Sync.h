// Synchronisation objects of the program, over the standard library: events with manual or
// automatic reset, critical sections, and multiple-reader/single-writer locks.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <shared_mutex>

namespace platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

class TEvent {
public:
  explicit TEvent(bool manualReset, bool initialState = false)
      : manual_(manualReset), signalled_(initialState) {}
  TEvent(const TEvent &) = delete;
  TEvent &operator=(const TEvent &) = delete;

  // Notifies under the lock: a waiter may destroy the event as soon as its wait returns.
  void SetEvent() {
    std::lock_guard<std::mutex> lock(lock_);
    signalled_ = true;
    changed_.notify_all();
  }
  void ResetEvent() {
    std::lock_guard<std::mutex> lock(lock_);
    signalled_ = false;
  }
  bool IsSet() {
    std::lock_guard<std::mutex> lock(lock_);
    return signalled_;
  }
  // True when signalled within ms (kInfinite waits without limit).
  bool WaitFor(uint32_t ms) {
    std::unique_lock<std::mutex> lock(lock_);
    auto ready = [this] { return signalled_; };
    if (ms == kInfinite)
      changed_.wait(lock, ready);
    else if (!changed_.wait_for(lock, std::chrono::milliseconds(ms), ready))
      return false;
    if (!manual_)
      signalled_ = false;
    return true;
  }

private:
  std::mutex lock_;
  std::condition_variable changed_;
  const bool manual_;
  bool signalled_;
};

using TCriticalSection = std::mutex;
using TMultiReadExclusiveWriteSynchronizer = std::shared_mutex;

} // namespace platform
