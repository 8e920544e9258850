// Most-significant-bit-first bit input and output over a byte channel, shared by the codecs.
#pragma once

#include <cstdint>
#include <vector>

namespace package {

// Reads bits through IO::ReadByte. Once the input has ended every further bit is 0. The buffer
// holds up to 32 bits aligned to the top; it is refilled a byte at a time.
template <class IO> class TBitReader {
public:
  static constexpr unsigned kMaxBits = 16; // widest Peek or Take
  // Zero bits a stream may still take after its input has ended (some writers leave the last
  // bits of a stream out). A decoder that has taken more is reading a header that lies about
  // the uncompressed size, or was cancelled, and stops.
  static constexpr int64_t kMaxBitsPastEnd = 64;

  explicit TBitReader(IO &io) : io_(io) {}

  // The next n bits (1 to 16) without taking them.
  uint32_t Peek(unsigned n) {
    if (count_ < n)
      Fill();
    return buffer_ >> (32 - n);
  }
  // Drops the next n bits (0 to 16).
  void Skip(unsigned n) {
    if (count_ < n)
      Fill();
    buffer_ = n < 32 ? buffer_ << n : 0;
    count_ -= n;
  }
  // Takes the next n bits (0 to 16).
  uint32_t Take(unsigned n) {
    if (n == 0)
      return 0;
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  unsigned Bit() { return Take(1); }
  // True once more than kMaxBitsPastEnd bits beyond the end of the input have been taken.
  bool Overrun() const { return 8 * pastEnd_ - int64_t{count_} > kMaxBitsPastEnd; }

private:
  void Fill() {
    while (count_ <= 24) {
      const uint8_t b = io_.ReadByte();
      if (io_.EndOfInput())
        ++pastEnd_;
      buffer_ |= uint32_t{b} << (24 - count_);
      count_ += 8;
    }
  }

  IO &io_;
  uint32_t buffer_ = 0;
  unsigned count_ = 0;
  int64_t pastEnd_ = 0; // bytes fed in after the input ended
};

// Writes bits through Sink::WriteByte, most significant first.
template <class Sink> class TBitWriter {
public:
  explicit TBitWriter(Sink &sink) : sink_(sink) {}

  // Writes the low n bits (0 to 16) of v.
  void Put(unsigned n, uint32_t v) {
    if (n == 0)
      return;
    pending_ = (pending_ << n) | (v & ((1u << n) - 1));
    count_ += n;
    while (count_ >= 8) {
      count_ -= 8;
      sink_.WriteByte(static_cast<uint8_t>(pending_ >> count_));
    }
  }
  // Completes a partly filled last byte with zero bits and writes it.
  void PadToByte() {
    if (count_ > 0)
      sink_.WriteByte(static_cast<uint8_t>(pending_ << (8 - count_)));
    count_ = 0;
  }

private:
  Sink &sink_;
  uint32_t pending_ = 0;
  unsigned count_ = 0;
};

// A byte sink that collects output in memory, for encoders that buffer before the channel.
struct TByteSink {
  std::vector<uint8_t> Bytes;
  void WriteByte(uint8_t b) { Bytes.push_back(b); }
};

} // namespace package
