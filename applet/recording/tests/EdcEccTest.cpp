// EDC and P/Q parity. The parity is checked against the check matrices of the product code
// with GF(2^8) arithmetic of the test's own, independent of the encoder's tables.
#include "applet/recording/RawSector.h"
#include "applet/recording/edc_ecc.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace recording {
namespace {

using device::TrackModeText;
using device::TTrackMode;

constexpr unsigned kFieldPolynomial = 0x11D; // x^8 + x^4 + x^3 + x^2 + 1

// v times a (= x) in GF(2^8): a shift, reduced by the field polynomial.
uint8_t TimesAlpha(uint8_t v) {
  unsigned x = static_cast<unsigned>(v) << 1;
  if (x & 0x100)
    x ^= kFieldPolynomial;
  return static_cast<uint8_t>(x);
}

// Syndromes of v under [1 1 ... 1; a^(n-1) ... a^1 a^0], a = 0x02 (Horner's rule).
std::pair<uint8_t, uint8_t> Syndromes(const std::vector<uint8_t> &v) {
  uint8_t s0 = 0;
  uint8_t s1 = 0;
  for (uint8_t byte : v) {
    s0 ^= byte;
    s1 = TimesAlpha(s1) ^ byte;
  }
  return {s0, s1};
}

// The sector from byte 12 on as 1170 16-bit words in two byte planes.
uint8_t WordByte(const TRawSector &s, size_t word, size_t plane) {
  return s[12 + 2 * word + plane];
}

// Counts the P and Q vectors whose syndromes are not both zero.
int FailingVectors(const TRawSector &s) {
  int failing = 0;
  for (size_t plane = 0; plane < 2; ++plane) {
    for (size_t np = 0; np < 43; ++np) { // P: 26 words down column np
      std::vector<uint8_t> v;
      for (size_t mp = 0; mp < 26; ++mp)
        v.push_back(WordByte(s, 43 * mp + np, plane));
      failing += Syndromes(v) != std::make_pair<uint8_t, uint8_t>(0, 0);
    }
    for (size_t nq = 0; nq < 26; ++nq) { // Q: 43 words along diagonal nq, then two parity
      std::vector<uint8_t> v;
      for (size_t mq = 0; mq < 43; ++mq)
        v.push_back(WordByte(s, (44 * mq + 43 * nq) % 1118, plane));
      v.push_back(WordByte(s, 1118 + nq, plane));
      v.push_back(WordByte(s, 1144 + nq, plane));
      failing += Syndromes(v) != std::make_pair<uint8_t, uint8_t>(0, 0);
    }
  }
  return failing;
}

uint32_t BitwiseEdc(const uint8_t *data, size_t size) {
  uint32_t r = 0;
  for (size_t i = 0; i < size; ++i) {
    r ^= data[i];
    for (int bit = 0; bit < 8; ++bit)
      r = (r >> 1) ^ ((r & 1) ? 0xD8018001u : 0);
  }
  return r;
}

TUserData RandomUserData(std::mt19937 &random) {
  TUserData data;
  for (uint8_t &b : data)
    b = static_cast<uint8_t>(random());
  return data;
}

TEST(EdcEcc, EdcIsTheReflectedCrcOfTheStandard) {
  const std::vector<uint8_t> zeros(2064, 0);
  EXPECT_EQ(0u, EdcOf(zeros.data(), zeros.size()));
  const uint8_t one = 1;
  EXPECT_EQ(0x90910101u, EdcOf(&one, 1)); // table entry 1
  std::mt19937 random(7);
  for (size_t size : {1u, 3u, 100u, 2064u}) {
    std::vector<uint8_t> data(size);
    for (uint8_t &b : data)
      b = static_cast<uint8_t>(random());
    EXPECT_EQ(BitwiseEdc(data.data(), size), EdcOf(data.data(), size)) << size;
  }
}

TEST(EdcEcc, ComputeEdcStoresMode1EdcLeastSignificantByteFirstOnly) {
  std::mt19937 random(11);
  TRawSector sector;
  for (uint8_t &b : sector)
    b = static_cast<uint8_t>(random());
  const TRawSector original = sector;
  for (const TTrackMode mode : {TTrackMode::Mode2, TTrackMode::Audio}) {
    ComputeEDC(sector.data(), mode);
    EXPECT_EQ(original, sector) << TrackModeText(mode);
  }
  ComputeEDC(sector.data(), TTrackMode::Mode1);
  const uint32_t edc = BitwiseEdc(sector.data(), 2064);
  EXPECT_EQ(static_cast<uint8_t>(edc), sector[2064]);
  EXPECT_EQ(static_cast<uint8_t>(edc >> 8), sector[2065]);
  EXPECT_EQ(static_cast<uint8_t>(edc >> 16), sector[2066]);
  EXPECT_EQ(static_cast<uint8_t>(edc >> 24), sector[2067]);
  sector[2064] = original[2064];
  sector[2065] = original[2065];
  sector[2066] = original[2066];
  sector[2067] = original[2067];
  EXPECT_EQ(original, sector); // nothing else changed
}

TEST(EdcEcc, EveryPAndQVectorOfAnEncodedSectorHasZeroSyndromes) {
  std::mt19937 random(3);
  TUserData ones;
  ones.fill(0xFF);
  const std::vector<std::pair<int32_t, TUserData>> cases = {{0, TUserData{}},
                                                            {-151, ones},
                                                            {1234, RandomUserData(random)},
                                                            {-11634, RandomUserData(random)},
                                                            {333000, RandomUserData(random)}};
  for (const auto &c : cases) {
    const TRawSector sector = Mode1Sector(SectorAddress(c.first), c.second, false);
    EXPECT_EQ(0, FailingVectors(sector)) << c.first;
    TRawSector corrupt = sector;
    corrupt[500] ^= 0x01; // one P vector and one Q vector of plane 0
    EXPECT_EQ(2, FailingVectors(corrupt)) << c.first;
  }
}

TEST(EdcEcc, ParityIsAddedIntoTheParityBytes) {
  std::mt19937 random(5);
  const TRawSector encoded = Mode1Sector(SectorAddress(42), RandomUserData(random), false);
  TRawSector sector = encoded;
  ComputeParityP(sector.data()); // over the same data again: P cancels itself
  for (size_t i = 2076; i < 2248; ++i)
    EXPECT_EQ(0, sector[i]) << i;
  sector = encoded;
  for (size_t i = 2076; i < 2352; ++i)
    sector[i] = 0;
  ComputeParityP(sector.data());
  ComputeParityQ(sector.data());
  EXPECT_EQ(encoded, sector);
}

} // namespace
} // namespace recording
