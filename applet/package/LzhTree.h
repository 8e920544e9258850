// The "LZH" method's shared parts: constants, the adaptive Huffman tree of its symbols and the
// fixed prefix code of the upper six bits of a match position.
#pragma once

#include <array>
#include <cstdint>

namespace package {
namespace lzh {

constexpr unsigned kWindow = 4096;                              // positions modulo 4096
constexpr unsigned kLongestMatch = 60;                          // F
constexpr unsigned kThreshold = 2;                              // a match is longer than this
constexpr unsigned kStart = kWindow - kLongestMatch;            // first window position written
constexpr uint8_t kFill = 0x20;                                 // the window starts as spaces
constexpr unsigned kSymbols = 256 + kLongestMatch - kThreshold; // literals, then lengths 3..60
constexpr unsigned kMatchBase = 256 - 1 - kThreshold;           // symbol = kMatchBase + length
constexpr unsigned kNodes = 2 * kSymbols - 1;                   // T
constexpr unsigned kRoot = kNodes - 1;                          // R
constexpr unsigned kRebuildFrequency = 0x8000;
constexpr unsigned kLowBits = 6; // position bits sent verbatim
constexpr unsigned kUpperValues = kWindow >> kLowBits;
constexpr unsigned kMaxPathBits = kNodes; // bound on a symbol's code length

// The adaptive Huffman tree both directions keep in step. Children of a node are at child and
// child + 1; a child value of kNodes or more is a leaf holding symbol + kNodes.
class TLzhTree {
public:
  TLzhTree() { Start(); }

  void Start();
  // Counts symbol s, rebuilding the tree first when the root's frequency has reached the limit.
  void Update(unsigned s);

  unsigned Child(unsigned node) const { return child_[node]; }
  // The code of symbol s as bits from the root down: bits[0] is the first. Returns the count.
  unsigned Path(unsigned s, uint8_t *bits) const;

  uint16_t RootFrequency() const { return freq_[kRoot]; }

private:
  void Rebuild();

  std::array<uint16_t, kNodes + 1> freq_;
  std::array<uint16_t, kNodes> child_;
  std::array<uint16_t, kNodes + kSymbols> parent_;
};

// The prefix code of a position's upper six bits: code and length per value, and for decoding
// the value and length of the code that begins each possible next byte.
struct TPositionCode {
  std::array<uint8_t, kUpperValues> Code;
  std::array<uint8_t, kUpperValues> Length;
  std::array<uint8_t, 256> ValueOf;
  std::array<uint8_t, 256> LengthOf;
};
const TPositionCode &PositionCode();

} // namespace lzh
} // namespace package
