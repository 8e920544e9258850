// The "LH5" encoder's engine: hash-chain match finding with lazy evaluation, and blocks of at
// most 65535 symbols with complete canonical codes. Input is appended a byte at a time; the
// bytes it produces collect in Output() for the caller to pass on.
#pragma once

#include "applet/package/BitIO.h"
#include "applet/package/Lh5Format.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace package {

namespace lh5 {
// Writes one block: its size, the code-length, literal/length and position codes, then the
// symbols. symbols[i] is a literal/length symbol; positions[i] the distance - 1 of a match.
void WriteBlock(TBitWriter<TByteSink> &out, const uint16_t *symbols, const uint16_t *positions,
                size_t count);
} // namespace lh5

class TLh5Encoder {
public:
  TLh5Encoder();
  TLh5Encoder(const TLh5Encoder &) = delete;
  TLh5Encoder &operator=(const TLh5Encoder &) = delete;

  // How many bytes may be appended before the next Compress call.
  size_t Room() const;
  void Append(uint8_t b) { buffer_[end_++] = b; }
  // Codes what the look-ahead allows; with final set, everything, and ends the stream.
  void Compress(bool final);
  std::vector<uint8_t> &Output() { return sink_.Bytes; }

private:
  int32_t InsertString(uint32_t pos);
  // The longest match for pos_ longer than shorterThan, or 0; sets distance.
  unsigned LongestMatch(int32_t candidate, unsigned shorterThan, unsigned &distance) const;
  void Slide();
  void Emit(unsigned symbol, unsigned position);
  void FlushBlock();

  std::vector<uint8_t> buffer_;
  std::vector<int32_t> head_;
  std::vector<int32_t> prev_;
  uint32_t pos_ = 0;
  uint32_t end_ = 0;
  unsigned matchLength_ = lh5::kShortestMatch - 1;
  unsigned matchDistance_ = 0;
  bool matchAvailable_ = false;
  std::vector<uint16_t> symbols_;
  std::vector<uint16_t> positions_;
  TByteSink sink_;
  TBitWriter<TByteSink> out_;
};

} // namespace package
