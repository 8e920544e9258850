// The codec driver: the working state of one codec run and the byte channel the codecs use
// (the contract in CodecIO.h). Input and output go through 8192-byte buffers; the input sum,
// the output sum, the output budget and the key hook are kept here, byte by byte.
#pragma once

#include "applet/package/ArchiveFormat.h"
#include "applet/package/CodecIO.h"
#include "applet/package/Streams.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace package {

// var PercentageDone: 0 before a codec run, the share of input taken after each block, 100
// after the run. Setting -1 skips the run (first call) or ends the member's input.
using TShowProgressEvent = std::function<void(int32_t &PercentageDone)>;

constexpr int32_t kCodecBufferSize = 8192;
constexpr int32_t kCancelProgress = -1;

class TCompThreadSafety {
public:
  TCompThreadSafety() = default;
  TCompThreadSafety(const TCompThreadSafety &) = delete;
  TCompThreadSafety &operator=(const TCompThreadSafety &) = delete;

  // Set by the owner before each run: its Key and its OnShowProgress handler.
  int32_t Key = 0;
  TShowProgressEvent OnShowProgress;

  // One codec run over inputLength bytes of source. Adding (expanding false): encodes, with
  // the output limited to inputLength bytes (EUnableToCompress beyond), scrambling when Key is
  // not 0; checksum is the input sum; returns the bytes written. Expanding: decodes, with
  // unscrambling when Key is not 0 and unscramble is set; checksum is the output sum. Method
  // indexes without a codec of this driver run nothing.
  int32_t RunCodec(TStream &source, TStream &dest, bool unscramble, bool expanding,
                   uint32_t &checksum, uint8_t methodIndex, uint32_t uncompressedSize,
                   int32_t inputLength);

  // The byte channel of the codecs.
  uint8_t ReadByte() {
    if (inPos_ == inEnd_ && !Refill())
      return 0;
    uint8_t b = *inPos_++;
    inSum_ += b;
    if (unscramble_) {
      b ^= keyBytes_[keyPos_];
      keyPos_ = (keyPos_ + 1) & kKeyMask;
    }
    return b;
  }
  bool EndOfInput() const { return endOfInput_; }
  void WriteByte(uint8_t b) {
    if (budget_ <= 0)
      BudgetSpent();
    --budget_;
    if (outPos_ == outEnd_)
      Flush();
    if (scramble_) {
      b ^= keyBytes_[keyPos_];
      keyPos_ = (keyPos_ + 1) & kKeyMask;
    }
    *outPos_++ = b;
    outSum_ += b;
    ++outCount_;
  }

  // Block access for the stored and run-length codecs, with the same effect as the bytes one
  // at a time. TakeInput hands out every byte ReadByte would return from the buffered block
  // (summed and unscrambled in place); empty at the end of input.
  struct TSpan {
    const uint8_t *Data;
    size_t Size;
  };
  TSpan TakeInput();
  void WriteBlock(const uint8_t *data, size_t size);
  void WriteRepeated(uint8_t b, size_t count);

private:
  static constexpr uint32_t kKeyMask = 3;

  bool Refill();
  void Flush();
  [[noreturn]] static void BudgetSpent();
  // Moves up to size bytes into the output buffer (within budget and buffer room).
  size_t OutputRoom(size_t size);

  bool endOfInput_ = false;
  uint8_t inBuf_[kCodecBufferSize] = {};
  uint8_t outBuf_[kCodecBufferSize] = {};
  uint8_t *inEnd_ = inBuf_;
  uint8_t *inPos_ = inBuf_;
  uint8_t *const outEnd_ = outBuf_ + kCodecBufferSize;
  uint8_t *outPos_ = outBuf_;
  TStream *source_ = nullptr;
  TStream *dest_ = nullptr;
  uint32_t inSum_ = 0;
  uint32_t outSum_ = 0;
  int64_t inRemaining_ = 0;
  int32_t refillSize_ = kCodecBufferSize;
  int64_t inConsumed_ = 0;
  int64_t outCount_ = 0;
  bool unscramble_ = false;
  bool scramble_ = false;
  uint8_t keyBytes_[4] = {};
  uint32_t keyPos_ = 0;
  int64_t budget_ = 0;
  TShowProgressEvent progress_;
};

// The method table: index 0 to 4, "NON" "RLE" "LZH" "CUS" "LH5". A missing encoder or decoder
// means the driver has no codec for that direction ("CUS" belongs to the component's events).
struct TCodecMethod {
  void (*Encode)(TCompThreadSafety &io);
  void (*Decode)(TCompThreadSafety &io, uint32_t uncompressedSize);
};
const TCodecMethod &CodecMethod(uint8_t methodIndex);
// Whether the driver can encode and decode with this method.
bool CodecAvailable(uint8_t methodIndex);

} // namespace package
