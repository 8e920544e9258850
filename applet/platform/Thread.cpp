#include "applet/platform/Thread.h"

#include "applet/platform/Dispatcher.h"

namespace platform {

TThread::~TThread() {
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }
}

void TThread::Start() {
  thread_ = std::thread([this] {
    Execute();
    finished_ = true;
    if (OnTerminate) {
      auto handler = OnTerminate;
      TMainThread::Queue([handler, this] { handler(this); });
    }
  });
}

void TThread::WaitFor() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
    thread_.join();
}

bool TThread::Synchronize(const std::function<void()> &call) {
  return TMainThread::Synchronize(call);
}

} // namespace platform
