// Writing one "LH5" block: the code tables, then the symbols.
#include "applet/package/Huffman.h"
#include "applet/package/Lh5Encoder.h"

#include <algorithm>

namespace package {
namespace lh5 {
namespace {

using TWriter = TBitWriter<TByteSink>;

constexpr unsigned kMaxRunCount = 18;   // longest zero run of code-length symbol 1
constexpr unsigned kSplitRunCount = 19; // sent as one zero and a run of 18
constexpr unsigned kZeroRunEnd = 6;     // the run after the special position covers up to here

unsigned PositionClass(unsigned position) {
  unsigned c = 0;
  while (position >> c)
    ++c;
  return c;
}

// A code ready to send: lengths, codes, and the one symbol when only one is used.
template <unsigned N> struct TCode {
  uint8_t Length[N];
  uint16_t Code[N];
  unsigned Used = 0;
  unsigned Single = 0;

  explicit TCode(const uint32_t *freq) {
    Used = BuildCodeLengths(freq, N, kMaxCodeLength, Length);
    CanonicalCodes(Length, N, Code);
    Single =
        static_cast<unsigned>(std::find_if(freq, freq + N, [](uint32_t f) { return f; }) - freq) %
        N;
  }
  void Put(TWriter &out, unsigned s) const { out.Put(Length[s], Code[s]); }
};

unsigned TrimmedCount(const uint8_t *lengths, unsigned n) {
  while (n > 0 && lengths[n - 1] == 0)
    --n;
  return n;
}

// Visits the literal/length lengths as code-length symbols: each call is (symbol, extra bit
// count, extra value).
template <class Visit> void ForEachLengthSymbol(const uint8_t *lengths, Visit visit) {
  const unsigned n = TrimmedCount(lengths, kLiteralLengthSymbols);
  for (unsigned i = 0; i < n;) {
    const unsigned k = lengths[i++];
    if (k != 0) {
      visit(k + kLengthOffset, 0, 0);
      continue;
    }
    unsigned run = 1;
    for (; i < n && lengths[i] == 0; ++i)
      ++run;
    if (run < kShortRunBase) {
      for (unsigned z = 0; z < run; ++z)
        visit(0, 0, 0);
    } else if (run <= kMaxRunCount) {
      visit(1, kShortRunBits, run - kShortRunBase);
    } else if (run == kSplitRunCount) {
      visit(0, 0, 0);
      visit(1, kShortRunBits, kMaxRunCount - kShortRunBase);
    } else {
      visit(2, kLongRunBits, run - kLongRunBase);
    }
  }
}

void WriteSmallLengths(TWriter &out, const uint8_t *lengths, unsigned symbols, unsigned countBits,
                       int special) {
  const unsigned n = TrimmedCount(lengths, symbols);
  out.Put(countBits, n);
  for (unsigned i = 0; i < n;) {
    const unsigned k = lengths[i++];
    if (k < kUnaryFrom)
      out.Put(kPlainLengthBits, k);
    else // 111, then k - 7 ones and a 0
      out.Put(k - kPlainLengthBits, (1u << (k - kPlainLengthBits)) - 2);
    if (static_cast<int>(i) == special) {
      const unsigned from = i;
      while (i < kZeroRunEnd && lengths[i] == 0)
        ++i;
      out.Put(kZeroRunBits, i - from);
    }
  }
}

} // namespace

void WriteBlock(TWriter &out, const uint16_t *symbols, const uint16_t *positions, size_t count) {
  uint32_t literalFreq[kLiteralLengthSymbols] = {};
  uint32_t positionFreq[kPositionClasses] = {};
  for (size_t i = 0; i < count; ++i) {
    ++literalFreq[symbols[i]];
    if (symbols[i] >= kLiterals)
      ++positionFreq[PositionClass(positions[i])];
  }
  const TCode<kLiteralLengthSymbols> literals(literalFreq);
  const TCode<kPositionClasses> classes(positionFreq);

  out.Put(kBlockSizeBits, static_cast<uint32_t>(count));
  if (literals.Used >= 2) {
    uint32_t lengthFreq[kCodeLengthSymbols] = {};
    ForEachLengthSymbol(literals.Length, [&](unsigned s, unsigned, unsigned) { ++lengthFreq[s]; });
    const TCode<kCodeLengthSymbols> lengthCode(lengthFreq);
    if (lengthCode.Used >= 2) {
      WriteSmallLengths(out, lengthCode.Length, kCodeLengthSymbols, kCodeLengthCountBits,
                        kCodeLengthSpecial);
    } else {
      out.Put(kCodeLengthCountBits, 0);
      out.Put(kCodeLengthCountBits, lengthCode.Single);
    }
    out.Put(kLiteralCountBits, TrimmedCount(literals.Length, kLiteralLengthSymbols));
    ForEachLengthSymbol(literals.Length, [&](unsigned s, unsigned bits, unsigned value) {
      lengthCode.Put(out, s);
      out.Put(bits, value);
    });
  } else {
    out.Put(kCodeLengthCountBits, 0);
    out.Put(kCodeLengthCountBits, 0);
    out.Put(kLiteralCountBits, 0);
    out.Put(kLiteralCountBits, literals.Single);
  }
  if (classes.Used >= 2) {
    WriteSmallLengths(out, classes.Length, kPositionClasses, kPositionCountBits, kNoSpecial);
  } else {
    out.Put(kPositionCountBits, 0);
    out.Put(kPositionCountBits, classes.Single);
  }

  for (size_t i = 0; i < count; ++i) {
    literals.Put(out, symbols[i]);
    if (symbols[i] < kLiterals)
      continue;
    const unsigned c = PositionClass(positions[i]);
    classes.Put(out, c);
    if (c > 1)
      out.Put(c - 1, positions[i] - (1u << (c - 1)));
  }
}

} // namespace lh5
} // namespace package
