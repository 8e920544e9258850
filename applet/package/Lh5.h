// The "LH5" codec: LZ77 over an 8192-byte window, coded in blocks with static canonical Huffman
// codes whose lengths start each block.
#pragma once

#include "applet/package/BitIO.h"
#include "applet/package/CompressErrors.h"
#include "applet/package/HistoryWindow.h"
#include "applet/package/Huffman.h"
#include "applet/package/Lh5Encoder.h"
#include "applet/package/Lh5Format.h"

#include <cstdint>
#include <vector>

namespace package {
namespace lh5 {

// Reads the lengths of a small code: a count (0: a single symbol of as many bits follows), each
// length in 3 bits or in unary from 7 up, and after the special position a 2-bit run of zero
// lengths.
template <class Reader>
void ReadSmallCode(Reader &in, THuffmanTable &table, const TSmallCodeFormat &format) {
  const unsigned symbols = format.Symbols;
  const unsigned n = in.Take(format.CountBits);
  if (n == 0) {
    table.SetSingle(in.Take(format.CountBits));
    return;
  }
  if (n > symbols)
    throw ELZHBadDecodeTable();
  uint8_t lengths[kCodeLengthSymbols] = {};
  unsigned i = 0;
  while (i < n) {
    unsigned c = in.Peek(kPlainLengthBits);
    if (c == kUnaryFrom) {
      const uint32_t bits = in.Peek(kPlainLengthBits + kUnaryProbeBits);
      for (uint32_t mask = 1u << (kUnaryProbeBits - 1); mask != 0 && (bits & mask); mask >>= 1)
        ++c;
      if (c > kMaxCodeLength)
        throw ELZHBadDecodeTable();
      in.Skip(kPlainLengthBits + (c - kUnaryFrom) + 1); // the ones and their closing 0
    } else {
      in.Skip(kPlainLengthBits);
    }
    lengths[i++] = static_cast<uint8_t>(c);
    if (static_cast<int>(i) == format.Special)
      for (unsigned z = in.Take(kZeroRunBits); z > 0 && i < symbols; --z)
        lengths[i++] = 0;
  }
  table.Build(lengths);
}

// Reads the literal/length code's lengths, coded with the code-length code.
template <class Reader>
void ReadLiteralCode(Reader &in, const THuffmanTable &lengthCode, THuffmanTable &table) {
  const unsigned n = in.Take(kLiteralCountBits);
  if (n == 0) {
    table.SetSingle(in.Take(kLiteralCountBits));
    return;
  }
  if (n > kLiteralLengthSymbols)
    throw ELZHBadDecodeTable();
  uint8_t lengths[kLiteralLengthSymbols] = {};
  unsigned i = 0;
  while (i < n) {
    const unsigned c = lengthCode.Decode(in);
    if (c >= kLengthOffset + 1) {
      lengths[i++] = static_cast<uint8_t>(c - kLengthOffset);
      continue;
    }
    unsigned zeros = 1;
    if (c == 1)
      zeros = in.Take(kShortRunBits) + kShortRunBase;
    else if (c == 2)
      zeros = in.Take(kLongRunBits) + kLongRunBase;
    for (; zeros > 0 && i < kLiteralLengthSymbols; --zeros)
      lengths[i++] = 0;
  }
  table.Build(lengths);
}

} // namespace lh5

// Raises ELZHBadDecodeTable on a damaged code table; the output written until then stays.
template <class IO> void Lh5Decode(IO &io, uint32_t uncompressedSize) {
  using namespace lh5;
  if (uncompressedSize == 0)
    return;
  TBitReader<IO> in(io);
  THuffmanTable lengthCode(kCodeLengthShape);
  THuffmanTable literals(kLiteralShape);
  THuffmanTable positions(kPositionShape);
  THistoryWindow<kWindow> window(0, kFill);
  uint16_t blockLeft = 0;
  uint32_t produced = 0;
  while (produced < uncompressedSize && !in.Overrun()) {
    if (blockLeft == 0) {
      blockLeft = static_cast<uint16_t>(in.Take(kBlockSizeBits));
      ReadSmallCode(in, lengthCode, kCodeLengthFormat);
      ReadLiteralCode(in, lengthCode, literals);
      ReadSmallCode(in, positions, kPositionFormat);
    }
    --blockLeft; // a block size of 0 serves 65536 symbols
    const unsigned c = literals.Decode(in);
    if (c < kLiterals) {
      window.Literal(io, static_cast<uint8_t>(c));
      ++produced;
      continue;
    }
    const unsigned positionClass = positions.Decode(in);
    unsigned position = positionClass;
    if (positionClass > 1)
      position = (1u << (positionClass - 1)) + in.Take(positionClass - 1);
    const unsigned length = c - kMatchBase;
    window.Match(io, position, length);
    produced += length;
  }
}

template <class IO> void Lh5Encode(IO &io) {
  TLh5Encoder encoder;
  bool ended = false;
  while (!ended) {
    while (encoder.Room() > 0) {
      const uint8_t b = io.ReadByte();
      if (io.EndOfInput()) {
        ended = true;
        break;
      }
      encoder.Append(b);
    }
    encoder.Compress(ended);
    std::vector<uint8_t> &bytes = encoder.Output();
    for (const uint8_t b : bytes)
      io.WriteByte(b);
    bytes.clear();
  }
}

} // namespace package
