#include "applet/package/CompThreadSafety.h"

#include "applet/package/CompressErrors.h"
#include "applet/platform/Platform.h"

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__SSE2__) || defined(__i386__)
#define QLN_SSE2_SUM 1
#include <emmintrin.h>
#endif

namespace package {

namespace {
constexpr int32_t kProgressStart = 0;
constexpr int32_t kProgressDone = 100;

#if defined(QLN_SSE2_SUM)
// The sum of a block's bytes, sixteen at a time: each SAD against zero adds eight bytes into a
// 64-bit lane. Built for SSE2 also where the rest of the program is not (32-bit Windows).
__attribute__((target("sse2"))) uint32_t ByteSumSse2(const uint8_t *p, size_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lanes = zero;
  constexpr size_t kVector = sizeof(__m128i);
  for (; n >= kVector; n -= kVector, p += kVector) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    lanes = _mm_add_epi64(lanes, _mm_sad_epu8(v, zero));
  }
  uint32_t halves[4];
  _mm_storeu_si128(reinterpret_cast<__m128i *>(halves), lanes);
  uint32_t sum = halves[0] + halves[2];
  for (; n > 0; --n)
    sum += *p++;
  return sum;
}
#endif
} // namespace

// The sum of a block's bytes, eight at a time: pairs of bytes add up in 16-bit lanes, which
// are folded before they can overflow (128 words add at most 128 × 2 × 255 to a lane).
uint32_t ByteSumPortable(const uint8_t *p, size_t n) {
  constexpr uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
  constexpr size_t kWordsPerFold = 128;
  constexpr uint64_t kLane = 0xFFFF;
  uint32_t sum = 0;
  while (n >= sizeof(uint64_t)) {
    const size_t words = std::min(n / sizeof(uint64_t), kWordsPerFold);
    uint64_t lanes = 0;
    for (size_t i = 0; i < words; ++i) {
      uint64_t v;
      std::memcpy(&v, p + i * sizeof v, sizeof v);
      lanes += (v & kLowBytes) + ((v >> 8) & kLowBytes);
    }
    sum += static_cast<uint32_t>((lanes & kLane) + ((lanes >> 16) & kLane) +
                                 ((lanes >> 32) & kLane) + (lanes >> 48));
    p += words * sizeof(uint64_t);
    n -= words * sizeof(uint64_t);
  }
  for (; n > 0; --n)
    sum += *p++;
  return sum;
}

uint32_t ByteSum(const uint8_t *p, size_t n) {
#if defined(__SSE2__)
  return ByteSumSse2(p, n);
#elif defined(QLN_SSE2_SUM)
  static const bool kHasSse2 = __builtin_cpu_supports("sse2") != 0;
  return kHasSse2 ? ByteSumSse2(p, n) : ByteSumPortable(p, n);
#else
  return ByteSumPortable(p, n);
#endif
}

TCompThreadSafety::TCompThreadSafety()
    : writer_(kStreamTransferSize, kTransferBuffers), inBuf_(writer_.Acquire()),
      outBuf_(writer_.Acquire()) {}

// NOLINTBEGIN(bugprone-easily-swappable-parameters): the driver's documented interface
int32_t TCompThreadSafety::RunCodec(TStream &source, TStream &dest, bool unscramble, bool expanding,
                                    uint32_t &checksum, uint8_t methodIndex,
                                    uint32_t uncompressedSize, int32_t inputLength) {
  // NOLINTEND(bugprone-easily-swappable-parameters)
  checksum = 0;
  progress_ = OnShowProgress;
  if (progress_) {
    int32_t percent = kProgressStart;
    progress_(percent);
    if (percent == kCancelProgress)
      return 0;
  }

  source_ = &source;
  endOfInput_ = false;
  inPos_ = inEnd_ = readEnd_ = inBuf_;
  takenFrom_ = takenEnd_ = nullptr;
  outPos_ = outBuf_;
  outEnd_ = outPos_ + kStreamTransferSize;
  inRemaining_ = inputLength > 0 ? inputLength : 0;
  inSum_ = outSum_ = 0;
  expanding_ = expanding;
  inConsumed_ = outCount_ = 0;
  budget_ = expanding ? INT32_MAX : inRemaining_;
  scramble_ = !expanding && Key != 0;
  unscramble_ = expanding && Key != 0 && unscramble;
  KeyBytes(Key, keyBytes_);
  keyPos_ = 0;

  writer_.Begin(dest);
  try {
    const TCodecMethod &method = CodecMethod(methodIndex);
    if (!expanding && method.Encode != nullptr)
      method.Encode(*this);
    else if (expanding && method.Decode != nullptr)
      method.Decode(*this, uncompressedSize);
    if (outPos_ != outBuf_)
      Flush();
    // Everything is written before the caller sees the result or closes the destination.
    writer_.Finish();
  } catch (...) {
    writer_.Abandon();
    source_ = nullptr;
    throw;
  }
  checksum = expanding ? outSum_ : inSum_;
  source_ = nullptr;

  if (progress_) {
    int32_t percent = kProgressDone;
    progress_(percent);
  }
  return static_cast<int32_t>(std::min<int64_t>(outCount_, INT32_MAX));
}

