// The codec driver: the working state of one codec run and the byte channel the codecs use
// (the contract in CodecIO.h). Input is handed to the codec in blocks of 8192 bytes (each
// refill reports progress and yields the processor); the streams are read and written in
// larger transfers underneath, the writes by a thread of their own (TWriteBehind) while the
// next input is read and decoded. The sums, the output budget and the key hook are kept here.
#pragma once

#include "applet/package/ArchiveFormat.h"
#include "applet/package/CodecIO.h"
#include "applet/package/Streams.h"
#include "applet/package/WriteBehind.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace package {

// var PercentageDone: 0 before a codec run, the share of input taken after each block, 100
// after the run. Setting -1 skips the run (first call) or ends the member's input.
using TShowProgressEvent = std::function<void(int32_t &PercentageDone)>;

constexpr int32_t kCodecBufferSize = 8192;
constexpr int32_t kCancelProgress = -1;
// Bytes per read from the source and per write to the destination: few hand-offs between the
// threads for a large member (each costs system calls, under Wine server round trips), while
// the whole pool (kTransferBuffers of them, 2 MB) still fits a second-level cache, so a block
// is still cached when it is written. Larger transfers overflow it and run slower.
constexpr int32_t kStreamTransferSize = 32 * kCodecBufferSize;
// Transfer buffers: the current input, the current output and those queued for writing.
constexpr size_t kTransferBuffers = 8;

class TCompThreadSafety {
public:
  TCompThreadSafety();
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
  // NOLINTBEGIN(bugprone-easily-swappable-parameters): the driver's documented interface
  int32_t RunCodec(TStream &source, TStream &dest, bool unscramble, bool expanding,
                   uint32_t &checksum, uint8_t methodIndex, uint32_t uncompressedSize,
                   int32_t inputLength);
  // NOLINTEND(bugprone-easily-swappable-parameters)

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
    ++outCount_;
  }

  // Block access for the stored and run-length codecs, with the same effect as the bytes one
  // at a time. TakeInput hands out every byte ReadByte would return from the current block
  // (unscrambled in place); empty at the end of input. Only the sum the run reports is kept:
  // the input's block by block when adding, the output's buffer by buffer when expanding.
  struct TSpan {
    const uint8_t *Data;
    size_t Size;
  };
  TSpan TakeInput();
  void WriteBlock(const uint8_t *data, size_t size);
  void WriteRepeated(uint8_t b, size_t count); // NOLINT(bugprone-easily-swappable-parameters)
  // The stored method: all input to the output. Without a key the input buffers themselves
  // are written, without a copy.
  void CopyInputToOutput();

private:
  static constexpr uint32_t kKeyMask = 3;

  // Hands out the next input block; false at the end of input (or when cancelled).
  bool Refill();
  // Queues the output buffer for writing and takes a fresh one.
  void Flush();
  // Queues the input taken by CopyInputToOutput and takes a fresh input buffer.
  void SubmitTakenInput();
  [[noreturn]] static void BudgetSpent();
  // Room for up to size more output bytes (within the budget, after a flush if full).
  size_t OutputRoom(size_t size);

  bool endOfInput_ = false;
  TWriteBehind writer_;
  uint8_t *inBuf_; // both from the writer's pool
  uint8_t *outBuf_;
  uint8_t *takenFrom_ = nullptr; // input handed to the output in place: [takenFrom_, takenEnd_)
  uint8_t *takenEnd_ = nullptr;
  uint8_t *inEnd_ = nullptr; // the current block: [inPos_, inEnd_)
  uint8_t *inPos_ = nullptr;
  uint8_t *readEnd_ = nullptr; // bytes read from the source but not yet handed out
  uint8_t *outEnd_ = nullptr;
  uint8_t *outPos_ = nullptr;
  TStream *source_ = nullptr;
  uint32_t inSum_ = 0;
  uint32_t outSum_ = 0;
  bool expanding_ = false;  // which sum is kept: the output's, or the input's (adding)
  int64_t inRemaining_ = 0; // bytes not yet read from the source
  int64_t inConsumed_ = 0;
  int64_t outCount_ = 0;
  bool unscramble_ = false;
  bool scramble_ = false;
  uint8_t keyBytes_[4] = {};
  uint32_t keyPos_ = 0;
  int64_t budget_ = 0;
  TShowProgressEvent progress_;
};

// The sum of a block's bytes as the driver takes it (with SSE2 where the processor has it), and
// the portable form it equals.
uint32_t ByteSum(const uint8_t *p, size_t n);
uint32_t ByteSumPortable(const uint8_t *p, size_t n);

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
