// The sector cache between a producer and a consumer thread: the stream arrives whole and in
// order, each side waits for the other, and a wait ends in bounded time when the other side
// ends or a stop flag is raised.
#include "applet/recording/Cache.h"
#include "applet/recording/Status.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace recording {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kBlockSize = 4096;
constexpr auto kSettle = std::chrono::milliseconds(100); // time for a wrong return to show
constexpr auto kBound = std::chrono::seconds(5);

uint8_t PatternByte(int32_t packet, uint32_t index) {
  return static_cast<uint8_t>(packet * 31 + static_cast<int32_t>(index) * 7);
}
uint32_t LengthOf(int32_t packet) { return 1 + static_cast<uint32_t>(packet * 997) % kBlockSize; }

class CacheThreadsTest : public ::testing::Test {
protected:
  void SetUp() override {
    cache.SetBlockCount(4);
    cache.SetBlockSize(kBlockSize);
    cache.AllocateBlocks();
    in.assign(kBlockSize, 0x5A);
    out.assign(kBlockSize, 0);
  }
  void Fill() {
    for (int32_t i = 0; i < cache.BlockCount(); ++i)
      ASSERT_TRUE(cache.Snap({in.data(), 16, 1, i}));
  }
  TWriteRequest OutPacket() { return {out.data(), 0, 0, 0}; }
  // The cache thread's and the writer's stop checks.
  TStopCheck ProducerStop() {
    return [this] { return status.UserCancelled || status.WriterFailed || status.WriterFinished; };
  }
  TStopCheck ConsumerStop() {
    return [this] { return status.UserCancelled || status.ReaderFailed; };
  }

  TPacketList cache;
  TStatusForm status;
  std::vector<uint8_t> in, out;
};

TEST_F(CacheThreadsTest, StreamArrivesWholeAndInOrder) {
  constexpr int32_t kPackets = 3000;
  std::thread producer([this] {
    std::vector<uint8_t> buffer(kBlockSize);
    for (int32_t n = 0; n < kPackets; ++n) {
      const uint32_t length = LengthOf(n);
      for (uint32_t i = 0; i < length; ++i)
        buffer[i] = PatternByte(n, i);
      if (!cache.Snap({buffer.data(), length, static_cast<uint32_t>(n % 27 + 1), n - 11634}))
        return;
    }
    cache.CloseProducer();
  });
  int32_t received = 0;
  bool intact = true;
  TWriteRequest packet = OutPacket();
  while (cache.Pop(packet, kBlockSize)) {
    const int32_t n = received++;
    intact = intact && packet.Lba == n - 11634 && packet.BufferLength == LengthOf(n) &&
             packet.SectorCount == static_cast<uint32_t>(n % 27 + 1);
    for (uint32_t i = 0; intact && i < packet.BufferLength; ++i)
      intact = out[i] == PatternByte(n, i);
    ASSERT_TRUE(intact) << "packet " << n;
  }
  producer.join();
  EXPECT_EQ(kPackets, received);
}

TEST_F(CacheThreadsTest, SnapOnAFullCacheReturnsOnlyAfterATake) {
  Fill();
  std::atomic<bool> stored{false};
  std::thread producer([&] {
    EXPECT_TRUE(cache.Snap({in.data(), 16, 1, 99}));
    stored = true;
  });
  std::this_thread::sleep_for(kSettle);
  EXPECT_FALSE(stored);
  TWriteRequest packet = OutPacket();
  ASSERT_TRUE(cache.Pop(packet, kBlockSize));
  EXPECT_EQ(0, packet.Lba);
  producer.join();
  EXPECT_TRUE(stored);
  EXPECT_EQ(4, cache.Count());
}

