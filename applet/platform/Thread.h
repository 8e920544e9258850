// A worker thread in the component style: a subclass implements Execute; when it ends,
// OnTerminate runs on the main thread through the dispatcher.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace platform {

class TThread {
public:
  TThread() = default;
  virtual ~TThread();
  TThread(const TThread &) = delete;
  TThread &operator=(const TThread &) = delete;

  void Start();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool Finished() const { return finished_; }
  // Blocks until Execute has returned (never from the thread itself).
  void WaitFor();

  // Runs on the main thread after Execute has returned.
  std::function<void(TThread *)> OnTerminate;

protected:
  virtual void Execute() = 0;
  // Runs call on the main thread and waits for it.
  static bool Synchronize(const std::function<void()> &call);

private:
  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
};

} // namespace platform
