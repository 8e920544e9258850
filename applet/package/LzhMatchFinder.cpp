#include "applet/package/LzhMatchFinder.h"

namespace package {
namespace lzh {

// Node indices: 0..kWindow-1 are window positions, kNil is "none", and the roots follow it.
TLzhMatchFinder::TLzhMatchFinder()
    : text_(kWindow + kLongestMatch - 1, 0), left_(kWindow + 1 + kRoots, kNil),
      right_(kWindow + 1 + kRoots, kNil), parent_(kWindow + 1 + kRoots, kNil) {}

unsigned TLzhMatchFinder::RootOf(unsigned pos) const {
  const unsigned mix = (text_[pos + 1] ^ (text_[pos + 2] >> 4) ^ (text_[pos + 2] << 2)) & 0xF;
  return kNil + 1 + ((unsigned{text_[pos]} << 4) | mix);
}

void TLzhMatchFinder::Insert(unsigned pos) {
  const uint8_t *key = &text_[pos];
  unsigned p = RootOf(pos);
  int cmp = 1;
  left_[pos] = right_[pos] = kNil;
  matchLength_ = 0;
  for (;;) {
    std::vector<uint16_t> &side = cmp >= 0 ? right_ : left_;
    if (side[p] == kNil) {
      side[p] = static_cast<uint16_t>(pos);
      parent_[pos] = static_cast<uint16_t>(p);
      return;
    }
    p = side[p];
    const uint8_t *other = &text_[p];
    unsigned i = 0;
    cmp = 0;
    while (i < kLongestMatch && (cmp = int{key[i]} - int{other[i]}) == 0)
      ++i;
    const unsigned distance = ((pos - p) & (kWindow - 1)) - 1;
    if (i > matchLength_ || (i == matchLength_ && distance < matchPosition_)) {
      matchLength_ = i;
      matchPosition_ = distance;
    }
    if (i >= kLongestMatch)
      break;
  }
  // The new string equals p in full: it takes p's place, and p leaves the tree.
  parent_[pos] = parent_[p];
  left_[pos] = left_[p];
  right_[pos] = right_[p];
  parent_[left_[p]] = static_cast<uint16_t>(pos);
  parent_[right_[p]] = static_cast<uint16_t>(pos);
  if (right_[parent_[p]] == p)
    right_[parent_[p]] = static_cast<uint16_t>(pos);
  else
    left_[parent_[p]] = static_cast<uint16_t>(pos);
  parent_[p] = kNil;
}

void TLzhMatchFinder::Delete(unsigned pos) {
  if (parent_[pos] == kNil)
    return;
  unsigned q;
  if (right_[pos] == kNil) {
    q = left_[pos];
  } else if (left_[pos] == kNil) {
    q = right_[pos];
  } else {
    // Replace pos by its in-order predecessor.
    q = left_[pos];
    if (right_[q] != kNil) {
      do
        q = right_[q];
      while (right_[q] != kNil);
      right_[parent_[q]] = left_[q];
      parent_[left_[q]] = parent_[q];
      left_[q] = left_[pos];
      parent_[left_[pos]] = static_cast<uint16_t>(q);
    }
    right_[q] = right_[pos];
    parent_[right_[pos]] = static_cast<uint16_t>(q);
  }
  parent_[q] = parent_[pos];
  if (right_[parent_[pos]] == pos)
    right_[parent_[pos]] = static_cast<uint16_t>(q);
  else
    left_[parent_[pos]] = static_cast<uint16_t>(q);
  parent_[pos] = kNil;
}

} // namespace lzh
} // namespace package
