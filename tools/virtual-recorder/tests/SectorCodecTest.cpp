// Sector encoding: EDC, the Reed-Solomon parity checked by its syndromes, the scrambler, and
// the sectors built from each kind of host block.
#include "tools/virtual-recorder/SectorCodec.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vrec;

namespace {

uint8_t Power(uint8_t base, int n) {
  uint8_t r = 1;
  for (int i = 0; i < n; ++i)
    r = GfMultiply(r, base);
  return r;
}

// True when a codeword (data then two parity bytes) has both syndromes zero.
bool CodewordHolds(const std::vector<uint8_t> &c) {
  uint8_t s0 = 0, s1 = 0;
  const int n = static_cast<int>(c.size());
  for (int i = 0; i < n; ++i) {
    s0 ^= c[i];
    s1 ^= GfMultiply(c[i], Power(2, n - 1 - i));
  }
  return s0 == 0 && s1 == 0;
}

std::vector<uint8_t> Mode1Sector(int32_t lba) {
  std::vector<uint8_t> user(2048), sector(kSectorSize);
  for (size_t i = 0; i < user.size(); ++i)
    user[i] = static_cast<uint8_t>(i * 7 + 3);
  BuildSector(TBlockFormat::Mode1, lba, user.data(), nullptr, sector.data());
  return sector;
}

TEST(SectorCodec, EdcIsTheCdRomCrc) {
  const char check[] = "123456789";
  EXPECT_EQ(ComputeEdc(reinterpret_cast<const uint8_t *>(check), 9), 0x6EC2EDC4u);
}

TEST(SectorCodec, ParityCodewordsHaveZeroSyndromes) {
  const std::vector<uint8_t> s = Mode1Sector(1234);
  for (int major = 0; major < 86; ++major) {
    std::vector<uint8_t> c;
    c.reserve(26);
    for (int minor = 0; minor < 24; ++minor)
      c.push_back(s[12 + major + 86 * minor]);
    c.push_back(s[2076 + major]);
    c.push_back(s[2076 + 86 + major]);
    ASSERT_TRUE(CodewordHolds(c)) << "P " << major;
  }
  for (int major = 0; major < 52; ++major) {
    std::vector<uint8_t> c;
    c.reserve(45);
    int index = (major / 2) * 86 + major % 2;
    for (int minor = 0; minor < 43; ++minor) {
      c.push_back(s[12 + index]);
      index = (index + 88) % 2236;
    }
    c.push_back(s[2248 + major]);
    c.push_back(s[2248 + 52 + major]);
    ASSERT_TRUE(CodewordHolds(c)) << "Q " << major;
  }
  std::vector<uint8_t> damaged = s;
  damaged[500] ^= 1;
  uint8_t parity[172];
  ComputeEccP(damaged.data(), parity);
  EXPECT_NE(std::vector<uint8_t>(parity, parity + 172),
            std::vector<uint8_t>(s.begin() + 2076, s.begin() + 2248));
}

TEST(SectorCodec, ScramblerSequenceAndInverse) {
  std::vector<uint8_t> s(kSectorSize, 0);
  Scramble(s.data());
  const std::vector<uint8_t> start = {0x01, 0x80, 0x00, 0x60, 0x00, 0x28, 0x00, 0x1E, 0x80, 0x08};
  EXPECT_EQ(std::vector<uint8_t>(s.begin() + 12, s.begin() + 22), start);
  EXPECT_EQ(s[0], 0) << "sync stays";
  Scramble(s.data());
  EXPECT_EQ(s, std::vector<uint8_t>(kSectorSize, 0));
}

TEST(SectorCodec, SectorsFromEachBlockFormat) {
  const std::vector<uint8_t> m1 = Mode1Sector(0);
  EXPECT_EQ(std::vector<uint8_t>(m1.begin(), m1.begin() + 16),
            (std::vector<uint8_t>{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0,
                                  0x00, 0x02, 0x00, 0x01}));
  EXPECT_EQ(ComputeEdc(m1.data(), 2064),
            m1[2064] | m1[2065] << 8 | m1[2066] << 16 | uint32_t{m1[2067]} << 24);

  std::vector<uint8_t> block(2336, 0x44), sector(kSectorSize);
  block[2] = 0x20; // form 2
  BuildSector(TBlockFormat::Mode2WithSub, 16, block.data(), nullptr, sector.data());
  EXPECT_EQ(sector[15], 2);
  EXPECT_EQ(sector[18], 0x20);
  EXPECT_EQ(ComputeEdc(sector.data() + 16, 2332),
            sector[2348] | sector[2349] << 8 | sector[2350] << 16 | uint32_t{sector[2351]} << 24);

  const uint8_t subHeader[4] = {1, 2, 0x08, 0};
  BuildSector(TBlockFormat::Mode2Form1, -10, block.data(), subHeader, sector.data());
  EXPECT_EQ(sector[12], 0x00) << "LBA -10 is 00:01:65";
  EXPECT_EQ(sector[13], 0x01);
  EXPECT_EQ(sector[14], 0x65);
  EXPECT_EQ(std::vector<uint8_t>(sector.begin() + 16, sector.begin() + 24),
            (std::vector<uint8_t>{1, 2, 0x08, 0, 1, 2, 0x08, 0}));
  EXPECT_EQ(ComputeEdc(sector.data() + 16, 2056),
            sector[2072] | sector[2073] << 8 | sector[2074] << 16 | uint32_t{sector[2075]} << 24);

  BuildEmptySector(0, 5, sector.data());
  EXPECT_EQ(sector, std::vector<uint8_t>(kSectorSize, 0)) << "audio silence";
}

} // namespace
