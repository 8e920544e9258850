#include "applet/platform/Dispatcher.h"
#include "applet/platform/Sync.h"
#include "applet/platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using platform::TEvent;
using platform::TMainThread;

namespace {
class DispatcherTest : public ::testing::Test {
protected:
  void SetUp() override {
    TMainThread::Reset();
    TMainThread::Adopt();
  }
  void TearDown() override { TMainThread::Reset(); }

  // Runs queued closures until done() holds or two seconds have passed.
  template <class F> bool PumpUntil(F done) {
    for (int i = 0; i < 200 && !done(); ++i) {
      TMainThread::WaitPending(10);
      TMainThread::ProcessPending();
    }
    return done();
  }
};

class TCountingThread : public platform::TThread {
public:
  std::atomic<int> Steps{0};
  int SeenOnMain = 0;

protected:
  void Execute() override {
    for (int i = 0; i < 5; ++i) {
      ++Steps;
      Synchronize([this] { ++SeenOnMain; });
    }
  }
};
} // namespace

TEST_F(DispatcherTest, SynchronizeRunsOnMainThreadAndWaits) {
  std::atomic<bool> returned{false};
  std::thread::id ranOn;
  std::thread worker([&] {
    EXPECT_TRUE(TMainThread::Synchronize([&] { ranOn = std::this_thread::get_id(); }));
    returned = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  // On the main thread itself the call runs at once.
  bool direct = false;
  EXPECT_TRUE(TMainThread::Synchronize([&] { direct = true; }));
  EXPECT_TRUE(direct);
}

TEST_F(DispatcherTest, ShutdownReleasesWaitingWorkers) {
  std::atomic<int> result{-1};
  std::thread worker([&] { result = TMainThread::Synchronize([] {}) ? 1 : 0; });
  while (!TMainThread::WaitPending(10)) {
  }
  TMainThread::Shutdown();
  worker.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(TMainThread::Synchronize([] {}));
}

TEST_F(DispatcherTest, ThreadEndsWithOnTerminateOnMainThread) {
  TCountingThread thread;
  std::atomic<bool> terminated{false};
  thread.OnTerminate = [&](platform::TThread *) {
    EXPECT_TRUE(TMainThread::IsMainThread());
    terminated = true;
  };
  thread.Start();
  EXPECT_TRUE(PumpUntil([&] { return terminated.load(); }));
  thread.WaitFor();
  EXPECT_EQ(thread.Steps.load(), 5);
  EXPECT_EQ(thread.SeenOnMain, 5);
  EXPECT_TRUE(thread.Finished());
}

TEST(Event, ManualAndAutomaticReset) {
  TEvent manual(true), automatic(false);
  EXPECT_FALSE(manual.WaitFor(0));
  manual.SetEvent();
  EXPECT_TRUE(manual.WaitFor(0));
  EXPECT_TRUE(manual.WaitFor(0));
  manual.ResetEvent();
  EXPECT_FALSE(manual.WaitFor(5));
  automatic.SetEvent();
  EXPECT_TRUE(automatic.WaitFor(0));
  EXPECT_FALSE(automatic.WaitFor(0));
  std::thread setter([&] { automatic.SetEvent(); });
  EXPECT_TRUE(automatic.WaitFor(platform::kInfinite));
  setter.join();
}
