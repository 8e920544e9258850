#include "tools/virtual-recorder/SectorCodec.h"

#include "tools/virtual-recorder/CdTime.h"

#include <array>
#include <cstring>

namespace vrec {

namespace {

constexpr size_t kSyncSize = 12;
constexpr size_t kHeaderEnd = 16;
constexpr size_t kSubHeaderSize = 8;
constexpr size_t kUserSize = 2048;
constexpr size_t kMode2Size = 2336;
constexpr size_t kForm2UserSize = 2324;
constexpr size_t kMode1EdcOffset = 2064;
constexpr size_t kForm1EdcOffset = 2072;
constexpr size_t kForm2EdcOffset = 2348;
constexpr size_t kEccPOffset = 2076;
constexpr size_t kEccQOffset = 2248;
constexpr size_t kPMajor = 86, kPMinor = 24, kPMult = 2, kPInc = 86;
constexpr size_t kQMajor = 52, kQMinor = 43, kQMult = 86, kQInc = 88;
constexpr uint8_t kForm2Bit = 0x20;
constexpr uint32_t kEdcPolynomial = 0xD8018001; // x^32+x^31+x^16+x^15+x^4+x^3+x+1, reflected
constexpr unsigned kGfPolynomial = 0x11D;
constexpr size_t kScrambleLength = kSectorSize - kSyncSize;

struct TTables {
  std::array<uint32_t, 256> Edc{};
  std::array<uint8_t, 256> Exp{};
  std::array<uint8_t, 256> Log{};
  std::array<uint8_t, kScrambleLength> Scramble{};
  TTables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t r = i;
      for (int b = 0; b < 8; ++b)
        r = (r >> 1) ^ ((r & 1) != 0 ? kEdcPolynomial : 0);
      Edc[i] = r;
    }
    unsigned x = 1;
    for (unsigned i = 0; i < 255; ++i) {
      Exp[i] = static_cast<uint8_t>(x);
      Log[x] = static_cast<uint8_t>(i);
      x <<= 1;
      if ((x & 0x100) != 0)
        x ^= kGfPolynomial;
    }
    // x^15 + x + 1, seeded with 1, least significant bit first.
    unsigned reg = 1;
    for (size_t i = 0; i < kScrambleLength; ++i) {
      uint8_t byte = 0;
      for (int b = 0; b < 8; ++b) {
        byte = static_cast<uint8_t>(byte | (reg & 1) << b);
        const unsigned feedback = (reg ^ (reg >> 1)) & 1;
        reg = (reg >> 1) | (feedback << 14);
      }
      Scramble[i] = byte;
    }
  }
};

const TTables &Tables() {
  static const TTables tables;
  return tables;
}

uint8_t GfDivide(uint8_t a, uint8_t b) {
  if (a == 0)
    return 0;
  const TTables &t = Tables();
  return t.Exp[(t.Log[a] + 255 - t.Log[b]) % 255];
}

// Reed-Solomon parity of one family of codewords over bytes 12 onwards (header included):
// for each codeword p0 and p1 make both the plain sum and the sum weighted by powers of
// alpha zero.
void ComputeParity(const uint8_t *src, size_t majors, size_t minors, size_t mult, size_t inc,
                   uint8_t *parity) {
  const size_t size = majors * minors;
  const uint8_t alpha = 2;
  const uint8_t alphaPlusOne = 3;
  for (size_t major = 0; major < majors; ++major) {
    size_t index = (major >> 1) * mult + (major & 1);
    uint8_t s0 = 0, s1 = 0;
    for (size_t minor = 0; minor < minors; ++minor) {
      s0 ^= src[index];
      s1 = GfMultiply(static_cast<uint8_t>(s1 ^ src[index]), alpha);
      index += inc;
      if (index >= size)
        index -= size;
    }
    s1 = GfMultiply(s1, alpha);
    const uint8_t p0 = GfDivide(static_cast<uint8_t>(s0 ^ s1), alphaPlusOne);
    parity[major] = p0;
    parity[major + majors] = static_cast<uint8_t>(p0 ^ s0);
  }
}

void PutSyncAndHeader(int32_t lba, uint8_t mode, uint8_t *sector) {
  sector[0] = 0;
  std::memset(sector + 1, 0xFF, kSyncSize - 2);
  sector[kSyncSize - 1] = 0;
  const TMsf t = LbaToMsf(lba);
  sector[12] = ToBcd(t.M);
  sector[13] = ToBcd(t.S);
  sector[14] = ToBcd(t.F);
  sector[15] = mode;
}

void PutLe32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void FinishMode1(uint8_t *sector) {
  PutLe32(sector + kMode1EdcOffset, ComputeEdc(sector, kMode1EdcOffset));
  std::memset(sector + kMode1EdcOffset + 4, 0, 8);
  ComputeEccP(sector, sector + kEccPOffset);
  ComputeEccQ(sector, sector + kEccQOffset);
}

