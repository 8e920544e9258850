#include "applet/package/LzhTree.h"

#include <algorithm>

namespace package {
namespace lzh {
namespace {

constexpr uint16_t kSentinel = 0xFFFF;

// Code length of each upper six-bit value.
uint8_t UpperLength(unsigned value) {
  static const struct {
    uint8_t last;
    uint8_t length;
  } kRanges[] = {{0, 3}, {3, 4}, {11, 5}, {23, 6}, {47, 7}, {63, 8}};
  for (const auto &r : kRanges)
    if (value <= r.last)
      return r.length;
  return 8;
}

TPositionCode MakePositionCode() {
  TPositionCode pc{};
  unsigned code = 0;
  unsigned prev = 0;
  for (unsigned v = 0; v < kUpperValues; ++v) {
    const unsigned len = UpperLength(v);
    code <<= len - prev;
    prev = len;
    pc.Code[v] = static_cast<uint8_t>(code);
    pc.Length[v] = static_cast<uint8_t>(len);
    const unsigned first = code << (8 - len);
    for (unsigned i = 0; i < (1u << (8 - len)); ++i) {
      pc.ValueOf[first + i] = static_cast<uint8_t>(v);
      pc.LengthOf[first + i] = static_cast<uint8_t>(len);
    }
    ++code;
  }
  return pc;
}

} // namespace

const TPositionCode &PositionCode() {
  static const TPositionCode kCode = MakePositionCode();
  return kCode;
}

void TLzhTree::Start() {
  for (unsigned s = 0; s < kSymbols; ++s) {
    freq_[s] = 1;
    child_[s] = static_cast<uint16_t>(s + kNodes);
    parent_[s + kNodes] = static_cast<uint16_t>(s);
  }
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    freq_[j] = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    child_[j] = static_cast<uint16_t>(i);
    parent_[i] = parent_[i + 1] = static_cast<uint16_t>(j);
  }
  freq_[kNodes] = kSentinel;
  parent_[kRoot] = 0;
}

void TLzhTree::Rebuild() {
  // Leaves to the front, in node order, with halved frequencies.
  unsigned j = 0;
  for (unsigned i = 0; i < kNodes; ++i) {
    if (child_[i] >= kNodes) {
      freq_[j] = static_cast<uint16_t>((freq_[i] + 1) / 2);
      child_[j] = child_[i];
      ++j;
    }
  }
  // Inner nodes, each placed by insertion into the nodes sorted by frequency.
  for (unsigned i = 0, node = kSymbols; node < kNodes; i += 2, ++node) {
    const uint16_t f = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    unsigned k = node;
    while (k > 0 && f < freq_[k - 1])
      --k;
    std::copy_backward(freq_.begin() + k, freq_.begin() + node, freq_.begin() + node + 1);
    std::copy_backward(child_.begin() + k, child_.begin() + node, child_.begin() + node + 1);
    freq_[k] = f;
    child_[k] = static_cast<uint16_t>(i);
  }
  for (unsigned i = 0; i < kNodes; ++i) {
    const unsigned c = child_[i];
    parent_[c] = static_cast<uint16_t>(i);
    if (c < kNodes)
      parent_[c + 1] = static_cast<uint16_t>(i);
  }
}

void TLzhTree::Update(unsigned s) {
  if (freq_[kRoot] == kRebuildFrequency)
    Rebuild();
  unsigned c = parent_[s + kNodes];
  do {
    const uint16_t k = ++freq_[c];
    unsigned l = c + 1;
    if (k > freq_[l]) {
      while (k > freq_[l + 1])
        ++l;
      freq_[c] = freq_[l];
      freq_[l] = k;
      const unsigned i = child_[c];
      parent_[i] = static_cast<uint16_t>(l);
      if (i < kNodes)
        parent_[i + 1] = static_cast<uint16_t>(l);
      const unsigned m = child_[l];
      child_[l] = static_cast<uint16_t>(i);
      parent_[m] = static_cast<uint16_t>(c);
      if (m < kNodes)
        parent_[m + 1] = static_cast<uint16_t>(c);
      child_[c] = static_cast<uint16_t>(m);
      c = l;
    }
    c = parent_[c];
  } while (c != 0);
}

unsigned TLzhTree::Path(unsigned s, uint8_t *bits) const {
  // Walk up from the leaf; a node at an odd index is the second child, reached by a 1.
  unsigned n = 0;
  for (unsigned node = parent_[s + kNodes]; node != kRoot; node = parent_[node])
    bits[n++] = static_cast<uint8_t>(node & 1);
  std::reverse(bits, bits + n);
  return n;
}

} // namespace lzh
} // namespace package
