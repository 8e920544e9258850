#include "applet/package/CompThreadSafety.h"

#include "applet/package/CompressErrors.h"
#include "applet/platform/Platform.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace package {

namespace {
constexpr int32_t kProgressStart = 0;
constexpr int32_t kProgressDone = 100;
} // namespace

int32_t TCompThreadSafety::RunCodec(TStream &source, TStream &dest, bool unscramble, bool expanding,
                                    uint32_t &checksum, uint8_t methodIndex,
                                    uint32_t uncompressedSize, int32_t inputLength) {
  checksum = 0;
  progress_ = OnShowProgress;
  if (progress_) {
    int32_t percent = kProgressStart;
    progress_(percent);
    if (percent == kCancelProgress)
      return 0;
  }

  source_ = &source;
  dest_ = &dest;
  endOfInput_ = false;
  inPos_ = inEnd_ = inBuf_;
  outPos_ = outBuf_;
  inRemaining_ = inputLength > 0 ? inputLength : 0;
  refillSize_ = kCodecBufferSize;
  inSum_ = outSum_ = 0;
  inConsumed_ = outCount_ = 0;
  budget_ = expanding ? INT32_MAX : inRemaining_;
  scramble_ = !expanding && Key != 0;
  unscramble_ = expanding && Key != 0 && unscramble;
  KeyBytes(Key, keyBytes_);
  keyPos_ = 0;

  const TCodecMethod &method = CodecMethod(methodIndex);
  if (!expanding && method.Encode != nullptr)
    method.Encode(*this);
  else if (expanding && method.Decode != nullptr)
    method.Decode(*this, uncompressedSize);

  checksum = expanding ? outSum_ : inSum_;
  if (outPos_ != outBuf_)
    dest_->WriteBuffer(outBuf_, static_cast<int32_t>(outPos_ - outBuf_));
  outPos_ = outBuf_;
  source_ = dest_ = nullptr;

  if (progress_) {
    int32_t percent = kProgressDone;
    progress_(percent);
  }
  return static_cast<int32_t>(std::min<int64_t>(outCount_, INT32_MAX));
}

bool TCompThreadSafety::Refill() {
  endOfInput_ = true;
  if (inRemaining_ <= 0)
    return false;
  if (inRemaining_ < refillSize_)
    refillSize_ = static_cast<int32_t>(inRemaining_);
  const int32_t got = source_->Read(inBuf_, refillSize_);
  if (got <= 0) {
    // A short source ends the input for good.
    inRemaining_ = 0;
    return false;
  }
  inRemaining_ -= got;
  inEnd_ = inBuf_ + got;
  inPos_ = inBuf_;
  if (progress_) {
    inConsumed_ += got;
    int32_t percent = PercentOf(inConsumed_, inConsumed_ + inRemaining_);
    progress_(percent);
    if (percent == kCancelProgress) {
      // Cancelled: this block and the rest of the member's input are dropped.
      inRemaining_ = 0;
      inPos_ = inEnd_;
      return false;
    }
  }
  platform::Platform().Sleep(0);
  endOfInput_ = false;
  return true;
}

void TCompThreadSafety::Flush() {
  platform::Platform().Sleep(0);
  dest_->WriteBuffer(outBuf_, kCodecBufferSize);
  outPos_ = outBuf_;
}

void TCompThreadSafety::BudgetSpent() { throw EUnableToCompress(); }

TCompThreadSafety::TSpan TCompThreadSafety::TakeInput() {
  if (inPos_ == inEnd_ && !Refill())
    return {nullptr, 0};
  uint8_t *const data = inPos_;
  const size_t size = static_cast<size_t>(inEnd_ - inPos_);
  uint32_t sum = 0;
  for (size_t i = 0; i < size; ++i)
    sum += data[i];
  inSum_ += sum;
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
    uint32_t sum = 0;
    if (scramble_) {
      uint32_t k = keyPos_;
      for (size_t i = 0; i < n; ++i) {
        const uint8_t b = data[i] ^ keyBytes_[k];
        k = (k + 1) & kKeyMask;
        out[i] = b;
        sum += b;
      }
      keyPos_ = k;
    } else {
      std::memcpy(out, data, n);
      for (size_t i = 0; i < n; ++i)
        sum += data[i];
    }
    outSum_ += sum;
    outPos_ += n;
    outCount_ += static_cast<int64_t>(n);
    budget_ -= static_cast<int64_t>(n);
    data += n;
    size -= n;
  }
}

void TCompThreadSafety::WriteRepeated(uint8_t b, size_t count) {
  if (scramble_) {
    for (size_t i = 0; i < count; ++i)
      WriteByte(b);
    return;
  }
  while (count > 0) {
    const size_t n = OutputRoom(count);
    std::memset(outPos_, b, n);
    outSum_ += static_cast<uint32_t>(b) * static_cast<uint32_t>(n);
    outPos_ += n;
    outCount_ += static_cast<int64_t>(n);
    budget_ -= static_cast<int64_t>(n);
    count -= n;
  }
}

} // namespace package
