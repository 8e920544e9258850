// Workers reach the status record only through the main thread's dispatcher.
#include "applet/platform/Dispatcher.h"
#include "applet/recording/Status.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace recording {
namespace {

constexpr int kLines = 200;

class StatusThreadsTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::TMainThread::Adopt();
    platform::TMainThread::Reset();
  }
  void TearDown() override { platform::TMainThread::Reset(); }
  TStatusForm status;
};

TEST_F(StatusThreadsTest, WorkerUpdatesRunOnTheMainThreadInOrder) {
  std::atomic<int> done{0};
  auto worker = [&](TWorker who) {
    for (int i = 0; i < kLines; ++i) {
      status.Log(who, std::to_string(i));
      status.SetCacheProgress(i % 101);
    }
    if (who == TWorker::Writer)
      status.WriterFailed = true;
    ++done;
  };
  std::thread cacheThread(worker, TWorker::CacheThread);
  std::thread writer(worker, TWorker::Writer);
  while (done < 2)
    if (!platform::TMainThread::ProcessPending())
      platform::TMainThread::WaitPending(1);
  cacheThread.join();
  writer.join();
  EXPECT_TRUE(status.WriterFailed);
  const auto &log = status.Controls().Log;
  ASSERT_EQ(2u * kLines, log.size());
  int next1 = 0;
  int next2 = 0;
  for (const std::string &line : log) {
    if (line.rfind("Thread1: ", 0) == 0)
      EXPECT_EQ("Thread1: " + std::to_string(next1++), line);
    else
      EXPECT_EQ("Thread2: " + std::to_string(next2++), line);
  }
  EXPECT_EQ(kLines, next1);
  EXPECT_EQ(kLines, next2);
  EXPECT_EQ((kLines - 1) % 101, status.Controls().BufferProgressBar);
}

TEST_F(StatusThreadsTest, UpdatesAfterShutdownReturnWithoutWaiting) {
  platform::TMainThread::Shutdown();
  std::thread worker([&] { status.Log(TWorker::CacheThread, "late"); });
  worker.join(); // would hang if the call waited for a main thread that no longer dispatches
  EXPECT_TRUE(status.Controls().Log.empty());
}

} // namespace
} // namespace recording
