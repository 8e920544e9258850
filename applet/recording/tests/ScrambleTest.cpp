#include "applet/recording/Scramble.h"
#include "applet/recording/RawSector.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace recording {
namespace {

// The scrambler sequence from the shift register's recurrence b(n+15) = b(n) XOR b(n+1),
// started from b(0) = 1 and fourteen zeros, bits taken least significant first.
std::vector<uint8_t> SequenceFromRecurrence() {
  std::vector<uint8_t> bits(2340 * 8 + 15, 0);
  bits[0] = 1;
  for (size_t n = 0; n + 15 < bits.size(); ++n)
    bits[n + 15] = bits[n] ^ bits[n + 1];
  std::vector<uint8_t> bytes(2340, 0);
  for (size_t i = 0; i < bytes.size() * 8; ++i)
    bytes[i / 8] |= static_cast<uint8_t>(bits[i] << (i % 8));
  return bytes;
}

TEST(Scramble, ZerosBecomeTheScramblerSequenceAndTheSyncStays) {
  TRawSector sector{};
  for (size_t i = 0; i < 12; ++i)
    sector[i] = static_cast<uint8_t>(0xA0 + i);
  ScrambleSector(sector.data());
  const uint8_t prefix[] = {0x01, 0x80, 0x00, 0x60, 0x00, 0x28, 0x00, 0x1E};
  for (size_t i = 0; i < sizeof prefix; ++i)
    EXPECT_EQ(prefix[i], sector[12 + i]) << i;
  const std::vector<uint8_t> sequence = SequenceFromRecurrence();
  EXPECT_EQ(sequence, std::vector<uint8_t>(sector.begin() + 12, sector.end()));
  for (size_t i = 0; i < 12; ++i)
    EXPECT_EQ(0xA0 + i, sector[i]) << i;
}

TEST(Scramble, ScramblingTwiceRestoresTheSector) {
  std::mt19937 random(1);
  TRawSector sector;
  for (uint8_t &b : sector)
    b = static_cast<uint8_t>(random());
  const TRawSector original = sector;
  ScrambleSector(sector.data());
  EXPECT_NE(original, sector);
  ScrambleSector(sector.data());
  EXPECT_EQ(original, sector);
}

} // namespace
} // namespace recording
