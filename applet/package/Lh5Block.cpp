#include "applet/package/Lh5Block.h"

#include "applet/package/Huffman.h"

#include <algorithm>

namespace package {
namespace lh5 {
namespace {

constexpr unsigned kMaxRunCount = 18;   // longest zero run of code-length symbol 1
constexpr unsigned kSplitRunCount = 19; // sent as one zero and a run of 18
constexpr unsigned kZeroRunEnd = 6;     // the run after the special position covers up to here

// Counts bits instead of writing them.
struct TBitCounter {
  uint64_t Bits = 0;
  void Put(unsigned n, uint32_t) { Bits += n; }
};

// A code ready to send: lengths, codes, and the one symbol when only one is used.
template <unsigned N> struct TCode {
  uint8_t Length[N];
  uint16_t Code[N];
  unsigned Used = 0;
  unsigned Single = 0;

  explicit TCode(const uint32_t *freq) {
    Used = BuildCodeLengths(freq, N, Length);
    CanonicalCodes(Length, N, Code);
    Single =
        static_cast<unsigned>(std::find_if(freq, freq + N, [](uint32_t f) { return f; }) - freq) %
        N;
  }
  template <class W> void Put(W &out, unsigned s) const { out.Put(Length[s], Code[s]); }
  uint64_t Bits(const uint32_t *freq) const {
    uint64_t bits = 0;
    for (unsigned s = 0; s < N; ++s)
      bits += uint64_t{freq[s]} * Length[s];
    return bits;
  }
};

unsigned TrimmedCount(const uint8_t *lengths, unsigned n) {
  while (n > 0 && lengths[n - 1] == 0)
    --n;
  return n;
}

// A code-length symbol with its verbatim extra bits.
struct TLengthSymbol {
  unsigned Symbol;
  unsigned ExtraBits;
  unsigned Extra;
};

// Visits the literal/length lengths as code-length symbols.
template <class Visit> void ForEachLengthSymbol(const uint8_t *lengths, Visit visit) {
  const unsigned n = TrimmedCount(lengths, kLiteralLengthSymbols);
  for (unsigned i = 0; i < n;) {
    const unsigned k = lengths[i++];
    if (k != 0) {
      visit(TLengthSymbol{k + kLengthOffset, 0, 0});
      continue;
    }
    unsigned run = 1;
    for (; i < n && lengths[i] == 0; ++i)
      ++run;
    if (run < kShortRunBase) {
      for (unsigned z = 0; z < run; ++z)
        visit(TLengthSymbol{0, 0, 0});
    } else if (run <= kMaxRunCount) {
      visit(TLengthSymbol{1, kShortRunBits, run - kShortRunBase});
    } else if (run == kSplitRunCount) {
      visit(TLengthSymbol{0, 0, 0});
      visit(TLengthSymbol{1, kShortRunBits, kMaxRunCount - kShortRunBase});
    } else {
      visit(TLengthSymbol{2, kLongRunBits, run - kLongRunBase});
    }
  }
}

template <class W>
void WriteSmallLengths(W &out, const uint8_t *lengths, const TSmallCodeFormat &format) {
  const unsigned n = TrimmedCount(lengths, format.Symbols);
  out.Put(format.CountBits, n);
  for (unsigned i = 0; i < n;) {
    const unsigned k = lengths[i++];
    if (k < kUnaryFrom)
      out.Put(kPlainLengthBits, k);
    else // 111, then k - 7 ones and a 0
      out.Put(k - kPlainLengthBits, (1u << (k - kPlainLengthBits)) - 2);
    if (static_cast<int>(i) == format.Special) {
      const unsigned from = i;
      while (i < kZeroRunEnd && lengths[i] == 0)
        ++i;
      out.Put(kZeroRunBits, i - from);
    }
  }
}

// The block size and the three code tables.
template <class W>
void WriteTables(W &out, uint32_t count, const TCode<kLiteralLengthSymbols> &literals,
                 const TCode<kPositionClasses> &classes) {
  out.Put(kBlockSizeBits, count);
  if (literals.Used >= 2) {
    uint32_t lengthFreq[kCodeLengthSymbols] = {};
    ForEachLengthSymbol(literals.Length, [&](TLengthSymbol s) { ++lengthFreq[s.Symbol]; });
    const TCode<kCodeLengthSymbols> lengthCode(lengthFreq);
    if (lengthCode.Used >= 2) {
      WriteSmallLengths(out, lengthCode.Length, kCodeLengthFormat);
    } else {
      out.Put(kCodeLengthCountBits, 0);
      out.Put(kCodeLengthCountBits, lengthCode.Single);
    }
    out.Put(kLiteralCountBits, TrimmedCount(literals.Length, kLiteralLengthSymbols));
    ForEachLengthSymbol(literals.Length, [&](TLengthSymbol s) {
      lengthCode.Put(out, s.Symbol);
      out.Put(s.ExtraBits, s.Extra);
    });
  } else {
    out.Put(kCodeLengthCountBits, 0);
    out.Put(kCodeLengthCountBits, 0);
    out.Put(kLiteralCountBits, 0);
    out.Put(kLiteralCountBits, literals.Single);
  }
  if (classes.Used >= 2) {
    WriteSmallLengths(out, classes.Length, kPositionFormat);
  } else {
    out.Put(kPositionCountBits, 0);
    out.Put(kPositionCountBits, classes.Single);
  }
}

} // namespace

void TBlockStats::AddRun(const TCodedSymbol *symbols, size_t count) {
  for (size_t i = 0; i < count; ++i)
    Add(symbols[i]);
}

uint64_t BlockBits(const TBlockStats &stats) {
  const TCode<kLiteralLengthSymbols> literals(stats.Literal);
  const TCode<kPositionClasses> classes(stats.Position);
  TBitCounter counter;
  WriteTables(counter, stats.Count, literals, classes);
  return counter.Bits + literals.Bits(stats.Literal) + classes.Bits(stats.Position) +
         stats.ExtraBits;
}

void CodeLengths(const TBlockStats &stats, TCodeLengths &lengths) {
  BuildCodeLengths(stats.Literal, kLiteralLengthSymbols, lengths.Literal);
  BuildCodeLengths(stats.Position, kPositionClasses, lengths.Position);
}

void WriteBlock(TBitWriter<TByteSink> &out, const TCodedSymbol *symbols, size_t count) {
  TBlockStats stats;
  stats.AddRun(symbols, count);
  const TCode<kLiteralLengthSymbols> literals(stats.Literal);
  const TCode<kPositionClasses> classes(stats.Position);
  WriteTables(out, static_cast<uint32_t>(count), literals, classes);
  for (size_t i = 0; i < count; ++i) {
    const TCodedSymbol s = symbols[i];
    literals.Put(out, s.Symbol);
    if (s.Symbol < kLiterals)
      continue;
    const unsigned c = PositionClass(s.Position);
    classes.Put(out, c);
    if (c > 1)
      out.Put(c - 1, s.Position - (1u << (c - 1)));
  }
}

} // namespace lh5
} // namespace package
