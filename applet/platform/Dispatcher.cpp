#include "applet/platform/Dispatcher.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

namespace {
struct TCall {
  std::function<void()> Run;
  bool Done = false;
  bool Cancelled = false;
};

struct TState {
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<std::shared_ptr<TCall>> Queue;
  std::function<void()> Wake;
  std::thread::id Main = std::this_thread::get_id();
  bool Stopped = false;
};

TState &State() {
  static TState state;
  return state;
}

void CancelAll(TState &s) {
  for (auto &call : s.Queue)
    call->Cancelled = true;
  s.Queue.clear();
  s.Changed.notify_all();
}
} // namespace

void TMainThread::Adopt() {
  std::lock_guard<std::mutex> lock(State().Lock);
  State().Main = std::this_thread::get_id();
}

bool TMainThread::IsMainThread() {
  std::lock_guard<std::mutex> lock(State().Lock);
  return State().Main == std::this_thread::get_id();
}

void TMainThread::SetWakeHandler(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(State().Lock);
  State().Wake = std::move(wake);
}

bool TMainThread::Synchronize(const std::function<void()> &call) {
  TState &s = State();
  auto entry = std::make_shared<TCall>();
  std::function<void()> wake;
  {
    std::unique_lock<std::mutex> lock(s.Lock);
    if (s.Stopped)
      return false;
    if (s.Main == std::this_thread::get_id()) {
      lock.unlock();
      call();
      return true;
    }
    entry->Run = call;
    s.Queue.push_back(entry);
    wake = s.Wake;
  }
  s.Changed.notify_all();
  if (wake)
    wake();
  std::unique_lock<std::mutex> lock(s.Lock);
  s.Changed.wait(lock, [&] { return entry->Done || entry->Cancelled; });
  return entry->Done;
}

void TMainThread::Queue(std::function<void()> call) {
  TState &s = State();
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    if (s.Stopped)
      return;
    auto entry = std::make_shared<TCall>();
    entry->Run = std::move(call);
    s.Queue.push_back(entry);
    wake = s.Wake;
  }
  s.Changed.notify_all();
  if (wake)
    wake();
}

bool TMainThread::ProcessPending() {
  TState &s = State();
  bool ran = false;
  for (;;) {
    std::shared_ptr<TCall> entry;
    {
      std::lock_guard<std::mutex> lock(s.Lock);
      if (s.Queue.empty())
        return ran;
      entry = s.Queue.front();
      s.Queue.pop_front();
    }
    entry->Run();
    ran = true;
    {
      std::lock_guard<std::mutex> lock(s.Lock);
      entry->Done = true;
    }
    s.Changed.notify_all();
  }
}

bool TMainThread::WaitPending(uint32_t ms) {
  TState &s = State();
  std::unique_lock<std::mutex> lock(s.Lock);
  return s.Changed.wait_for(lock, std::chrono::milliseconds(ms), [&] {
    return !s.Queue.empty() || s.Stopped;
  }) && !s.Queue.empty();
}

void TMainThread::Shutdown() {
  std::lock_guard<std::mutex> lock(State().Lock);
  State().Stopped = true;
  CancelAll(State());
}

void TMainThread::Reset() {
  std::lock_guard<std::mutex> lock(State().Lock);
  State().Stopped = false;
  CancelAll(State());
}

} // namespace platform
