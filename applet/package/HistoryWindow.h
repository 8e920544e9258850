// The history window of the LZ decoders: the last Size bytes written (Size a power of two),
// primed with a fill byte. A literal or a match goes to the output and into the window.
#pragma once

#include <cstdint>
#include <vector>

namespace package {

template <unsigned Size> class THistoryWindow {
public:
  static_assert((Size & (Size - 1)) == 0, "the window wraps by masking");
  THistoryWindow(unsigned start, uint8_t fill) : bytes_(Size, fill), at_(start) {}

  template <class IO> void Literal(IO &io, uint8_t b) {
    io.WriteByte(b);
    bytes_[at_] = b;
    at_ = (at_ + 1) & kMask;
  }
  // Repeats length bytes, the first lying distance + 1 bytes back (it may overlap the copy).
  template <class IO> void Match(IO &io, unsigned distance, unsigned length) {
    unsigned from = (at_ - distance - 1) & kMask;
    for (unsigned k = 0; k < length; ++k) {
      const uint8_t b = bytes_[from];
      io.WriteByte(b);
      bytes_[at_] = b;
      at_ = (at_ + 1) & kMask;
      from = (from + 1) & kMask;
    }
  }

private:
  static constexpr unsigned kMask = Size - 1;
  std::vector<uint8_t> bytes_;
  unsigned at_;
};

} // namespace package
