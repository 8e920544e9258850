// Cutting "LH5" symbol runs into blocks: cuts where the statistics change, never larger than
// fixed chunks or one block, and blocks within the format's limit.
#include "applet/package/Lh5Split.h"
#include "applet/package/tests/CodecSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace package {
namespace testing {
namespace {

using lh5::TCodedSymbol;

// Literals of the given bytes.
void AddLiterals(std::vector<TCodedSymbol> &symbols, const std::vector<uint8_t> &bytes) {
  for (const uint8_t b : bytes)
    symbols.push_back(TCodedSymbol{b, 0});
}

uint64_t StatsBits(const TCodedSymbol *symbols, size_t count) {
  lh5::TBlockStats stats;
  for (size_t i = 0; i < count; ++i)
    stats.Add(symbols[i]);
  return lh5::BlockBits(stats);
}

// Bits of the run in fixed chunks of the given size.
uint64_t ChunkedBits(const std::vector<TCodedSymbol> &symbols, size_t chunk) {
  uint64_t bits = 0;
  for (size_t start = 0; start < symbols.size(); start += chunk)
    bits += StatsBits(symbols.data() + start, std::min(chunk, symbols.size() - start));
  return bits;
}

struct TSplitCase {
  const char *Name;
  std::vector<TCodedSymbol> Symbols;
  std::vector<size_t> Changes; // where the statistics change: a cut must fall near each
};

std::vector<TSplitCase> Cases() {
  std::vector<TSplitCase> cases;
  {
    TSplitCase c{"text, noise, text", {}, {}};
    AddLiterals(c.Symbols, Text(20000, TRandom(1)));
    c.Changes.push_back(c.Symbols.size());
    AddLiterals(c.Symbols, RandomBytes(3000, TRandom(2)));
    c.Changes.push_back(c.Symbols.size());
    AddLiterals(c.Symbols, Text(20000, TRandom(3)));
    cases.push_back(c);
  }
  {
    TSplitCase c{"audio then text", {}, {}};
    AddLiterals(c.Symbols, Audio(30001, TRandom(4)));
    c.Changes.push_back(c.Symbols.size());
    AddLiterals(c.Symbols, Text(25000, TRandom(5)));
    cases.push_back(c);
  }
  {
    // One literal, then a long run of one match: the literal is best alone.
    TSplitCase c{"literal then one match", {TCodedSymbol{0, 0}}, {1}};
    c.Symbols.resize(9000, TCodedSymbol{lh5::kMatchBase + lh5::kLongestMatch, 0});
    cases.push_back(c);
  }
  {
    TSplitCase c{"text beyond a block", {}, {}};
    AddLiterals(c.Symbols, Text(150000, TRandom(6)));
    for (size_t i = 0; i < c.Symbols.size(); i += 7)
      c.Symbols[i] = TCodedSymbol{static_cast<uint16_t>(lh5::kMatchBase + 3 + i % 5),
                                  static_cast<uint16_t>(i % 8000)};
    cases.push_back(c);
  }
  return cases;
}

TEST(Lh5Split, CutsWhereStatisticsChangeAndCostNoMoreThanFixedChunks) {
  constexpr size_t kNear = 64;
  lh5::TBlockSplitter splitter;
  for (const TSplitCase &c : Cases()) {
    SCOPED_TRACE(c.Name);
    const std::vector<size_t> &ends = splitter.Split(c.Symbols.data(), c.Symbols.size());
    ASSERT_FALSE(ends.empty());
    EXPECT_EQ(ends.back(), c.Symbols.size());
    size_t start = 0;
    uint64_t bits = 0;
    for (const size_t end : ends) {
      ASSERT_GT(end, start);
      EXPECT_LE(end - start, lh5::kMaxBlockSymbols);
      bits += StatsBits(c.Symbols.data() + start, end - start);
      start = end;
    }
    for (const size_t change : c.Changes) {
      const bool near = std::any_of(ends.begin(), ends.end(), [&](size_t cut) {
        return static_cast<size_t>(std::abs(static_cast<long>(cut) - static_cast<long>(change))) <=
               kNear;
      });
      EXPECT_TRUE(near) << "no cut near " << change;
    }
    for (const size_t chunk : {size_t{2048}, size_t{8192}, size_t{lh5::kMaxBlockSymbols}})
      EXPECT_LE(bits, ChunkedBits(c.Symbols, chunk)) << "chunks of " << chunk;
  }
}

TEST(Lh5Split, EmptyRunHasNoBlocks) {
  lh5::TBlockSplitter splitter;
  EXPECT_TRUE(splitter.Split(nullptr, 0).empty());
}

} // namespace
} // namespace testing
} // namespace package
