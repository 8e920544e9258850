// "LH5" blocks on the encoding side: symbol statistics, the exact size of a block, and writing
// one.
#pragma once

#include "applet/package/BitIO.h"
#include "applet/package/Lh5Format.h"

#include <cstddef>
#include <cstdint>

namespace package {
namespace lh5 {

// 0 for position 0, else the bit length of the position (1 to 13).
inline unsigned PositionClass(unsigned position) {
  return position == 0 ? 0 : 32 - static_cast<unsigned>(__builtin_clz(position));
}

// One literal/length symbol and, for a match, its position (distance - 1).
struct TCodedSymbol {
  uint16_t Symbol;
  uint16_t Position;
};

// Symbol counts of a run of symbols.
struct TBlockStats {
  uint32_t Literal[kLiteralLengthSymbols] = {};
  uint32_t Position[kPositionClasses] = {};
  uint64_t ExtraBits = 0; // verbatim position bits
  uint32_t Count = 0;

  void Add(TCodedSymbol s) {
    ++Literal[s.Symbol];
    ++Count;
    if (s.Symbol < kLiterals)
      return;
    const unsigned c = PositionClass(s.Position);
    ++Position[c];
    ExtraBits += c > 1 ? c - 1 : 0;
  }
  void AddRun(const TCodedSymbol *symbols, size_t count);
};

// Bits a block with these statistics takes, tables included.
uint64_t BlockBits(const TBlockStats &stats);

// Code lengths of both codes of a block.
struct TCodeLengths {
  uint8_t Literal[kLiteralLengthSymbols];
  uint8_t Position[kPositionClasses];
};

// The code lengths a block with these statistics would have.
void CodeLengths(const TBlockStats &stats, TCodeLengths &lengths);

// Writes one block of count (at most 65535) symbols: its size, the code-length, literal/length
// and position codes, then the symbols.
void WriteBlock(TBitWriter<TByteSink> &out, const TCodedSymbol *symbols, size_t count);

} // namespace lh5
} // namespace package
