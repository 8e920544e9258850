// CD-TEXT read back from packed R-W lead-in blocks: symbols to packs, the CRC, the strings.
#include "tools/virtual-recorder/CdTextReader.h"

#include <gtest/gtest.h>

using namespace vrec;

namespace {

// The first pack of a disc titled "Album X" whose track 1 is "Song ...", CRC D872.
const uint8_t kPack[kTextPackSize] = {0x80, 0,   0, 0,   'A', 'l', 'b', 'u',  'm',
                                      ' ',  'X', 0, 'S', 'o', 'n', 'g', 0xD8, 0x72};

// 24 six-bit symbols of an 18-byte pack, most significant bit first.
void Symbols(const uint8_t *pack, uint8_t *out) {
  for (size_t bit = 0; bit < kTextPackSize * 8; ++bit)
    if ((pack[bit / 8] >> (7 - bit % 8) & 1) != 0)
      out[bit / 6] = static_cast<uint8_t>(out[bit / 6] | 0x20 >> (bit % 6));
}

TEST(CdTextReader, KeepsGoodPacksAndCountsBadOnes) {
  uint8_t block[kRwBlockSize] = {};
  for (size_t p = 0; p < 4; ++p)
    Symbols(kPack, block + p * 24);
  block[2 * 24 + 7] ^= 0x04; // one bit of the third pack
  TCdTextReader reader;
  reader.Add(block, 1);
  EXPECT_EQ(4U, reader.PacksRead());
  EXPECT_EQ(1U, reader.BadPacks());
  EXPECT_EQ(std::vector<uint8_t>(kPack, kPack + kTextPackSize), reader.Packs());
  const TCdTextStrings text = DecodeCdText(reader.Packs());
  EXPECT_EQ(std::vector<std::string>{"Album X"}, text.Titles); // "Song" is not terminated
  EXPECT_TRUE(text.Performers.empty());
}

} // namespace
