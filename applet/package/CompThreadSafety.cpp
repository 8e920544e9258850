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

// The sum of a block's bytes, eight at a time: pairs of bytes add up in 16-bit lanes, which
// are folded before they can overflow (128 words add at most 128 × 2 × 255 to a lane).
uint32_t ByteSum(const uint8_t *p, size_t n) {
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
} // namespace

TCompThreadSafety::TCompThreadSafety()
    : inBuf_(std::make_unique<uint8_t[]>(kStreamTransferSize)),
      outBuf_(std::make_unique<uint8_t[]>(kStreamTransferSize)) {}

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
  dest_ = &dest;
  endOfInput_ = false;
  inPos_ = inEnd_ = readEnd_ = inBuf_.get();
  outPos_ = outBuf_.get();
  outEnd_ = outPos_ + kStreamTransferSize;
  inRemaining_ = inputLength > 0 ? inputLength : 0;
  inSum_ = outSum_ = 0;
  blockSumsIn_ = !expanding;
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
  if (outPos_ != outBuf_.get())
    dest_->WriteBuffer(outBuf_.get(), static_cast<int32_t>(outPos_ - outBuf_.get()));
  outPos_ = outBuf_.get();
  source_ = dest_ = nullptr;

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
    const auto want = static_cast<int32_t>(
        inRemaining_ < kStreamTransferSize ? inRemaining_ : kStreamTransferSize);
    const int32_t got = source_->Read(inBuf_.get(), want);
    if (got <= 0) {
      // A short source ends the input for good.
      inRemaining_ = 0;
      return false;
    }
    inRemaining_ -= got;
    inEnd_ = inBuf_.get();
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
  dest_->WriteBuffer(outBuf_.get(), static_cast<int32_t>(outPos_ - outBuf_.get()));
  outPos_ = outBuf_.get();
}

void TCompThreadSafety::BudgetSpent() { throw EUnableToCompress(); }

TCompThreadSafety::TSpan TCompThreadSafety::TakeInput() {
  if (inPos_ == inEnd_ && !Refill())
    return {nullptr, 0};
  uint8_t *const data = inPos_;
  const size_t size = static_cast<size_t>(inEnd_ - inPos_);
  if (blockSumsIn_)
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
      if (!blockSumsIn_)
        sum = ByteSum(out, n);
    }
    outSum_ += sum;
    outPos_ += n;
    outCount_ += static_cast<int64_t>(n);
    budget_ -= static_cast<int64_t>(n);
    data += n;
    size -= n;
  }
}

void TCompThreadSafety::CopyInputToOutput() {
  if (scramble_ || unscramble_) {
    for (TSpan block = TakeInput(); block.Size != 0; block = TakeInput())
      WriteBlock(block.Data, block.Size);
    return;
  }
  // Blocks handed out one after another lie side by side in the input buffer: they are
  // written together, before the buffer is filled again.
  const uint8_t *pending = nullptr; // [pending, pendingEnd) taken but not yet written
  const uint8_t *pendingEnd = nullptr;
  auto writePending = [&] {
    if (pending != nullptr)
      WriteFromInput(pending, pendingEnd);
    pending = nullptr;
  };
  for (;;) {
    if (inPos_ == inEnd_) {
      if (inEnd_ == readEnd_)
        writePending();
      if (!Refill())
        break;
    }
    const auto size = static_cast<int64_t>(inEnd_ - inPos_);
    if (outPos_ != outBuf_.get() || size > budget_) {
      writePending();
      const TSpan block = TakeInput();
      WriteBlock(block.Data, block.Size);
      continue;
    }
    const uint32_t sum = ByteSum(inPos_, static_cast<size_t>(size));
    inSum_ += sum;
    outSum_ += sum;
    budget_ -= size;
    outCount_ += size;
    if (pending == nullptr)
      pending = inPos_;
    pendingEnd = inPos_ = inEnd_;
  }
  writePending();
}

void TCompThreadSafety::WriteFromInput(const uint8_t *from, const uint8_t *to) {
  platform::Platform().Sleep(0);
  dest_->WriteBuffer(from, static_cast<int32_t>(to - from));
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
    outSum_ += static_cast<uint32_t>(b) * static_cast<uint32_t>(n);
    outPos_ += n;
    outCount_ += static_cast<int64_t>(n);
    budget_ -= static_cast<int64_t>(n);
    count -= n;
  }
}

} // namespace package
