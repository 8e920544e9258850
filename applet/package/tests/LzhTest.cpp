// The "LZH" decoder's format details: the position code, the prefilled window and the tree.
#include "applet/package/Lzh.h"
#include "applet/package/tests/CodecSamples.h"
#include "applet/package/tests/MemoryIO.h"

#include <gtest/gtest.h>

#include <string>

namespace package {
namespace testing {
namespace {

using namespace lzh;

// The code of an upper position value as text.
std::string CodeText(const TPositionCode &pc, unsigned value) {
  std::string s;
  for (unsigned i = pc.Length[value]; i-- > 0;)
    s += ((pc.Code[value] >> i) & 1) ? '1' : '0';
  return s;
}

TEST(LzhPositionCode, AssignsCanonicalCodesByValue) {
  const struct {
    unsigned value;
    const char *code;
  } cases[] = {{0, "000"},      {1, "0010"},     {3, "0100"},      {4, "01010"},    {12, "100100"},
               {24, "1100000"}, {47, "1110111"}, {48, "11110000"}, {63, "11111111"}};
  const TPositionCode &pc = PositionCode();
  for (const auto &c : cases) {
    EXPECT_EQ(CodeText(pc, c.value), c.code) << c.value;
    // Every byte that begins with the code decodes to the value.
    const unsigned len = pc.Length[c.value];
    const unsigned first = unsigned{pc.Code[c.value]} << (8 - len);
    for (unsigned i = 0; i < (1u << (8 - len)); ++i) {
      EXPECT_EQ(pc.ValueOf[first + i], c.value);
      EXPECT_EQ(pc.LengthOf[first + i], len);
    }
  }
}

TEST(LzhDecode, SizeZeroReadsNothing) {
  TMemoryIO io({0xFF, 0xFF});
  LzhDecode(io, 0);
  EXPECT_EQ(io.Consumed(), 0u);
  EXPECT_TRUE(io.Output().empty());
}

TEST(LzhDecode, FirstMatchCopiesSpacesFromThePrefilledWindow) {
  // Symbol 256 (a match of 3) along the start tree's path, then position 0.
  TByteSink sink;
  TBitWriter<TByteSink> out(sink);
  TLzhTree tree;
  PutSymbol(tree, out, kMatchBase + 3);
  PutPosition(out, 0);
  PutSymbol(tree, out, 'x');
  out.PadToByte();
  TMemoryIO io(sink.Bytes);
  LzhDecode(io, 4);
  EXPECT_EQ(std::string(io.Output().begin(), io.Output().end()), "   x");
}

// Follows a symbol's path from the root and returns the leaf's symbol.
unsigned WalkPath(const TLzhTree &tree, unsigned s) {
  uint8_t bits[kMaxPathBits];
  const unsigned n = tree.Path(s, bits);
  unsigned node = tree.Child(kRoot);
  for (unsigned i = 0; i < n && node < kNodes; ++i)
    node = tree.Child(node + bits[i]);
  return node - kNodes;
}

TEST(LzhTree, RebuildsOnceTheRootReachesTheLimitAndStaysAPrefixCode) {
  TLzhTree tree;
  EXPECT_EQ(tree.RootFrequency(), kSymbols);
  TRandom rng(9);
  const unsigned untilLimit = kRebuildFrequency - kSymbols; // 32454 symbols
  for (unsigned i = 0; i < untilLimit; ++i)
    tree.Update((rng.Next() >> 8) % (i % 3 ? 40 : kSymbols));
  EXPECT_EQ(tree.RootFrequency(), kRebuildFrequency);
  tree.Update('e');
  EXPECT_LT(tree.RootFrequency(), kRebuildFrequency / 2 + kSymbols);
  for (unsigned s = 0; s < kSymbols; ++s)
    ASSERT_EQ(WalkPath(tree, s), s);
}

TEST(LzhDecode, EndedStreamStopsShortlyAfterItsInput) {
  const std::vector<uint8_t> text = Text(20000, TRandom(11));
  TMemoryIO enc(text);
  LzhEncode(enc);
  std::vector<uint8_t> cut(enc.Output().begin(), enc.Output().begin() + 1000);
  // A header that claims far more than the stream holds: decoding stops within a few symbols of
  // zero bits past the end instead of producing the claimed size.
  TMemoryIO dec(cut);
  LzhDecode(dec, 1u << 30);
  EXPECT_GT(dec.ReadsPastEnd(), 0u);
  EXPECT_LT(dec.Output().size(), text.size());
  ASSERT_GE(dec.Output().size(), 1000u);
  EXPECT_TRUE(std::equal(dec.Output().begin(), dec.Output().begin() + 1000, text.begin()));
  TMemoryIO empty(std::vector<uint8_t>{});
  LzhDecode(empty, 1u << 30);
  EXPECT_LE(empty.Output().size(), 65u * kLongestMatch);
}

} // namespace
} // namespace testing
} // namespace package
