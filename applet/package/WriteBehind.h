// Writes a destination stream from a thread of its own, so the codec driver reads and decodes
// the next block while the previous one is being written. Buffers come from a small pool and
// go back to it once written; writes reach the stream in the order submitted.
#pragma once

#include "applet/package/Streams.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace package {

class TWriteBehind {
public:
  TWriteBehind(size_t bufferSize, size_t buffers);
  ~TWriteBehind();
  TWriteBehind(const TWriteBehind &) = delete;
  TWriteBehind &operator=(const TWriteBehind &) = delete;

  // Where the following submissions go. Only when nothing is queued.
  void Begin(TStream &dest);
  // A free buffer of BufferSize bytes, waiting for one if need be. Rethrows the failure of an
  // earlier write instead (the caller keeps what it holds).
  uint8_t *Acquire();
  // Queues buffer[offset, offset + size) for writing (size at most the buffer size); the buffer
  // returns to the pool after.
  void Submit(uint8_t *buffer, size_t offset, size_t size);
  // Waits until everything queued is written; rethrows the first write failure.
  void Finish();
  // Waits until everything queued is written or dropped, and forgets a failure (unwinding).
  void Abandon() noexcept;

private:
  struct TJob {
    uint8_t *Buffer;
    size_t Offset;
    size_t Size;
  };
  void Run();
  void WaitIdle(std::unique_lock<std::mutex> &lock);

  std::vector<std::unique_ptr<uint8_t[]>> storage_;
  std::mutex mutex_;
  std::condition_variable work_;    // the writer: a job or the stop
  std::condition_variable changed_; // the owner: a buffer freed, the queue drained
  std::vector<uint8_t *> free_;
  std::deque<TJob> queue_;
  bool busy_ = false; // a job is being written
  bool stop_ = false;
  TStream *dest_ = nullptr;
  std::exception_ptr failure_;
  std::thread writer_; // started with the first submission
};

} // namespace package