TEST_F(CacheThreadsTest, PopOnAnEmptyCacheReturnsOnlyAfterAStore) {
  std::atomic<bool> taken{false};
  std::thread consumer([&] {
    TWriteRequest packet = OutPacket();
    EXPECT_TRUE(cache.Pop(packet, kBlockSize));
    EXPECT_EQ(42, packet.Lba);
    taken = true;
  });
  std::this_thread::sleep_for(kSettle);
  EXPECT_FALSE(taken);
  ASSERT_TRUE(cache.Snap({in.data(), 16, 1, 42}));
  consumer.join();
  EXPECT_TRUE(taken);
  EXPECT_EQ(0, cache.Count());
}

// A blocked side gives up within a bounded time when the other side ends or a flag rises.
TEST_F(CacheThreadsTest, BlockedSideGivesUpWhenTheOtherEndsOrAFlagRises) {
  struct TCase {
    const char *Name;
    bool BlockProducer;                   // else the consumer blocks on an empty cache
    std::atomic<bool> TStatusForm::*Flag; // raised instead of closing the other end
  };
  const TCase cases[] = {
      {"writer ends", true, nullptr},
      {"cache thread ends", false, nullptr},
      {"cancel, cache thread blocked", true, &TStatusForm::UserCancelled},
      {"cancel, writer blocked", false, &TStatusForm::UserCancelled},
      {"writer failed", true, &TStatusForm::WriterFailed},
      {"writer finished", true, &TStatusForm::WriterFinished},
      {"reader failed", false, &TStatusForm::ReaderFailed},
  };
  for (const TCase &c : cases) {
    cache.Open();
    status.UserCancelled = status.WriterFailed = status.WriterFinished = false;
    status.ReaderFailed = false;
    if (c.BlockProducer)
      Fill();
    std::atomic<bool> returned{false};
    std::atomic<bool> result{true};
    std::thread blocked([&] {
      TWriteRequest packet = OutPacket();
      result = c.BlockProducer ? cache.Snap({in.data(), 16, 1, 7}, ProducerStop())
                               : cache.Pop(packet, kBlockSize, ConsumerStop());
      returned = true;
    });
    std::this_thread::sleep_for(kSettle);
    EXPECT_FALSE(returned) << c.Name;
    const auto raised = Clock::now();
    if (c.Flag)
      (status.*c.Flag) = true;
    else if (c.BlockProducer)
      cache.CloseConsumer();
    else
      cache.CloseProducer();
    while (!returned && Clock::now() - raised < kBound)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(returned) << c.Name;
    blocked.join();
    EXPECT_FALSE(result) << c.Name;
    EXPECT_EQ(c.BlockProducer ? 4 : 0, cache.Count()) << c.Name;
  }
}

// Cancel while the cache is full and the cache thread waits to store: the writer takes one
// more packet, sees the flag and writes nothing; the cache thread stores its packet into the
// freed block or gives up, and both end.
TEST_F(CacheThreadsTest, CancelWhileFull) {
  Fill();
  std::atomic<int> stored{0};
  std::thread cacheThread([&] {
    for (int32_t n = 4; !(status.UserCancelled || status.WriterFailed); ++n) {
      if (!cache.Snap({in.data(), 16, 1, n}, ProducerStop()))
        break;
      ++stored;
    }
    cache.CloseProducer();
  });
  std::this_thread::sleep_for(kSettle);
  EXPECT_EQ(0, stored);
  status.UserCancelled = true;
  int taken = 0;
  int written = 0;
  std::thread writer([&] {
    TWriteRequest packet = OutPacket();
    while (cache.Pop(packet, kBlockSize, ConsumerStop())) {
      ++taken;
      if (status.UserCancelled || status.ReaderFailed)
        break;
      ++written;
    }
    cache.CloseConsumer();
  });
  writer.join();
  cacheThread.join();
  EXPECT_EQ(1, taken);
  EXPECT_EQ(0, written);
  EXPECT_LE(stored, 1);
  EXPECT_EQ(3 + stored, cache.Count());
}

} // namespace
} // namespace recording
