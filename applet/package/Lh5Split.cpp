#include "applet/package/Lh5Split.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace package {
namespace lh5 {
namespace {

constexpr unsigned kAlphabet = kLiteralLengthSymbols + kPositionClasses;
constexpr size_t kSegment = 1024;     // symbols; cuts fall between segments at first
constexpr size_t kGroupSegments = 16; // longest block grouped; joining makes longer ones
// Estimated table bits of a block, and per used literal/length symbol. Both are kept low: a
// needless cut costs little, since joining by exact sizes undoes it.
constexpr double kTableBits = 40;
constexpr double kUsedLiteralBits = 2;
constexpr uint32_t kLogTableSize = kMaxBlockSymbols + 1; // no count in a block is larger

// f * log2(f) for every count a block can have.
const float *FLogFTable() {
  static const std::unique_ptr<float[]> table = [] {
    auto t = std::make_unique<float[]>(kLogTableSize);
    for (uint32_t i = 1; i < kLogTableSize; ++i)
      t[i] = static_cast<float>(i * std::log2(static_cast<double>(i)));
    return t;
  }();
  return table.get();
}

constexpr unsigned kEntryShift = 16;
constexpr uint32_t kEntryCount = 0xFFFF;

unsigned PositionSymbol(unsigned position) {
  return kLiteralLengthSymbols + PositionClass(position);
}

// Symbol counts of a candidate block with what its entropy needs, kept up to date as counts
// change. Clear or Set comes first.
class TEstimate {
public:
  explicit TEstimate(const float *flogf) : flogf_(flogf) {}
  void Clear() {
    std::fill(count_, count_ + kAlphabet, 0u);
    sum_[0] = sum_[1] = 0;
    total_[0] = total_[1] = 0;
    used_[0] = used_[1] = 0;
  }
  // Adds n occurrences of symbol s (n is -1 to take one away).
  void Add(unsigned s, int32_t n) {
    const uint32_t old = count_[s];
    const uint32_t now = old + static_cast<uint32_t>(n);
    count_[s] = now;
    const unsigned a = s >= kLiteralLengthSymbols;
    sum_[a] += FLogF(now) - FLogF(old);
    total_[a] += static_cast<uint32_t>(n);
    used_[a] += static_cast<int>(now != 0) - static_cast<int>(old != 0);
  }
  void AddSymbol(TCodedSymbol s, int32_t n) {
    Add(s.Symbol, n);
    if (s.Symbol >= kLiterals)
      Add(PositionSymbol(s.Position), n);
  }
  // Counts symbols [from, to) of a run of count: whole segments by their entries, the rest one
  // by one.
  void Set(const TCodedSymbol *symbols, size_t from, size_t to, size_t count,
           const std::vector<uint32_t> &entries, const std::vector<size_t> &segmentEntries) {
    Clear();
    const size_t first = (from + kSegment - 1) / kSegment;
    const size_t last = to == count ? segmentEntries.size() - 1 : to / kSegment;
    size_t wholeFrom = to;
    if (first < last) {
      for (size_t e = segmentEntries[first]; e < segmentEntries[last]; ++e)
        Add(entries[e] >> kEntryShift, static_cast<int32_t>(entries[e] & kEntryCount));
      wholeFrom = first * kSegment;
      for (size_t i = std::min(to, last * kSegment); i < to; ++i)
        AddSymbol(symbols[i], 1);
    }
    for (size_t i = from; i < wholeFrom; ++i)
      AddSymbol(symbols[i], 1);
  }
  // Estimated bits of the block, less the verbatim position bits, which no cut changes.
  double Bits() const {
    return CodeBits(0) + CodeBits(1) + kTableBits + kUsedLiteralBits * used_[0];
  }

private:
  double FLogF(uint32_t f) const {
    return f < kLogTableSize ? flogf_[f] : f * std::log2(static_cast<double>(f));
  }
  // The entropy of one alphabet's symbols; a code of two or more symbols takes a bit at least.
  double CodeBits(unsigned a) const {
    if (used_[a] < 2)
      return 0;
    return std::max(FLogF(total_[a]) - sum_[a], static_cast<double>(total_[a]));
  }

