// The sector cache within one thread: sizes, order, rotation, fill level and misuse. Waiting
// across threads is tested in threads/.
#include "applet/recording/Cache.h"

#include <gtest/gtest.h>

#include <vector>

namespace recording {
namespace {

constexpr uint32_t kBlockSize = 64;

class CacheTest : public ::testing::Test {
protected:
  void Allocate(int32_t blocks) {
    cache.SetBlockCount(blocks);
    cache.SetBlockSize(kBlockSize);
    cache.AllocateBlocks();
  }
  // Stores a packet of length bytes, each the low byte of lba + index.
  void Store(int32_t lba, uint32_t length, uint32_t sectors = 1) {
    std::vector<uint8_t> bytes(length);
    for (uint32_t i = 0; i < length; ++i)
      bytes[i] = static_cast<uint8_t>(lba + static_cast<int32_t>(i));
    cache.StorePacket({bytes.data(), length, sectors, lba});
  }
  TWriteRequest Fetch() {
    taken.assign(kBlockSize, 0xEE);
    TWriteRequest packet{taken.data(), 0, 0, 0};
    cache.FetchPacket(packet, kBlockSize);
    return packet;
  }

  TPacketList cache;
  std::vector<uint8_t> taken;
};

TEST(CachePercent, RoundsHalfToEven) {
  struct {
    int32_t Part, Whole, Percent;
  } cases[] = {{0, 128, 0},   {1, 128, 1},     {16, 128, 12}, {48, 128, 38},
               {64, 128, 50}, {128, 128, 100}, {1, 8, 12},    {5, 8, 62},
               {1, 200, 0},   {3, 200, 2},     {1, 0, 0}};
  for (const auto &c : cases)
    EXPECT_EQ(c.Percent, RoundedPercent(c.Part, c.Whole)) << c.Part << "/" << c.Whole;
}

TEST_F(CacheTest, CountAndPercentFollowStoresAndTakes) {
  Allocate(128);
  EXPECT_EQ(0, cache.Count());
  EXPECT_EQ(0, cache.PercentFull());
  const struct { int32_t Filled, Percent; } steps[] = {{16, 12}, {48, 38}, {64, 50}, {128, 100}};
  int32_t stored = 0;
  for (const auto &step : steps) {
    for (; stored < step.Filled; ++stored)
      Store(stored, 8);
    EXPECT_EQ(step.Filled, cache.Count());
    EXPECT_EQ(step.Percent, cache.PercentFull());
  }
  Fetch();
  EXPECT_EQ(127, cache.Count());
  EXPECT_EQ(99, cache.PercentFull());
}

TEST_F(CacheTest, PacketsComeOutOldestFirstAsBlocksRotate) {
  Allocate(3);
  const auto lengthOf = [](int32_t lba) { return 1 + static_cast<uint32_t>(lba) % kBlockSize; };
  int32_t nextIn = 100;
  int32_t nextOut = 100;
  for (int round = 0; round < 10; ++round) { // ten times round a three-block list
    for (; cache.Count() < 3; ++nextIn)
      Store(nextIn, lengthOf(nextIn), 2);
    for (int i = 0; i < 2; ++i) {
      const TWriteRequest p = Fetch();
      ASSERT_EQ(nextOut, p.Lba);
      EXPECT_EQ(2u, p.SectorCount);
      ASSERT_EQ(lengthOf(nextOut), p.BufferLength);
      for (uint32_t b = 0; b < p.BufferLength; ++b)
        ASSERT_EQ(static_cast<uint8_t>(nextOut + static_cast<int32_t>(b)), taken[b]);
      for (uint32_t b = p.BufferLength; b < kBlockSize; ++b)
        ASSERT_EQ(0xEE, taken[b]) << "only the packet's bytes are copied out";
      ++nextOut;
    }
  }
}

TEST_F(CacheTest, StoreCopiesThePacket) {
  Allocate(2);
  std::vector<uint8_t> bytes(kBlockSize, 0x11);
  cache.StorePacket({bytes.data(), kBlockSize, 27, -11634});
  bytes.assign(kBlockSize, 0x22);
  const TWriteRequest p = Fetch();
  EXPECT_EQ(-11634, p.Lba);
  EXPECT_EQ(27u, p.SectorCount);
  EXPECT_EQ(std::vector<uint8_t>(kBlockSize, 0x11), taken);
}

TEST_F(CacheTest, MisuseIsReportedAndLeavesTheCacheIntact) {
  TWriteRequest empty{};
  EXPECT_THROW(cache.StorePacket(empty), ECacheError); // not allocated
  cache.SetBlockCount(0);
  cache.SetBlockSize(kBlockSize);
  EXPECT_THROW(cache.AllocateBlocks(), ECacheError);
  Allocate(2);
  EXPECT_THROW(Fetch(), ECacheError); // empty
  std::vector<uint8_t> big(kBlockSize + 1, 1);
  EXPECT_THROW(cache.StorePacket({big.data(), kBlockSize + 1, 1, 0}), ECacheError);
  EXPECT_THROW(cache.StorePacket({nullptr, 4, 1, 0}), ECacheError);
  EXPECT_EQ(0, cache.Count());
  Store(1, kBlockSize);
  Store(2, 4);
  EXPECT_THROW(Store(3, 4), ECacheError); // full
  std::vector<uint8_t> small(kBlockSize - 1);
  TWriteRequest p{small.data(), 0, 0, 0};
  EXPECT_THROW(cache.FetchPacket(p, kBlockSize - 1), ECacheError); // does not fit
  EXPECT_EQ(2, cache.Count());
  EXPECT_EQ(1, Fetch().Lba);
  EXPECT_EQ(2, Fetch().Lba);
}

TEST_F(CacheTest, WaitsGiveUpInsteadOfBlockingWhenNothingCanChange) {
  Allocate(1);
  std::vector<uint8_t> buffer(kBlockSize);
  TWriteRequest p{buffer.data(), 0, 0, 0};
  const auto stop = [] { return true; };
  EXPECT_FALSE(cache.Pop(p, kBlockSize, stop)); // empty, stop raised
  Store(7, 4);
  EXPECT_FALSE(cache.Snap(p, stop)); // full, stop raised
  EXPECT_EQ(1, cache.Count());
  // A raised stop only ends waiting: a packet that is there is still taken, and stored.
  ASSERT_TRUE(cache.Pop(p, kBlockSize, stop));
  EXPECT_EQ(7, p.Lba);
  EXPECT_TRUE(cache.Snap(p, stop));

  cache.CloseConsumer();
  EXPECT_FALSE(cache.Snap(p)); // full and nobody takes
  cache.CloseProducer();
  EXPECT_TRUE(cache.Pop(p, kBlockSize));  // what was stored still drains
  EXPECT_FALSE(cache.Pop(p, kBlockSize)); // empty and nobody stores

  Store(8, 4);
  cache.Open(); // the next pair starts with an empty cache and both ends open
  EXPECT_EQ(0, cache.Count());
  EXPECT_EQ(0, cache.PercentFull());
  EXPECT_TRUE(cache.Snap(p));
  EXPECT_TRUE(cache.Pop(p, kBlockSize));

  cache.FreeBlocks();
  EXPECT_FALSE(cache.Snap(p)); // no blocks
  EXPECT_FALSE(cache.Pop(p, kBlockSize));
}

TEST(CurrentCache, CreatedAllocatedAndFreed) {
  EXPECT_EQ(nullptr, CurrentCache());
  TPacketList &cache = CreateCurrentCache(kDaoCacheSize);
  EXPECT_EQ(&cache, CurrentCache());
  EXPECT_EQ(128, cache.BlockCount());
  EXPECT_EQ(65535u, cache.BlockSize());
  std::vector<uint8_t> packet(63936, 1);
  EXPECT_TRUE(cache.Snap({packet.data(), 63936, 27, -11634}));
  CreateCurrentCache(kTaoCacheSize); // a new recording replaces it
  EXPECT_EQ(32768u, CurrentCache()->BlockSize());
  EXPECT_EQ(0, CurrentCache()->Count());
  FreeCurrentCache();
  EXPECT_EQ(nullptr, CurrentCache());
}

} // namespace
} // namespace recording
