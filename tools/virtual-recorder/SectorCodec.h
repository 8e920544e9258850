// Building 2352-byte CD sectors from the blocks a host sends: sync and header, the EDC and
// the P and Q parity of Mode 1 and Mode 2 Form 1, and the scrambler that raw writing applies
// to data sectors.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vrec {

constexpr size_t kSectorSize = 2352;
constexpr size_t kSubchannelSize = 16; // P-Q sub-channel of a raw block
constexpr size_t kRawPqBlockSize = kSectorSize + kSubchannelSize;

// The sector formats a host block can describe.
enum class TBlockFormat {
  Audio,         // 2352 bytes as they stand
  RawSector,     // 2352 bytes: a complete data sector (sync, header, data, EDC/ECC)
  Mode1,         // 2048 user bytes
  Mode2,         // 2336 bytes (Mode 2 formless)
  Mode2Form1,    // 2048 user bytes, sub-header from the write parameters
  Mode2Form1Sub, // 8-byte sub-header + 2048 user bytes
  Mode2Form2,    // 2324 user bytes, sub-header from the write parameters
  Mode2WithSub,  // 8-byte sub-header + 2324 bytes; form by the sub-header's form bit
};

// Builds the sector at lba from one block; subHeader (4 bytes) is used by the formats that do
// not carry their own. A Mode 2 Form 1 sector takes the first 2048 of its data bytes.
void BuildSector(TBlockFormat format, int32_t lba, const uint8_t *block, const uint8_t *subHeader,
                 uint8_t *sector);
// The sector the recorder makes for a generated block of a pregap or gap: silence for audio,
// an empty Mode 1 or Mode 2 Form 2 sector for data.
void BuildEmptySector(int dataMode, int32_t lba, uint8_t *sector);
// Applies (or removes: it is its own inverse) the scrambling of bytes 12-2351.
void Scramble(uint8_t *sector);

// Parts of the encoding, for tests.
uint32_t ComputeEdc(const uint8_t *data, size_t length);
void ComputeEccP(const uint8_t *sector, uint8_t *parity); // 172 bytes from bytes 12-2075
void ComputeEccQ(const uint8_t *sector, uint8_t *parity); // 104 bytes from bytes 12-2247
uint8_t GfMultiply(uint8_t a, uint8_t b);

} // namespace vrec
