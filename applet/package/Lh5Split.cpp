#include "applet/package/Lh5Split.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace package {
namespace lh5 {
namespace {

constexpr unsigned kAlphabet = kLiteralLengthSymbols + kPositionClasses;
constexpr size_t kSegment = 1024;       // symbols; cuts fall between segments at first
constexpr size_t kGroupSymbols = 16384; // longest block grouped; joining makes longer ones
// Estimated table bits of a block, and per used literal/length symbol. Both are kept low: a
// needless cut costs little, since joining by exact sizes undoes it.
constexpr double kTableBits = 40;
constexpr double kUsedLiteralBits = 2;
constexpr uint32_t kLogTableSize = 4096;

// f * log2(f) for small f.
const double *FLogFTable() {
  static const std::vector<double> table = [] {
    std::vector<double> t(kLogTableSize, 0.0);
    for (uint32_t i = 1; i < kLogTableSize; ++i)
      t[i] = i * std::log2(static_cast<double>(i));
    return t;
  }();
  return table.data();
}

unsigned PositionSymbol(unsigned position) {
  return kLiteralLengthSymbols + PositionClass(position);
}

// Symbol counts of a candidate block with what its entropy needs, kept up to date as counts
// change.
class TEstimate {
public:
  double FLogF(uint32_t f) const {
    return f < kLogTableSize ? table_[f] : f * std::log2(static_cast<double>(f));
  }
  void Clear() {
    std::fill(count_, count_ + kAlphabet, 0u);
    sum_[0] = sum_[1] = 0;
    total_[0] = total_[1] = 0;
    used_[0] = used_[1] = 0;
  }
  void Add(unsigned s, uint32_t n) {
    const uint32_t old = count_[s];
    count_[s] = old + n;
    const unsigned a = s >= kLiteralLengthSymbols;
    sum_[a] += FLogF(old + n) - FLogF(old);
    total_[a] += n;
    used_[a] += old == 0;
  }
  void Remove(unsigned s) {
    const uint32_t old = count_[s];
    count_[s] = old - 1;
    const unsigned a = s >= kLiteralLengthSymbols;
    sum_[a] += FLogF(old - 1) - FLogF(old);
    --total_[a];
    used_[a] -= old == 1;
  }
  void AddSymbol(TCodedSymbol s) {
    Add(s.Symbol, 1);
    if (s.Symbol >= kLiterals)
      Add(PositionSymbol(s.Position), 1);
  }
  void RemoveSymbol(TCodedSymbol s) {
    Remove(s.Symbol);
    if (s.Symbol >= kLiterals)
      Remove(PositionSymbol(s.Position));
  }
  // Counts symbols [from, to) of a run of count at once: whole segments by their entries, the
  // rest one by one.
  void Set(const TCodedSymbol *symbols, size_t from, size_t to, size_t count,
           const std::vector<TSegmentEntry> &entries, const std::vector<size_t> &segmentEntries) {
    Clear();
    const size_t first = (from + kSegment - 1) / kSegment;
    const size_t last = to == count ? segmentEntries.size() - 1 : to / kSegment;
    if (first >= last) {
      CountSymbols(symbols, from, to);
    } else {
      CountSymbols(symbols, from, first * kSegment);
      for (size_t e = segmentEntries[first]; e < segmentEntries[last]; ++e)
        count_[entries[e].Symbol] += entries[e].Count;
      CountSymbols(symbols, std::min(to, last * kSegment), to);
    }
    for (unsigned s = 0; s < kAlphabet; ++s) {
      const unsigned a = s >= kLiteralLengthSymbols;
      sum_[a] += FLogF(count_[s]);
      total_[a] += count_[s];
      used_[a] += count_[s] != 0;
    }
  }
  // Estimated bits of the block, less the verbatim position bits, which no cut changes.
  double Bits() const {
    return CodeBits(0) + CodeBits(1) + kTableBits + kUsedLiteralBits * used_[0];
  }

private:
  void CountSymbols(const TCodedSymbol *symbols, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      ++count_[symbols[i].Symbol];
      if (symbols[i].Symbol >= kLiterals)
        ++count_[PositionSymbol(symbols[i].Position)];
    }
  }
  // The entropy of one alphabet's symbols; a code of two or more symbols takes a bit at least.
  double CodeBits(unsigned a) const {
    if (used_[a] < 2)
      return 0;
    return std::max(FLogF(total_[a]) - sum_[a], static_cast<double>(total_[a]));
  }

  const double *table_ = FLogFTable();
  uint32_t count_[kAlphabet] = {};
  double sum_[2] = {};     // of f * log2(f) over the counts
  uint32_t total_[2] = {}; // literal/length symbols, positions
  unsigned used_[2] = {};
};

} // namespace