bool TCompThreadSafety::Refill() {
  endOfInput_ = true;
  if (inEnd_ == readEnd_) {
    if (inRemaining_ <= 0)
      return false;
    if (takenFrom_ != nullptr)
      SubmitTakenInput();
    const auto want = static_cast<int32_t>(
        inRemaining_ < kStreamTransferSize ? inRemaining_ : kStreamTransferSize);
    const int32_t got = source_->Read(inBuf_, want);
    if (got <= 0) {
      // A short source ends the input for good.
      inRemaining_ = 0;
      return false;
    }
    inRemaining_ -= got;
    inEnd_ = inBuf_;
    readEnd_ = inEnd_ + got;
  }
  inPos_ = inEnd_;
  inEnd_ += std::min<ptrdiff_t>(readEnd_ - inEnd_, kCodecBufferSize);
  if (progress_) {
    inConsumed_ += inEnd_ - inPos_;
    const int64_t left = inRemaining_ + (readEnd_ - inEnd_);
    int32_t percent = PercentOf(inConsumed_, inConsumed_ + left);
    progress_(percent);
    if (percent == kCancelProgress) {
      // Cancelled: this block and the rest of the member's input are dropped.
      inRemaining_ = 0;
      inPos_ = inEnd_ = readEnd_;
      return false;
    }
  }
  platform::Platform().Sleep(0);
  endOfInput_ = false;
  return true;
}

void TCompThreadSafety::Flush() {
  platform::Platform().Sleep(0);
  uint8_t *const next = writer_.Acquire();
  const auto size = static_cast<size_t>(outPos_ - outBuf_);
  if (expanding_)
    outSum_ += ByteSum(outBuf_, size);
  writer_.Submit(outBuf_, 0, size);
  outBuf_ = outPos_ = next;
  outEnd_ = next + kStreamTransferSize;
}

void TCompThreadSafety::SubmitTakenInput() {
  uint8_t *const next = writer_.Acquire();
  writer_.Submit(inBuf_, static_cast<size_t>(takenFrom_ - inBuf_),
                 static_cast<size_t>(takenEnd_ - takenFrom_));
  inBuf_ = inPos_ = inEnd_ = readEnd_ = next;
  takenFrom_ = takenEnd_ = nullptr;
}

void TCompThreadSafety::BudgetSpent() { throw EUnableToCompress(); }

TCompThreadSafety::TSpan TCompThreadSafety::TakeInput() {
  if (inPos_ == inEnd_ && !Refill())
    return {nullptr, 0};
  uint8_t *const data = inPos_;
  const size_t size = static_cast<size_t>(inEnd_ - inPos_);
  if (!expanding_)
    inSum_ += ByteSum(data, size);
  if (unscramble_) {
    uint32_t k = keyPos_;
    for (size_t i = 0; i < size; ++i) {
      data[i] ^= keyBytes_[k];
      k = (k + 1) & kKeyMask;
    }
    keyPos_ = k;
  }
  inPos_ = inEnd_;
  return {data, size};
}

size_t TCompThreadSafety::OutputRoom(size_t size) {
  if (budget_ <= 0)
    BudgetSpent();
  if (outPos_ == outEnd_)
    Flush();
  size_t room = static_cast<size_t>(outEnd_ - outPos_);
  if (static_cast<int64_t>(room) > budget_)
    room = static_cast<size_t>(budget_);
  return std::min(room, size);
}

void TCompThreadSafety::WriteBlock(const uint8_t *data, size_t size) {
  while (size > 0) {
    const size_t n = OutputRoom(size);
    uint8_t *const out = outPos_;
    if (scramble_) {
      uint32_t k = keyPos_;
      for (size_t i = 0; i < n; ++i) {
        out[i] = data[i] ^ keyBytes_[k];
        k = (k + 1) & kKeyMask;
      }
      keyPos_ = k;
    } else {
      std::memcpy(out, data, n);
    }
    outPos_ += n;
    outCount_ += static_cast<int64_t>(n);
    budget_ -= static_cast<int64_t>(n);
    data += n;
    size -= n;
  }
}

void TCompThreadSafety::CopyInputToOutput() {
  if (scramble_ || unscramble_ || outPos_ != outBuf_) {
    for (TSpan block = TakeInput(); block.Size != 0; block = TakeInput())
      WriteBlock(block.Data, block.Size);
    return;
  }
  // Blocks taken one after another lie side by side in the input buffer: they go to the writer
  // together, before the buffer would be filled again.
  for (;;) {
    if (inPos_ == inEnd_ && !Refill())
      break;
    const auto size = static_cast<int64_t>(inEnd_ - inPos_);
    const int64_t n = std::min(size, std::max<int64_t>(budget_, 0));
    const uint32_t sum = ByteSum(inPos_, static_cast<size_t>(n));
    inSum_ += sum;
    outSum_ += sum;
    budget_ -= n;
    outCount_ += n;
    if (takenFrom_ == nullptr)
      takenFrom_ = inPos_;
    inPos_ += n;
    takenEnd_ = inPos_;
    if (n < size) {
      SubmitTakenInput();
      BudgetSpent();
    }
  }
  if (takenFrom_ != nullptr)
    SubmitTakenInput();
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TCompThreadSafety::WriteRepeated(uint8_t b, size_t count) {
  if (scramble_) {
    for (size_t i = 0; i < count; ++i)
      WriteByte(b);
    return;
  }
  while (count > 0) {
    const size_t n = OutputRoom(count);
    std::memset(outPos_, b, n);
    outPos_ += n;
    outCount_ += static_cast<int64_t>(n);
    budget_ -= static_cast<int64_t>(n);
    count -= n;
  }
}

} // namespace package
