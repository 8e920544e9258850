#include "applet/package/WriteBehind.h"

namespace package {

TWriteBehind::TWriteBehind(size_t bufferSize, size_t buffers) {
  for (size_t i = 0; i < buffers; ++i) {
    // Not cleared: every byte is written before it is read.
    storage_.push_back(std::unique_ptr<uint8_t[]>(new uint8_t[bufferSize]));
    free_.push_back(storage_.back().get());
  }
}

TWriteBehind::~TWriteBehind() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_one();
  if (writer_.joinable())
    writer_.join();
}

void TWriteBehind::Begin(TStream &dest) {
  const std::lock_guard<std::mutex> lock(mutex_);
  dest_ = &dest;
  failure_ = nullptr;
}

uint8_t *TWriteBehind::Acquire() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !free_.empty() || failure_ != nullptr; });
  if (failure_ != nullptr)
    std::rethrow_exception(failure_);
  uint8_t *const buffer = free_.back();
  free_.pop_back();
  return buffer;
}

void TWriteBehind::Submit(uint8_t *buffer, size_t offset, size_t size) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({buffer, offset, size});
    if (!writer_.joinable())
      writer_ = std::thread([this] { Run(); });
  }
  work_.notify_one();
}

void TWriteBehind::WaitIdle(std::unique_lock<std::mutex> &lock) {
  changed_.wait(lock, [&] { return queue_.empty() && !busy_; });
}

void TWriteBehind::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  WaitIdle(lock);
  if (failure_ != nullptr) {
    std::exception_ptr failure = failure_;
    failure_ = nullptr;
    std::rethrow_exception(failure);
  }
}

void TWriteBehind::Abandon() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  WaitIdle(lock);
  failure_ = nullptr;
}

void TWriteBehind::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [&] { return stop_ || !queue_.empty(); });
    if (queue_.empty())
      return;
    const TJob job = queue_.front();
    queue_.pop_front();
    // After a failure the rest of the queue is dropped: the run is lost anyway.
    TStream *const dest = failure_ == nullptr ? dest_ : nullptr;
    busy_ = true;
    lock.unlock();
    std::exception_ptr failure;
    if (dest != nullptr) {
      try {
        dest->WriteBuffer(job.Buffer + job.Offset, static_cast<int32_t>(job.Size));
      } catch (...) {
        failure = std::current_exception();
      }
    }
    lock.lock();
    if (failure != nullptr)
      failure_ = failure;
    free_.push_back(job.Buffer);
    busy_ = false;
    changed_.notify_all();
  }
}

} // namespace package
