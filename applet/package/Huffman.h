// Canonical Huffman codes of lengths 1 to 16: decoding tables and code construction.
//
// Codes are canonical: shorter codes come first, and within a length the symbols in increasing
// order. A table decodes through a direct lookup of its first bits and a binary tree for longer
// codes.
#pragma once

#include <cstdint>
#include <vector>

namespace package {

constexpr unsigned kMaxCodeLength = 16;

// The size of a decoding table: symbol count and the bits looked up directly.
struct THuffmanShape {
  unsigned Symbols;
  unsigned DirectBits;
};

class THuffmanTable {
public:
  explicit THuffmanTable(THuffmanShape shape);

  // Builds the table from one length per symbol (0: unused). Raises ELZHBadDecodeTable when a
  // length is above 16 or the lengths do not fill the code space exactly.
  void Build(const uint8_t *lengths);
  // Every lookup yields this symbol without taking bits. Raises ELZHBadDecodeTable when the
  // symbol is out of range.
  void SetSingle(unsigned symbol);

  // Decodes one symbol from a bit reader.
  template <class Reader> unsigned Decode(Reader &in) const {
    const uint32_t bits = in.Peek(kMaxCodeLength);
    unsigned e = direct_[bits >> (kMaxCodeLength - directBits_)];
    uint32_t mask = 1u << (kMaxCodeLength - 1 - directBits_);
    while (e >= symbols_ && mask != 0) {
      e = (bits & mask) ? right_[e] : left_[e];
      mask >>= 1;
    }
    if (e >= symbols_)
      ThrowBadTable();
    in.Skip(lengths_[e]);
    return e;
  }

private:
  [[noreturn]] static void ThrowBadTable();

  unsigned symbols_;
  unsigned directBits_;
  std::vector<uint16_t> direct_;
  std::vector<uint16_t> left_;
  std::vector<uint16_t> right_;
  std::vector<uint8_t> lengths_;
};

// Code lengths of at most 16 bits for the given frequencies; unused symbols get length 0. A lone
// used symbol gets length 0 too: it needs the single-symbol form. Returns the number of used
// symbols.
unsigned BuildCodeLengths(const uint32_t *freq, unsigned symbols, uint8_t *lengths);

// The canonical codes for the given lengths.
void CanonicalCodes(const uint8_t *lengths, unsigned symbols, uint16_t *codes);

} // namespace package
