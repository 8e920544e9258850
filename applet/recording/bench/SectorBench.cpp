// Mode 1 encoding speed on one thread: DAO-style packets of 27 blocks, each sector built whole
// (sync, header, user data, EDC, P, Q) and scrambled in place. Runs several rounds and prints
// each round's rate and their median in sectors per second.
#include "applet/recording/RawSector.h"
#include "applet/recording/Scramble.h"
#include "applet/recording/edc_ecc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {
constexpr size_t kBlockSize = 2368; // sector and sub-channel, as in a DAO packet
constexpr size_t kPacketBlocks = 27;
constexpr double kDefaultSeconds = 1.0;
constexpr int kDefaultRounds = 5;
} // namespace

// Encodes for about seconds and returns the rate in sectors per second.
double Round(double seconds, std::vector<uint8_t> &packet, const std::vector<uint8_t> &source,
             unsigned &check) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  int32_t lba = 0;
  uint64_t sectors = 0;
  double elapsed = 0;
  do {
    for (size_t i = 0; i < kPacketBlocks; ++i, ++lba) {
      uint8_t *sector = packet.data() + i * kBlockSize;
      recording::BuildMode1Sector(sector, recording::SectorAddress(lba),
                                  source.data() + i * recording::kMode1UserDataSize);
      recording::ScrambleSector(sector);
    }
    sectors += kPacketBlocks;
    check ^= packet[recording::kParityQOffset + (sectors % recording::kParityQSize)];
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  return static_cast<double>(sectors) / elapsed;
}

int main(int argc, char **argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : kDefaultSeconds;
  const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : kDefaultRounds);
  recording::InitEccTables();
  recording::InitScrambleTable();
  std::mt19937 random(1);
  std::vector<uint8_t> source(kPacketBlocks * recording::kMode1UserDataSize);
  for (uint8_t &b : source)
    b = static_cast<uint8_t>(random());
  std::vector<uint8_t> packet(kPacketBlocks * kBlockSize, 0);
  unsigned check = 0;
  std::vector<double> rates;
  for (int i = 0; i < rounds; ++i) {
    rates.push_back(Round(seconds, packet, source, check));
    std::printf("round %d: %.0f sectors/s\n", i + 1, rates.back());
  }
  std::sort(rates.begin(), rates.end());
  std::printf("check %u\n", check);
  std::printf("mode1_sectors_per_second %.0f\n", rates[rates.size() / 2]);
  return 0;
}