const std::vector<TSplitBlock> &TBlockSplitter::Split(const TCodedSymbol *symbols, size_t count) {
  blocks_.clear();
  cuts_.clear();
  if (count == 0)
    return blocks_;
  CountSegments(symbols, count);
  GroupSegments(count);
  MoveCuts(symbols, count);
  JoinNeighbours(symbols);
  return blocks_;
}

void TBlockSplitter::CountSegments(const TCodedSymbol *symbols, size_t count) {
  entries_.clear();
  segmentEntries_.clear();
  uint16_t tally[kAlphabet] = {};
  for (size_t start = 0; start < count; start += kSegment) {
    segmentEntries_.push_back(entries_.size());
    const size_t end = std::min(count, start + kSegment);
    for (size_t i = start; i < end; ++i) {
      ++tally[symbols[i].Symbol];
      if (symbols[i].Symbol >= kLiterals)
        ++tally[PositionSymbol(symbols[i].Position)];
    }
    for (unsigned s = 0; s < kAlphabet; ++s)
      if (tally[s] != 0) {
        entries_.push_back(TSegmentEntry{static_cast<uint16_t>(s), tally[s]});
        tally[s] = 0;
      }
  }
  segmentEntries_.push_back(entries_.size());
}

void TBlockSplitter::GroupSegments(size_t count) {
  const size_t segments = segmentEntries_.size() - 1;
  best_.assign(segments + 1, std::numeric_limits<double>::infinity());
  from_.assign(segments + 1, 0);
  best_[0] = 0;
  TEstimate estimate;
  for (size_t i = 0; i < segments; ++i) {
    estimate.Clear();
    for (size_t j = i; j < segments; ++j) {
      const size_t end = std::min(count, (j + 1) * kSegment);
      if (end - i * kSegment > kGroupSymbols)
        break;
      for (size_t e = segmentEntries_[j]; e < segmentEntries_[j + 1]; ++e)
        estimate.Add(entries_[e].Symbol, entries_[e].Count);
      const double bits = best_[i] + estimate.Bits();
      if (bits < best_[j + 1]) {
        best_[j + 1] = bits;
        from_[j + 1] = i;
      }
    }
  }
  for (size_t j = segments; j > 0; j = from_[j])
    cuts_.push_back(std::min(count, j * kSegment));
  std::reverse(cuts_.begin(), cuts_.end());
}

void TBlockSplitter::MoveCuts(const TCodedSymbol *symbols, size_t count) {
  TEstimate left;
  TEstimate right;
  for (size_t b = 0; b + 1 < cuts_.size(); ++b) {
    const size_t start = b == 0 ? 0 : cuts_[b - 1];
    const size_t cut = cuts_[b];
    const size_t end = cuts_[b + 1];
    // Both sides keep at least one symbol and at most a block's worth.
    const size_t lo = std::max({start + 1, cut > kSegment ? cut - kSegment : 0,
                                end > kMaxBlockSymbols ? end - kMaxBlockSymbols : 0});
    const size_t hi = std::min({end - 1, cut + kSegment, start + kMaxBlockSymbols});
    if (lo >= hi)
      continue;
    left.Set(symbols, start, lo, count, entries_, segmentEntries_);
    right.Set(symbols, lo, end, count, entries_, segmentEntries_);
    double bestBits = std::numeric_limits<double>::infinity();
    size_t bestCut = lo;
    for (size_t p = lo; p <= hi; ++p) {
      const double bits = left.Bits() + right.Bits();
      if (bits < bestBits) {
        bestBits = bits;
        bestCut = p;
      }
      if (p < hi) {
        left.AddSymbol(symbols[p]);
        right.RemoveSymbol(symbols[p]);
      }
    }
    cuts_[b] = bestCut;
  }
}

void TBlockSplitter::JoinNeighbours(const TCodedSymbol *symbols) {
  size_t start = 0;
  uint64_t lastBits = 0;
  for (const size_t end : cuts_) {
    TSplitBlock block{end, TBlockStats()};
    for (size_t i = start; i < end; ++i)
      block.Stats.Add(symbols[i]);
    const uint64_t bits = BlockBits(block.Stats);
    start = end;
    if (!blocks_.empty() && blocks_.back().Stats.Count + block.Stats.Count <= kMaxBlockSymbols) {
      TBlockStats joined = blocks_.back().Stats;
      joined.Merge(block.Stats);
      const uint64_t joinedBits = BlockBits(joined);
      if (joinedBits <= lastBits + bits) {
        blocks_.back() = TSplitBlock{end, joined};
        lastBits = joinedBits;
        continue;
      }
    }
    blocks_.push_back(block);
    lastBits = bits;
  }
}

} // namespace lh5
} // namespace package