// Form 1 parity is computed with the header taken as zero.
void FinishForm1(uint8_t *sector) {
  PutLe32(sector + kForm1EdcOffset, ComputeEdc(sector + kHeaderEnd, kForm1EdcOffset - kHeaderEnd));
  uint8_t header[4];
  std::memcpy(header, sector + 12, 4);
  std::memset(sector + 12, 0, 4);
  ComputeEccP(sector, sector + kEccPOffset);
  ComputeEccQ(sector, sector + kEccQOffset);
  std::memcpy(sector + 12, header, 4);
}

void FinishForm2(uint8_t *sector) {
  PutLe32(sector + kForm2EdcOffset, ComputeEdc(sector + kHeaderEnd, kForm2EdcOffset - kHeaderEnd));
}

void PutSubHeader(const uint8_t *subHeader4, uint8_t *sector) {
  std::memcpy(sector + kHeaderEnd, subHeader4, 4);
  std::memcpy(sector + kHeaderEnd + 4, subHeader4, 4);
}

} // namespace

uint8_t GfMultiply(uint8_t a, uint8_t b) {
  if (a == 0 || b == 0)
    return 0;
  const TTables &t = Tables();
  return t.Exp[(t.Log[a] + t.Log[b]) % 255];
}

uint32_t ComputeEdc(const uint8_t *data, size_t length) {
  const TTables &t = Tables();
  uint32_t crc = 0;
  for (size_t i = 0; i < length; ++i)
    crc = t.Edc[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

void ComputeEccP(const uint8_t *sector, uint8_t *parity) {
  ComputeParity(sector + kSyncSize, kPMajor, kPMinor, kPMult, kPInc, parity);
}

void ComputeEccQ(const uint8_t *sector, uint8_t *parity) {
  ComputeParity(sector + kSyncSize, kQMajor, kQMinor, kQMult, kQInc, parity);
}

void Scramble(uint8_t *sector) {
  const TTables &t = Tables();
  for (size_t i = 0; i < kScrambleLength; ++i)
    sector[kSyncSize + i] ^= t.Scramble[i];
}

void BuildSector(TBlockFormat format, int32_t lba, const uint8_t *block, const uint8_t *subHeader,
                 uint8_t *sector) {
  switch (format) {
  case TBlockFormat::Audio:
  case TBlockFormat::RawSector:
    std::memcpy(sector, block, kSectorSize);
    return;
  case TBlockFormat::Mode1:
    std::memset(sector, 0, kSectorSize);
    PutSyncAndHeader(lba, 1, sector);
    std::memcpy(sector + kHeaderEnd, block, kUserSize);
    FinishMode1(sector);
    return;
  case TBlockFormat::Mode2:
    PutSyncAndHeader(lba, 2, sector);
    std::memcpy(sector + kHeaderEnd, block, kMode2Size);
    return;
  case TBlockFormat::Mode2Form1:
  case TBlockFormat::Mode2Form1Sub:
    std::memset(sector, 0, kSectorSize);
    PutSyncAndHeader(lba, 2, sector);
    if (format == TBlockFormat::Mode2Form1) {
      PutSubHeader(subHeader, sector);
      std::memcpy(sector + kHeaderEnd + kSubHeaderSize, block, kUserSize);
    } else {
      std::memcpy(sector + kHeaderEnd, block, kSubHeaderSize + kUserSize);
    }
    FinishForm1(sector);
    return;
  case TBlockFormat::Mode2Form2:
    PutSyncAndHeader(lba, 2, sector);
    PutSubHeader(subHeader, sector);
    std::memcpy(sector + kHeaderEnd + kSubHeaderSize, block, kForm2UserSize);
    FinishForm2(sector);
    return;
  case TBlockFormat::Mode2WithSub:
    std::memset(sector, 0, kSectorSize);
    PutSyncAndHeader(lba, 2, sector);
    if ((block[2] & kForm2Bit) != 0) {
      std::memcpy(sector + kHeaderEnd, block, kSubHeaderSize + kForm2UserSize);
      FinishForm2(sector);
    } else {
      std::memcpy(sector + kHeaderEnd, block, kSubHeaderSize + kUserSize);
      FinishForm1(sector);
    }
    return;
  }
}

void BuildEmptySector(int dataMode, int32_t lba, uint8_t *sector) {
  std::memset(sector, 0, kSectorSize);
  if (dataMode == 1) {
    PutSyncAndHeader(lba, 1, sector);
    FinishMode1(sector);
  } else if (dataMode == 2) {
    const uint8_t form2[4] = {0, 0, kForm2Bit, 0};
    PutSyncAndHeader(lba, 2, sector);
    PutSubHeader(form2, sector);
    FinishForm2(sector);
  }
}

} // namespace vrec
