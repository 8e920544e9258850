// The "LZH" encoder's match finder: binary search trees of window positions, one root for each
// first byte combined with a 4-bit mix of the next two.
#pragma once

#include "applet/package/LzhTree.h"

#include <cstdint>
#include <vector>

namespace package {
namespace lzh {

class TLzhMatchFinder {
public:
  static constexpr unsigned kRoots = 4096;

  TLzhMatchFinder();

  // The window plus a copy of its first kLongestMatch - 1 bytes, so strings may run past the end.
  uint8_t *Text() { return text_.data(); }
  // Stores byte b at window position pos (keeping the copy at the end in step).
  void Store(unsigned pos, uint8_t b) {
    text_[pos] = b;
    if (pos < kLongestMatch - 1)
      text_[pos + kWindow] = b;
  }

  // Inserts the string at pos and finds the longest earlier match for it (among equally long
  // ones, the nearest). A string matched in full replaces its twin in the tree.
  void Insert(unsigned pos);
  void Delete(unsigned pos);

  unsigned MatchLength() const { return matchLength_; }
  // The match as sent: (pos - source - 1) mod window.
  unsigned MatchPosition() const { return matchPosition_; }

private:
  static constexpr unsigned kNil = kWindow;
  unsigned RootOf(unsigned pos) const;

  std::vector<uint8_t> text_;
  std::vector<uint16_t> left_, right_, parent_;
  unsigned matchLength_ = 0;
  unsigned matchPosition_ = 0;
};

} // namespace lzh
} // namespace package
