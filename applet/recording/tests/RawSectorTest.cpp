#include "applet/recording/RawSector.h"
#include "applet/recording/Scramble.h"
#include "applet/recording/edc_ecc.h"

#include <gtest/gtest.h>

#include <random>

namespace recording {
namespace {

const uint8_t kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

struct TAddressCase {
  int32_t Lba;
  uint8_t Minute, Second, Frame;
};

TEST(RawSector, HeaderCarriesTheBcdAbsoluteTime) {
  const TAddressCase cases[] = {{0, 0x00, 0x02, 0x00},    {-150, 0x00, 0x00, 0x00},
                                {-151, 0x99, 0x59, 0x74}, {-11634, 0x97, 0x26, 0x66},
                                {4350, 0x01, 0x00, 0x00}, {449849, 0x99, 0x59, 0x74}};
  for (const TAddressCase &c : cases) {
    const TRawSector sector = Mode2Sector(SectorAddress(c.Lba), false);
    EXPECT_EQ(c.Minute, sector[12]) << c.Lba;
    EXPECT_EQ(c.Second, sector[13]) << c.Lba;
    EXPECT_EQ(c.Frame, sector[14]) << c.Lba;
  }
}

TEST(RawSector, LeadInAddressCountsBlocksWithTheMinuteMarked) {
  const TAddressCase cases[] = {
      {0, 0xA0, 0x00, 0x00}, {74, 0xA0, 0x00, 0x74}, {2 * 4500 + 3 * 75 + 4, 0xA2, 0x03, 0x04}};
  for (const TAddressCase &c : cases) {
    const device::TMsf a = LeadInSectorAddress(c.Lba);
    EXPECT_EQ(c.Minute, a.Minute) << c.Lba;
    EXPECT_EQ(c.Second, a.Second) << c.Lba;
    EXPECT_EQ(c.Frame, a.Frame) << c.Lba;
  }
}

TEST(RawSector, Mode1SectorLayout) {
  std::mt19937 random(9);
  TUserData user;
  for (uint8_t &b : user)
    b = static_cast<uint8_t>(random());
  const TRawSector sector = Mode1Sector(SectorAddress(0), user, false);
  EXPECT_TRUE(std::equal(kSync, kSync + 12, sector.begin()));
  EXPECT_EQ(1, sector[15]);
  EXPECT_TRUE(std::equal(user.begin(), user.end(), sector.begin() + 16));
  const uint32_t edc = EdcOf(sector.data(), 2064);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(static_cast<uint8_t>(edc >> (8 * i)), sector[2064 + i]);
  for (size_t i = 2068; i < 2076; ++i)
    EXPECT_EQ(0, sector[i]) << i;

  // Built in place over stale bytes, the sector comes out the same.
  TRawSector dirty;
  dirty.fill(0xC3);
  BuildMode1Sector(dirty.data(), SectorAddress(0), user.data());
  EXPECT_EQ(sector, dirty);

  TRawSector scrambled = sector;
  ScrambleSector(scrambled.data());
  EXPECT_EQ(scrambled, Mode1Sector(SectorAddress(0), user, true));
}

TEST(RawSector, GeneratedMode2SectorIsForm2Zeros) {
  TRawSector sector;
  sector.fill(0x77);
  BuildMode2Sector(sector.data(), SectorAddress(-151));
  EXPECT_TRUE(std::equal(kSync, kSync + 12, sector.begin()));
  EXPECT_EQ(2, sector[15]);
  for (size_t i = 16; i < sector.size(); ++i)
    EXPECT_EQ(i == 18 || i == 22 ? 0x20 : 0x00, sector[i]) << i;
  TRawSector scrambled = sector;
  ScrambleSector(scrambled.data());
  EXPECT_EQ(scrambled, Mode2Sector(SectorAddress(-151), true));
}

} // namespace
} // namespace recording
