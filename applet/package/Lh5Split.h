// Where "LH5" blocks end: a run of symbols is cut where its statistics change, so that each
// block's own codes fit it.
//
// The run is cut into segments of equal size; the cheapest way to group whole segments into
// blocks of up to a quarter of the longest follows from estimated sizes (entropy of each block's
// symbols plus its tables). Each cut is then moved to the best place near it, and neighbours
// whose exact sizes say they are smaller together are joined, up to the longest block.
#pragma once

#include "applet/package/Lh5Block.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace package {
namespace lh5 {

class TBlockSplitter {
public:
  TBlockSplitter();

  // The ends of blocks of at most kMaxBlockSymbols symbols that together code symbols
  // [0, count), in increasing order.
  const std::vector<size_t> &Split(const TCodedSymbol *symbols, size_t count);

private:
  void CountSegments(const TCodedSymbol *symbols, size_t count);
  void GroupSegments(size_t count);
  void MoveCuts(const TCodedSymbol *symbols, size_t count);
  void JoinNeighbours(const TCodedSymbol *symbols);

  const float *flogf_; // f * log2(f)
  // Per segment, each symbol that occurs and how often: symbol << 16 | count, where the symbol
  // is a literal/length or kLiteralLengthSymbols + a position class.
  std::vector<uint32_t> entries_;
  std::vector<size_t> segmentEntries_; // each segment's first entry, and the end of the last
  std::vector<uint32_t> best_;         // estimated bits of the first i segments
  std::vector<size_t> from_;           // where the last block of that best grouping starts
  std::vector<size_t> cuts_;           // block ends
};

} // namespace lh5
} // namespace package
