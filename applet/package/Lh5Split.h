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

// How often one symbol occurs in a segment.
struct TSegmentEntry {
  uint16_t Symbol; // literal/length, or kLiteralLengthSymbols + position class
  uint16_t Count;
};

struct TSplitBlock {
  size_t End; // one past the block's last symbol
  TBlockStats Stats;
};

class TBlockSplitter {
public:
  // Blocks of at most kMaxBlockSymbols symbols that together code symbols [0, count), in order.
  const std::vector<TSplitBlock> &Split(const TCodedSymbol *symbols, size_t count);

private:
  void CountSegments(const TCodedSymbol *symbols, size_t count);
  void GroupSegments(size_t count);
  void MoveCuts(const TCodedSymbol *symbols, size_t count);
  void JoinNeighbours(const TCodedSymbol *symbols);

  std::vector<TSegmentEntry> entries_;
  std::vector<size_t> segmentEntries_; // each segment's first entry, and the end of the last
  std::vector<double> best_;           // estimated bits of the first i segments
  std::vector<size_t> from_;           // where the last block of that best grouping starts
  std::vector<size_t> cuts_;           // block ends
  std::vector<TSplitBlock> blocks_;
};

} // namespace lh5
} // namespace package
