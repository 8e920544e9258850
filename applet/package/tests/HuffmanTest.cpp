// Bit input and output, canonical Huffman tables and code construction.
#include "applet/package/Huffman.h"
#include "applet/package/BitIO.h"
#include "applet/package/CompressErrors.h"
#include "applet/package/tests/MemoryIO.h"

#include <gtest/gtest.h>

#include <utility>

namespace package {
namespace testing {
namespace {

TEST(BitIO, ReadsMostSignificantBitFirstThenZerosAfterTheEnd) {
  TMemoryIO io({0xA5, 0x0F});
  TBitReader<TMemoryIO> in(io);
  EXPECT_EQ(in.Peek(3), 0x5u);
  EXPECT_EQ(in.Take(4), 0xAu);
  EXPECT_EQ(in.Bit(), 0u);
  EXPECT_EQ(in.Take(0), 0u);
  EXPECT_EQ(in.Take(7), 0x50u);
  EXPECT_EQ(in.Take(4), 0xFu);
  EXPECT_EQ(in.Take(16), 0u);
  EXPECT_EQ(in.Take(16), 0u);
  EXPECT_GT(io.ReadsPastEnd(), 0u);
}

TEST(BitIO, WriterPacksFieldsAndPadsTheLastByteWithZeros) {
  const std::pair<unsigned, uint32_t> fields[] = {{3, 5}, {16, 0xBEEF}, {1, 1}, {0, 7}, {9, 0x1FF}};
  TByteSink sink;
  TBitWriter<TByteSink> out(sink);
  for (const auto &f : fields)
    out.Put(f.first, f.second);
  out.PadToByte();
  ASSERT_EQ(sink.Bytes.size(), 4u); // 29 bits
  TMemoryIO io(sink.Bytes);
  TBitReader<TMemoryIO> in(io);
  for (const auto &f : fields)
    EXPECT_EQ(in.Take(f.first), f.first ? f.second : 0u);
  EXPECT_EQ(in.Take(3), 0u);
  EXPECT_EQ(sink.Bytes[0], 0xB7); // 101 then the top of 0xBEEF
}

// Encodes symbols with the canonical codes of the lengths and decodes them with a table.
void CheckDecodes(const std::vector<uint8_t> &lengths, unsigned directBits) {
  const unsigned n = static_cast<unsigned>(lengths.size());
  std::vector<uint16_t> codes(n);
  CanonicalCodes(lengths.data(), n, codes.data());
  TByteSink sink;
  TBitWriter<TByteSink> out(sink);
  std::vector<unsigned> sent;
  for (unsigned round = 0; round < 3; ++round)
    for (unsigned s = 0; s < n; ++s)
      if (lengths[s] != 0) {
        out.Put(lengths[s], codes[s]);
        sent.push_back(s);
      }
  out.PadToByte();
  THuffmanTable table(THuffmanShape{n, directBits});
  table.Build(lengths.data());
  TMemoryIO io(sink.Bytes);
  TBitReader<TMemoryIO> in(io);
  for (const unsigned s : sent)
    ASSERT_EQ(table.Decode(in), s);
}

TEST(HuffmanTable, DecodesCanonicalCodesThroughDirectEntriesAndTrees) {
  CheckDecodes({2, 1, 3, 3}, 2);
  CheckDecodes({2, 1, 3, 3}, 8);
  // Lengths 1 to 16 plus a second 16: the deepest codes go through the tree.
  std::vector<uint8_t> deep;
  for (uint8_t len = 1; len <= 16; ++len)
    deep.push_back(len);
  deep.push_back(16);
  CheckDecodes(deep, 8);
  CheckDecodes(deep, 12);
  // The first code's bits are 0...0 and go to the shortest symbol.
  TMemoryIO io({0x00, 0x00});
  TBitReader<TMemoryIO> in(io);
  THuffmanTable table(THuffmanShape{4, 2});
  const uint8_t lengths[] = {2, 1, 3, 3};
  table.Build(lengths);
  EXPECT_EQ(table.Decode(in), 1u);
}

TEST(HuffmanTable, SingleSymbolFormTakesNoBits) {
  THuffmanTable table(THuffmanShape{14, 8});
  table.SetSingle(13);
  TMemoryIO io({0xFF});
  TBitReader<TMemoryIO> in(io);
  EXPECT_EQ(table.Decode(in), 13u);
  EXPECT_EQ(in.Take(8), 0xFFu);
}

TEST(HuffmanTable, RejectsIncompleteOverfullAndTooLongCodes) {
  const std::vector<std::vector<uint8_t>> bad = {
      {1, 0, 0, 0},   // half the code space unused
      {0, 0, 0, 0},   // nothing
      {1, 1, 1, 0},   // over-full
      {1, 2, 3, 0},   // one code short
      {1, 17, 17, 0}, // longer than 16 bits
      {1, 2, 3, 4},   // incomplete at the bottom
  };
  for (const auto &lengths : bad) {
    THuffmanTable table(THuffmanShape{4, 2});
    EXPECT_THROW(table.Build(lengths.data()), ELZHBadDecodeTable);
  }
  THuffmanTable table(THuffmanShape{14, 8});
  EXPECT_THROW(table.SetSingle(14), ELZHBadDecodeTable);
}

TEST(CodeLengths, AreLimitedToSixteenBitsAndFillTheCodeSpace) {
  // Fibonacci frequencies would need codes of 29 bits without the limit.
  std::vector<uint32_t> freq(30);
  freq[0] = freq[1] = 1;
  for (size_t i = 2; i < freq.size(); ++i)
    freq[i] = freq[i - 1] + freq[i - 2];
  std::vector<uint8_t> lengths(freq.size());
  EXPECT_EQ(BuildCodeLengths(freq.data(), 30, lengths.data()), 30u);
  uint32_t space = 0;
  for (size_t i = 0; i < lengths.size(); ++i) {
    ASSERT_GE(lengths[i], 1);
    ASSERT_LE(lengths[i], 16);
    space += 1u << (16 - lengths[i]);
    if (i > 0) {
      EXPECT_LE(lengths[i], lengths[i - 1]) << "a more frequent symbol got a longer code";
    }
  }
  EXPECT_EQ(space, 1u << 16);
  CheckDecodes(lengths, 8);

  const uint32_t lone[] = {0, 0, 5, 0};
  uint8_t loneLengths[4];
  EXPECT_EQ(BuildCodeLengths(lone, 4, loneLengths), 1u);
  EXPECT_EQ(loneLengths[2], 0);
}

} // namespace
} // namespace testing
} // namespace package
