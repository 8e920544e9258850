#include "tools/qlnxaudio/FrameReader.h"

#include <algorithm>
#include <cstring>

namespace qlnx {

namespace {

constexpr size_t kCrcBytes = 2;
// Enough to hold a frame and the header after it.
constexpr size_t kLookahead = kMaxFrameBytes + kHeaderBytes;
// A scan moves the cursor on after this many bytes, so the buffer keeps room ahead.
constexpr size_t kScanStep = size_t{32} * 1024;
constexpr size_t kBufferBytes = size_t{64} * 1024 + 2 * kLookahead;
constexpr uint8_t kSyncByte = 0xFF;
constexpr uint8_t kSyncBits = 0xE0;

bool LooksLikeSync(const uint8_t *p) {
  return p[0] == kSyncByte && (p[1] & kSyncBits) == kSyncBits;
}

} // namespace

TFrameReader::TFrameReader(TByteSource &source) : source_(source), buffer_(kBufferBytes) {}

size_t TFrameReader::Available(size_t need) {
  size_t have = length_ - cursor_;
  if (have >= need || sourceEnded_)
    return have;
  if (cursor_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + cursor_, have);
    bufferOffset_ += cursor_;
    length_ = have;
    cursor_ = 0;
  }
  while (length_ < need && !sourceEnded_) {
    const int64_t n =
        source_.ReadAt(bufferOffset_ + length_, buffer_.data() + length_, buffer_.size() - length_);
    if (n <= 0)
      sourceEnded_ = true; // a read error ends the stream like the end of the file
    else
      length_ += static_cast<size_t>(n);
  }
  return length_ - cursor_;
}

void TFrameReader::Advance(size_t count) { cursor_ += std::min(count, length_ - cursor_); }

void TFrameReader::SkipTo(uint64_t offset) {
  if (offset >= bufferOffset_ + cursor_ && offset <= bufferOffset_ + length_) {
    cursor_ = static_cast<size_t>(offset - bufferOffset_);
    return;
  }
  bufferOffset_ = offset;
  length_ = cursor_ = 0;
  sourceEnded_ = false;
}

bool TFrameReader::SkipTag() {
  if (Available(kId3HeaderBytes) < kId3HeaderBytes)
    return false;
  const uint64_t tag = Id3v2TagBytes(buffer_.data() + cursor_);
  if (tag == 0)
    return false;
  SkipTo(bufferOffset_ + cursor_ + tag);
  return true;
}

bool TFrameReader::FrameAt(size_t at, size_t available, bool confirm, TFrameHeader &header,
                           size_t &size) {
  const uint8_t *p = buffer_.data() + cursor_ + at;
  if (at + kHeaderBytes > available || !ParseFrameHeader(p, header))
    return false;
  if (started_ && !SameStream(format_, header))
    return false;
  const size_t minimum = kHeaderBytes + (header.Crc ? kCrcBytes : 0) + header.SideInfoBytes;
  size = header.FrameBytes;
  if (size == 0 && freeSlotBytes_ != 0) {
    size = freeSlotBytes_ + PaddingBytes(header);
  } else if (size == 0) {
    // Free format: the frame reaches to the next header of the same stream.
    for (size_t next = minimum; next <= kMaxFrameBytes && at + next + kHeaderBytes <= available;
         ++next) {
      TFrameHeader following;
      if (LooksLikeSync(p + next) && ParseFrameHeader(p + next, following) &&
          SameStream(header, following)) {
        size = next;
        break;
      }
    }
  }
  if (size < minimum || size > kMaxFrameBytes || at + size > available)
    return false;
  if (!confirm)
    return true;
  if (at + size == available)
    return sourceEnded_; // the frame ends the source
  TFrameHeader following;
  return at + size + kHeaderBytes <= available && ParseFrameHeader(p + size, following) &&
         SameStream(header, following);
}

bool TFrameReader::Scan(size_t from) {
  for (size_t at = from;; ++at) {
    if (at > kScanStep) {
      Advance(at);
      at = 0;
    }
    const size_t available = Available(at + kLookahead);
    if (at + kHeaderBytes > available) {
      Advance(available);
      return false;
    }
    TFrameHeader header;
    size_t size = 0;
    if (LooksLikeSync(buffer_.data() + cursor_ + at) &&
        FrameAt(at, available, true, header, size)) {
      Advance(at);
      return true;
    }
  }
}

bool TFrameReader::Start() {
  if (started_)
    return !ended_;
  while (SkipTag()) {
  }
  // A lock found past bytes that are no frame needs a second confirming header: a sync and a
  // header one frame on occur by chance in other data (PCM renamed .mp3).
  const uint64_t dataStart = bufferOffset_ + cursor_;
  TFrameHeader header;
  size_t size = 0;
  for (size_t from = 0;; from = 1) {
    if (!Scan(from)) {
      ended_ = true;
      return false;
    }
    const size_t available = Available(2 * kLookahead);
    if (!FrameAt(0, available, true, header, size))
      continue;
    TFrameHeader second;
    size_t secondSize = 0;
    if (bufferOffset_ + cursor_ == dataStart || size == available ||
        FrameAt(size, available, true, second, secondSize))
      break;
  }
  format_ = header;
  if (header.FrameBytes == 0)
    freeSlotBytes_ = static_cast<uint32_t>(size - PaddingBytes(header));
  started_ = true;
  info_ = ParseInfoFrame(buffer_.data() + cursor_, size, header);
  if (info_.Present)
    Advance(size);
  return true;
}

bool TFrameReader::Next(TFrame &frame) {
  if (!started_ || ended_)
    return false;
  for (;;) {
    const size_t available = Available(kLookahead);
    TFrameHeader header;
    size_t size = 0;
    if (FrameAt(0, available, false, header, size)) {
      frame.Header = header;
      frame.Bytes = buffer_.data() + cursor_;
      frame.Size = size;
      Advance(size);
      return true;
    }
    if (SkipTag())
      continue;
    if (!Scan(1)) {
      ended_ = true;
      return false;
    }
  }
}

} // namespace qlnx
