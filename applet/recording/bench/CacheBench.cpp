// Sector cache throughput: a producer thread snaps DAO packets (27 blocks of 2,368 bytes) into
// a 128 x 65,535-byte cache while a consumer thread pops them into its own 65,535-byte buffer,
// checking the order. Runs several rounds and prints each round's rate and their median in
// packet bytes moved per second.
#include "applet/recording/Cache.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {
constexpr uint32_t kBlockSize = recording::kDaoCacheSize.BlockSize;
constexpr uint32_t kPacketBytes = 27 * 2368;
constexpr long kDefaultPackets = 15000; // about 960 MB a round
constexpr int kDefaultRounds = 5;
} // namespace

// Moves packets through a fresh cache; returns bytes per second, or 0 when a packet was lost or
// came out of order.
double Round(long packets) {
  recording::TPacketList cache;
  cache.SetBlockCount(recording::kDaoCacheSize.BlockCount);
  cache.SetBlockSize(kBlockSize);
  cache.AllocateBlocks();

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  std::thread producer([&] {
    std::vector<uint8_t> buffer(kPacketBytes, 0x5A);
    for (long n = 0; n < packets; ++n) {
      std::memcpy(buffer.data(), &n, sizeof n);
      if (!cache.Snap({buffer.data(), kPacketBytes, 27, static_cast<int32_t>(n)}))
        break;
    }
    cache.CloseProducer();
  });
  std::vector<uint8_t> taken(kBlockSize);
  recording::TWriteRequest packet{taken.data(), 0, 0, 0};
  long received = 0;
  bool ordered = true;
  while (cache.Pop(packet, kBlockSize)) {
    long n = 0;
    std::memcpy(&n, taken.data(), sizeof n);
    ordered = ordered && n == received && packet.Lba == static_cast<int32_t>(received);
    ++received;
  }
  producer.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  if (!ordered || received != packets)
    return 0;
  return static_cast<double>(received) * kPacketBytes / elapsed;
}

int main(int argc, char **argv) {
  const long packets = argc > 1 ? std::atol(argv[1]) : kDefaultPackets;
  const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : kDefaultRounds);
  std::vector<double> rates;
  for (int i = 0; i < rounds; ++i) {
    rates.push_back(Round(packets));
    std::printf("round %d: %.0f MB/s\n", i + 1, rates.back() / 1e6);
    if (rates.back() == 0) {
      std::printf("packets lost or out of order\n");
      return 1;
    }
  }
  std::sort(rates.begin(), rates.end());
  std::printf("cache_bytes_per_second %.0f\n", rates[rates.size() / 2]);
  return 0;
}
