#include "applet/package/Huffman.h"

#include "applet/package/CompressErrors.h"

#include <algorithm>

namespace package {
namespace {

constexpr uint16_t kEmpty = 0xFFFF;
constexpr uint32_t kCodeSpace = 1u << kMaxCodeLength;

// First canonical code of each length 1 to 16, given the count of each length.
void FirstCodes(const unsigned *count, uint32_t *next) {
  next[1] = 0;
  for (unsigned len = 1; len < kMaxCodeLength; ++len)
    next[len + 1] = (next[len] + count[len]) << 1;
}

} // namespace

THuffmanTable::THuffmanTable(THuffmanShape shape)
    : symbols_(shape.Symbols), directBits_(shape.DirectBits),
      direct_(size_t{1} << shape.DirectBits, 0), left_(2 * size_t{shape.Symbols}, kEmpty),
      right_(2 * size_t{shape.Symbols}, kEmpty), lengths_(shape.Symbols, 0) {}

void THuffmanTable::ThrowBadTable() { throw ELZHBadDecodeTable(); }

void THuffmanTable::SetSingle(unsigned symbol) {
  if (symbol >= symbols_)
    ThrowBadTable();
  std::fill(lengths_.begin(), lengths_.end(), uint8_t{0});
  std::fill(direct_.begin(), direct_.end(), static_cast<uint16_t>(symbol));
}

void THuffmanTable::Build(const uint8_t *lengths) {
  unsigned count[kMaxCodeLength + 1] = {};
  for (unsigned s = 0; s < symbols_; ++s) {
    if (lengths[s] > kMaxCodeLength)
      ThrowBadTable();
    ++count[lengths[s]];
  }
  uint32_t filled = 0;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len)
    filled += count[len] << (kMaxCodeLength - len);
  if (filled != kCodeSpace)
    ThrowBadTable();

  // The code is complete, hence prefix-free: every direct entry and tree slot is reached once.
  uint32_t next[kMaxCodeLength + 1];
  FirstCodes(count, next);
  std::copy(lengths, lengths + symbols_, lengths_.begin());
  std::fill(direct_.begin(), direct_.end(), kEmpty);
  std::fill(left_.begin(), left_.end(), kEmpty);
  std::fill(right_.begin(), right_.end(), kEmpty);
  unsigned avail = symbols_;
  for (unsigned s = 0; s < symbols_; ++s) {
    const unsigned len = lengths[s];
    if (len == 0)
      continue;
    const uint32_t code = next[len]++;
    if (len <= directBits_) {
      const uint32_t first = code << (directBits_ - len);
      std::fill_n(direct_.begin() + first, size_t{1} << (directBits_ - len),
                  static_cast<uint16_t>(s));
      continue;
    }
    uint16_t *slot = &direct_[code >> (len - directBits_)];
    for (unsigned bit = len - directBits_; bit-- > 0;) {
      if (*slot < symbols_ || (*slot == kEmpty && avail >= left_.size()))
        ThrowBadTable();
      if (*slot == kEmpty)
        *slot = static_cast<uint16_t>(avail++);
      slot = ((code >> bit) & 1) ? &right_[*slot] : &left_[*slot];
    }
    *slot = static_cast<uint16_t>(s);
  }
}

unsigned BuildCodeLengths(const uint32_t *freq, unsigned symbols, uint8_t *lengths) {
  constexpr unsigned maxLength = kMaxCodeLength;
  std::fill(lengths, lengths + symbols, uint8_t{0});
  std::vector<unsigned> order;
  for (unsigned s = 0; s < symbols; ++s)
    if (freq[s] != 0)
      order.push_back(s);
  const size_t n = order.size();
  if (n < 2)
    return static_cast<unsigned>(n);
  std::stable_sort(order.begin(), order.end(),
                   [freq](unsigned a, unsigned b) { return freq[a] < freq[b]; });

  // Two-queue Huffman construction: leaves in rising weight, then inner nodes as made.
  const size_t nodes = 2 * n - 1;
  std::vector<uint64_t> weight(nodes);
  std::vector<size_t> parent(nodes, 0);
  for (size_t i = 0; i < n; ++i)
    weight[i] = freq[order[i]];
  size_t leaf = 0;
  size_t inner = n;
  auto takeSmallest = [&](size_t made) {
    if (leaf < n && (inner >= made || weight[leaf] <= weight[inner]))
      return leaf++;
    return inner++;
  };
  for (size_t made = n; made < nodes; ++made) {
    const size_t a = takeSmallest(made);
    const size_t b = takeSmallest(made);
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = made;
  }
  std::vector<unsigned> depth(nodes, 0);
  unsigned count[kMaxCodeLength + 1] = {};
  for (size_t i = nodes - 1; i-- > 0;) {
    depth[i] = depth[parent[i]] + 1;
    if (i < n)
      ++count[std::min(depth[i], maxLength)];
  }

  // Limit the lengths: each step moves one leaf down a level and removes one unit of overflow.
  uint64_t filled = 0;
  for (unsigned len = 1; len <= maxLength; ++len)
    filled += uint64_t{count[len]} << (maxLength - len);
  for (; filled > (uint64_t{1} << maxLength); --filled) {
    --count[maxLength];
    for (unsigned len = maxLength - 1; len > 0; --len) {
      if (count[len] != 0) {
        --count[len];
        count[len + 1] += 2;
        break;
      }
    }
  }

  // The rarest symbols get the longest codes.
  size_t next = 0;
  for (unsigned len = maxLength; len > 0; --len)
    for (unsigned k = 0; k < count[len]; ++k)
      lengths[order[next++]] = static_cast<uint8_t>(len);
  return static_cast<unsigned>(n);
}

void CanonicalCodes(const uint8_t *lengths, unsigned symbols, uint16_t *codes) {
  unsigned count[kMaxCodeLength + 1] = {};
  for (unsigned s = 0; s < symbols; ++s)
    ++count[lengths[s]];
  uint32_t next[kMaxCodeLength + 1];
  FirstCodes(count, next);
  for (unsigned s = 0; s < symbols; ++s)
    codes[s] = lengths[s] == 0 ? 0 : static_cast<uint16_t>(next[lengths[s]]++);
}

} // namespace package
