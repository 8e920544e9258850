// Constants of the "LH5" stream format.
#pragma once

#include "applet/package/Huffman.h"

namespace package {
namespace lh5 {

constexpr unsigned kWindow = 8192; // positions modulo 8192
constexpr unsigned kLongestMatch = 256;
constexpr unsigned kShortestMatch = 3;
constexpr unsigned kLiterals = 256;
constexpr unsigned kLiteralLengthSymbols = kLiterals + kLongestMatch - kShortestMatch + 1; // 510
constexpr unsigned kMatchBase = kLiterals - kShortestMatch; // symbol = kMatchBase + length
constexpr unsigned kPositionClasses = 14;
constexpr unsigned kCodeLengthSymbols = 19;
constexpr unsigned kBlockSizeBits = 16;
constexpr unsigned kMaxBlockSymbols = 65535;
constexpr unsigned kLiteralCountBits = 9;
constexpr unsigned kPositionCountBits = 4;
constexpr unsigned kCodeLengthCountBits = 5;
constexpr unsigned kLiteralDirectBits = 12;
constexpr unsigned kSmallDirectBits = 8;
constexpr int kCodeLengthSpecial = 3; // after this many code-length lengths: a 2-bit zero run
constexpr int kNoSpecial = -1;
constexpr unsigned kZeroRunBits = 2;
constexpr unsigned kPlainLengthBits = 3; // small-code lengths 0..6 in 3 bits; 7 and up in unary
constexpr unsigned kUnaryFrom = 7;
constexpr unsigned kUnaryProbeBits = 13; // the bits after the first three, in a 16-bit peek
// The code-length code's symbols 0 to 2 are zero runs, the rest lengths plus kLengthOffset.
constexpr unsigned kShortRunBits = 4;
constexpr unsigned kShortRunBase = 3;
constexpr unsigned kLongRunBits = 9;
constexpr unsigned kLongRunBase = 20;
constexpr unsigned kLengthOffset = 2;
constexpr unsigned kFinalPadBits = 7;
constexpr unsigned char kFill = 0x20;

// How a small code's lengths are sent: symbol count, width of the count, and the position after
// which a 2-bit run of zero lengths follows (or kNoSpecial).
struct TSmallCodeFormat {
  unsigned Symbols;
  unsigned CountBits;
  int Special;
};
constexpr TSmallCodeFormat kCodeLengthFormat{kCodeLengthSymbols, kCodeLengthCountBits,
                                             kCodeLengthSpecial};
constexpr TSmallCodeFormat kPositionFormat{kPositionClasses, kPositionCountBits, kNoSpecial};

constexpr THuffmanShape kLiteralShape{kLiteralLengthSymbols, kLiteralDirectBits};
constexpr THuffmanShape kCodeLengthShape{kCodeLengthSymbols, kSmallDirectBits};
constexpr THuffmanShape kPositionShape{kPositionClasses, kSmallDirectBits};

} // namespace lh5
} // namespace package
