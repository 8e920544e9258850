// The "LH5" decoder on hand-made blocks: single-symbol codes, the table readers and bad tables.
#include "applet/package/Lh5.h"
#include "applet/package/tests/MemoryIO.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace package {
namespace testing {
namespace {

using TFields = std::vector<std::pair<unsigned, uint32_t>>;

std::vector<uint8_t> Pack(const TFields &fields) {
  TByteSink sink;
  TBitWriter<TByteSink> out(sink);
  for (const auto &f : fields)
    out.Put(f.first, f.second);
  out.PadToByte();
  return sink.Bytes;
}

TFields operator+(TFields a, const TFields &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A block whose three codes are single symbols: every symbol is `literal`, taking no bits.
TFields SingleLiteralBlock(uint32_t size, uint32_t literal) {
  return {{16, size}, {5, 0}, {5, 0}, {9, 0}, {9, literal}, {4, 0}, {4, 0}};
}

// The code-length code with symbols 2 and 3 of length 1: "0" is a long zero run, "1" length 1.
const TFields kTwoSymbolLengthCode = {{5, 4}, {3, 0}, {3, 0}, {3, 1}, {2, 0}, {3, 1}};

std::string Decode(const std::vector<uint8_t> &stream, uint32_t size) {
  TMemoryIO io(stream);
  Lh5Decode(io, size);
  return std::string(io.Output().begin(), io.Output().end());
}

TEST(Lh5Decode, SingleSymbolCodesTakeNoBits) {
  EXPECT_EQ(Decode(Pack(SingleLiteralBlock(5, 'A')), 5), "AAAAA");
  // A block size of 0 serves 65536 symbols before the next block header.
  const std::string out =
      Decode(Pack(SingleLiteralBlock(0, 'A') + SingleLiteralBlock(1, 'B')), 65537);
  EXPECT_EQ(out, std::string(65536, 'A') + "B");
}

TEST(Lh5Decode, LyingSizeStopsSoonAfterTheInputEnds) {
  // Zero bits make single-symbol blocks that take no bits per symbol; only their headers read
  // past the end, so a few blocks at most come out of an empty stream.
  EXPECT_LE(Decode({}, 1u << 30).size(), 4u * 65536u * 256u);
  const std::string out = Decode(Pack(SingleLiteralBlock(5, 'A')), 1u << 30);
  EXPECT_EQ(out.substr(0, 5), "AAAAA");
  EXPECT_LT(out.size(), size_t{1} << 30);
}

TEST(Lh5Decode, ReadsCodeLengthsZeroRunsAndSinglePositions) {
  // Literal/length code: 'B' (66) is 0 and symbol 256 (a match of 3) is 1; the lengths are sent
  // as a run of 66 zeros, 1, a run of 189 zeros, 1. The position code is the single class 0.
  const TFields block = TFields{{16, 2}} + kTwoSymbolLengthCode +
                        TFields{{9, 257}, {1, 0}, {9, 66 - 20}, {1, 1}, {1, 0}, {9, 189 - 20},
                                {1, 1},   {4, 0}, {4, 0},       {1, 0}, {1, 1}};
  EXPECT_EQ(Decode(Pack(block), 4), "BBBB");
}

TEST(Lh5Decode, FirstMatchCopiesSpaces) {
  // Literal/length code of symbols 256 and 257 (matches of 3 and 4); position single 100.
  const TFields block = TFields{{16, 2}} + kTwoSymbolLengthCode +
                        TFields{{9, 258}, {1, 0}, {9, 256 - 20}, {1, 1}, {1, 1}, {4, 0},
                                {4, 7},   {1, 1}, {6, 36},       {1, 0}, {6, 36}};
  EXPECT_EQ(Decode(Pack(block), 7), "       ");
}

TEST(Lh5Decode, BadTablesRaiseAndKeepEarlierOutput) {
  const struct {
    const char *what;
    TFields fields;
  } cases[] = {
      {"one literal of length 1 in a normal code",
       TFields{{16, 1}} + kTwoSymbolLengthCode + TFields{{9, 1}, {1, 1}}},
      {"single position class out of range",
       TFields{{16, 1}, {5, 0}, {5, 0}, {9, 0}, {9, 65}, {4, 0}, {4, 14}}},
      {"single literal out of range", TFields{{16, 1}, {5, 0}, {5, 0}, {9, 0}, {9, 510}}},
      {"code length of 17 bits", TFields{{16, 1}, {5, 1}, {14, (1u << 14) - 2}}},
      {"more code-length lengths than symbols", TFields{{16, 1}, {5, 20}}},
      {"more literal lengths than symbols", TFields{{16, 1}, {5, 0}, {5, 3}, {9, 511}}},
      {"over-full position code",
       TFields{{16, 1}, {5, 0}, {5, 0}, {9, 0}, {9, 65}, {4, 3}, {3, 1}, {3, 1}, {3, 1}}},
  };
  for (const auto &c : cases) {
    TMemoryIO io(Pack(SingleLiteralBlock(3, 'A') + c.fields));
    EXPECT_THROW(Lh5Decode(io, 10), ELZHBadDecodeTable) << c.what;
    EXPECT_EQ(std::string(io.Output().begin(), io.Output().end()), "AAA") << c.what;
  }
}

TEST(Lh5Decode, SizeZeroReadsNothing) {
  TMemoryIO io({0xFF, 0xFF});
  Lh5Decode(io, 0);
  EXPECT_EQ(io.Consumed(), 0u);
  EXPECT_TRUE(io.Output().empty());
}

} // namespace
} // namespace testing
} // namespace package
