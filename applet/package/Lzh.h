// The "LZH" codec: LZSS over a 4096-byte window whose symbols are coded with an adaptive
// Huffman tree; match positions carry a fixed prefix code for their upper six bits.
#pragma once

#include "applet/package/BitIO.h"
#include "applet/package/HistoryWindow.h"
#include "applet/package/LzhMatchFinder.h"
#include "applet/package/LzhTree.h"

#include <cstdint>
#include <memory>

namespace package {

template <class IO> void LzhDecode(IO &io, uint32_t uncompressedSize) {
  using namespace lzh;
  if (uncompressedSize == 0)
    return;
  const auto tree = std::make_unique<TLzhTree>();
  const TPositionCode &pc = PositionCode();
  THistoryWindow<kWindow> window(kStart, kFill);
  TBitReader<IO> in(io);
  uint32_t produced = 0;
  while (produced < uncompressedSize && !in.Overrun()) {
    unsigned node = tree->Child(kRoot);
    while (node < kNodes) {
      const uint32_t bits = in.Peek(TBitReader<IO>::kMaxBits);
      unsigned used = 0;
      while (node < kNodes && used < TBitReader<IO>::kMaxBits) {
        node = tree->Child(node + ((bits >> (TBitReader<IO>::kMaxBits - 1 - used)) & 1));
        ++used;
      }
      in.Skip(used);
    }
    const unsigned c = node - kNodes;
    tree->Update(c);
    if (c < 256) {
      window.Literal(io, static_cast<uint8_t>(c));
      ++produced;
      continue;
    }
    const unsigned first = in.Take(8);
    const unsigned extra = pc.LengthOf[first] - 2u;
    const unsigned low = ((first << extra) | in.Take(extra)) & ((1u << kLowBits) - 1);
    const unsigned position = (unsigned{pc.ValueOf[first]} << kLowBits) | low;
    const unsigned length = c - kMatchBase;
    window.Match(io, position, length);
    produced += length;
  }
}

namespace lzh {

// Sends symbol s along its path in the tree, then counts it.
template <class Sink> void PutSymbol(TLzhTree &tree, TBitWriter<Sink> &out, unsigned s) {
  uint8_t bits[kMaxPathBits];
  const unsigned n = tree.Path(s, bits);
  for (unsigned i = 0; i < n; ++i)
    out.Put(1, bits[i]);
  tree.Update(s);
}

template <class Sink> void PutPosition(TBitWriter<Sink> &out, unsigned position) {
  const TPositionCode &pc = PositionCode();
  const unsigned upper = position >> kLowBits;
  out.Put(pc.Length[upper], pc.Code[upper]);
  out.Put(kLowBits, position & ((1u << kLowBits) - 1));
}

} // namespace lzh

template <class IO> void LzhEncode(IO &io) {
  using namespace lzh;
  const auto tree = std::make_unique<TLzhTree>();
  const auto finder = std::make_unique<TLzhMatchFinder>();
  TBitWriter<IO> out(io);
  uint8_t *text = finder->Text();
  auto next = [&io](uint8_t &b) {
    b = io.ReadByte();
    return !io.EndOfInput();
  };

  for (unsigned i = 0; i < kStart; ++i)
    text[i] = kFill;
  unsigned s = 0;
  unsigned r = kStart;
  unsigned len = 0;
  uint8_t b = 0;
  while (len < kLongestMatch && next(b))
    finder->Store(r + len++, b);
  if (len == 0)
    return;
  for (unsigned i = 1; i <= kLongestMatch; ++i)
    finder->Insert(r - i);
  finder->Insert(r);
  while (len > 0) {
    unsigned matchLength = finder->MatchLength();
    if (matchLength > len)
      matchLength = len;
    if (matchLength <= kThreshold) {
      matchLength = 1;
      PutSymbol(*tree, out, text[r]);
    } else {
      PutSymbol(*tree, out, kMatchBase + matchLength);
      PutPosition(out, finder->MatchPosition());
    }
    // Slide past the bytes just sent, reading as many new ones.
    for (unsigned i = 0; i < matchLength; ++i) {
      finder->Delete(s);
      const bool more = next(b);
      if (more)
        finder->Store(s, b);
      s = (s + 1) & (kWindow - 1);
      r = (r + 1) & (kWindow - 1);
      if (!more)
        --len;
      if (len > 0)
        finder->Insert(r);
    }
  }
  out.PadToByte();
}

} // namespace package