  const float *flogf_;
  uint32_t count_[kAlphabet];
  double sum_[2];     // of f * log2(f) over the counts
  uint32_t total_[2]; // literal/length symbols, positions
  int used_[2];
};

} // namespace

TBlockSplitter::TBlockSplitter() : flogf_(FLogFTable()) {}

const std::vector<size_t> &TBlockSplitter::Split(const TCodedSymbol *symbols, size_t count) {
  cuts_.clear();
  CountSegments(symbols, count);
  GroupSegments(count);
  MoveCuts(symbols, count);
  JoinNeighbours(symbols);
  return cuts_;
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
        entries_.push_back(s << kEntryShift | tally[s]);
        tally[s] = 0;
      }
  }
  segmentEntries_.push_back(entries_.size());
}

void TBlockSplitter::GroupSegments(size_t count) {
  const size_t segments = segmentEntries_.size() - 1;
  best_.assign(segments + 1, std::numeric_limits<uint32_t>::max());
  from_.assign(segments + 1, 0);
  best_[0] = 0;
  TEstimate estimate(flogf_);
  for (size_t i = 0; i < segments; ++i) {
    estimate.Clear();
    for (size_t j = i; j < std::min(segments, i + kGroupSegments); ++j) {
      for (size_t e = segmentEntries_[j]; e < segmentEntries_[j + 1]; ++e)
        estimate.Add(entries_[e] >> kEntryShift, static_cast<int32_t>(entries_[e] & kEntryCount));
      const uint32_t bits = best_[i] + static_cast<uint32_t>(estimate.Bits());
      if (bits < best_[j + 1]) {
        best_[j + 1] = bits;
        from_[j + 1] = i;
      }
    }
  }
  size_t blocks = 0;
  for (size_t j = segments; j > 0; j = from_[j])
    ++blocks;
  cuts_.assign(blocks, 0);
  for (size_t j = segments; j > 0; j = from_[j])
    cuts_[--blocks] = std::min(count, j * kSegment);
}

void TBlockSplitter::MoveCuts(const TCodedSymbol *symbols, size_t count) {
  TEstimate left(flogf_);
  TEstimate right(flogf_);
  for (size_t b = 0; b + 1 < cuts_.size(); ++b) {
    const size_t start = b == 0 ? 0 : cuts_[b - 1];
    const size_t cut = cuts_[b];
    const size_t end = cuts_[b + 1];
    // Both sides keep at least one symbol and at most a block's worth.
    const size_t lo = std::max(std::max(start + 1, cut - std::min(cut, kSegment)),
                               end - std::min(end, size_t{kMaxBlockSymbols}));
    const size_t hi = std::min(std::min(end - 1, cut + kSegment), start + kMaxBlockSymbols);
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
        left.AddSymbol(symbols[p], 1);
        right.AddSymbol(symbols[p], -1);
      }
    }
    cuts_[b] = bestCut;
  }
}

void TBlockSplitter::JoinNeighbours(const TCodedSymbol *symbols) {
  size_t kept = 0; // blocks so far, after joins
  size_t start = 0;
  TBlockStats last;
  uint64_t lastBits = 0;
  for (const size_t end : cuts_) {
    TBlockStats block;
    block.AddRun(symbols + start, end - start);
    const uint64_t bits = BlockBits(block);
    if (kept > 0 && last.Count + block.Count <= kMaxBlockSymbols) {
      TBlockStats joined = last;
      joined.AddRun(symbols + start, end - start);
      const uint64_t joinedBits = BlockBits(joined);
      if (joinedBits <= lastBits + bits) {
        start = end;
        cuts_[kept - 1] = end;
        last = joined;
        lastBits = joinedBits;
        continue;
      }
    }
    start = end;
    cuts_[kept++] = end;
    last = block;
    lastBits = bits;
  }
  cuts_.erase(cuts_.begin() + static_cast<std::ptrdiff_t>(kept), cuts_.end());
}

} // namespace lh5
} // namespace package
