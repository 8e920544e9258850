#include "applet/package/Lh5Encoder.h"

#include "applet/package/Huffman.h"

#include <algorithm>
#include <cstring>

namespace package {
namespace {

using namespace lh5;

constexpr uint32_t kSlide = 32768;
constexpr uint32_t kBufferSize = 2 * kSlide;
constexpr uint32_t kLookAhead = 8192;                 // input read ahead of the coding position
constexpr uint32_t kMinLookAhead = kLongestMatch + 1; // kept before coding, until the end
constexpr unsigned kHashBits = 15;
constexpr uint32_t kHashMask = (1u << kHashBits) - 1;
constexpr int32_t kNil = -1;
constexpr unsigned kMaxChain = 256;    // candidates tried per position
constexpr unsigned kGoodLength = 32;   // with a previous match this long, try a quarter as many
constexpr unsigned kNiceLength = 256;  // stop searching at a match this long
constexpr unsigned kCheckedLength = 6; // longer matches are always worth their bits
constexpr size_t kChunk = 2048;        // symbols weighed at a time for joining the open block
constexpr uint8_t kDefaultLiteralCost = 8;
constexpr uint8_t kDefaultLengthCost = 8;
constexpr uint8_t kDefaultPositionCost = 4;
constexpr uint8_t kUnusedExtraCost = 2; // a symbol the last block lacked: longer than its longest

uint32_t Hash(const uint8_t *p) {
  return ((uint32_t{p[0]} << 10) ^ (uint32_t{p[1]} << 5) ^ p[2]) & kHashMask;
}

// Length of the common prefix of a and b, at most max.
unsigned CommonLength(const uint8_t *a, const uint8_t *b, unsigned max) {
  unsigned n = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  while (n + sizeof(uint64_t) <= max) {
    uint64_t x, y;
    std::memcpy(&x, a + n, sizeof x);
    std::memcpy(&y, b + n, sizeof y);
    if (x != y)
      return n + static_cast<unsigned>(__builtin_ctzll(x ^ y)) / 8;
    n += sizeof(uint64_t);
  }
#endif
  while (n < max && a[n] == b[n])
    ++n;
  return n;
}

} // namespace

TLh5Encoder::TLh5Encoder()
    : buffer_(kBufferSize, 0), head_(size_t{1} << kHashBits, kNil), prev_(kBufferSize, kNil),
      out_(sink_) {
  symbols_.reserve(kMaxBlockSymbols + kChunk);
  positions_.reserve(kMaxBlockSymbols + kChunk);
  std::fill(literalCost_, literalCost_ + kLiterals, kDefaultLiteralCost);
  std::fill(literalCost_ + kLiterals, literalCost_ + kLiteralLengthSymbols, kDefaultLengthCost);
  std::fill(positionCost_, positionCost_ + kPositionClasses, kDefaultPositionCost);
}

void TLh5Encoder::SetCosts(const TCodeLengths &lengths) {
  auto set = [](const uint8_t *len, unsigned n, uint8_t *cost) {
    const uint8_t longest = *std::max_element(len, len + n);
    const uint8_t unused =
        static_cast<uint8_t>(std::min<unsigned>(longest + kUnusedExtraCost, kMaxCodeLength));
    for (unsigned s = 0; s < n; ++s)
      cost[s] = len[s] != 0 ? len[s] : unused;
  };
  set(lengths.Literal, kLiteralLengthSymbols, literalCost_);
  set(lengths.Position, kPositionClasses, positionCost_);
}

bool TLh5Encoder::Worthwhile(unsigned length, unsigned distance) const {
  if (length > kCheckedLength)
    return true;
  const unsigned c = PositionClass(distance - 1);
  const unsigned matchBits =
      literalCost_[kMatchBase + length] + positionCost_[c] + (c > 1 ? c - 1 : 0);
  unsigned literalBits = 0;
  for (unsigned i = 0; i < length; ++i)
    literalBits += literalCost_[buffer_[pos_ + i]];
  return matchBits < literalBits;
}

size_t TLh5Encoder::Room() const { return std::min(kBufferSize - end_, pos_ + kLookAhead - end_); }

int32_t TLh5Encoder::InsertString(uint32_t pos) {
  const uint32_t h = Hash(&buffer_[pos]);
  prev_[pos] = head_[h];
  head_[h] = static_cast<int32_t>(pos);
  return prev_[pos];
}

unsigned TLh5Encoder::LongestMatch(int32_t candidate, unsigned shorterThan,
                                   unsigned &distance) const {
  const unsigned maxLength = std::min<uint32_t>(kLongestMatch, end_ - pos_);
  unsigned best = shorterThan;
  if (best >= maxLength)
    return 0;
  const unsigned nice = std::min(kNiceLength, maxLength);
  const int32_t limit = pos_ > kWindow ? static_cast<int32_t>(pos_ - kWindow) : 0;
  const uint8_t *scan = &buffer_[pos_];
  unsigned chain = best >= kGoodLength ? kMaxChain / 4 : kMaxChain;
  unsigned found = 0;
  for (; candidate >= limit && chain > 0; candidate = prev_[candidate], --chain) {
    const uint8_t *m = &buffer_[candidate];
    // Cheap rejections first: the byte that would make the match longer, then the start.
    if (m[best] != scan[best] || m[best - 1] != scan[best - 1] || m[0] != scan[0] ||
        m[1] != scan[1])
      continue;
    const unsigned len = CommonLength(m, scan, maxLength);
    if (len > best) {
      best = len;
      found = len;
      distance = pos_ - static_cast<uint32_t>(candidate);
      if (len >= nice)
        break;
    }
  }
  return found;
}

void TLh5Encoder::Compress(bool final) {
  for (;;) {
    const uint32_t lookAhead = end_ - pos_;
    if (lookAhead == 0 || (!final && lookAhead < kMinLookAhead))
      break;
    const int32_t head = lookAhead >= kShortestMatch ? InsertString(pos_) : kNil;
    const unsigned prevLength = matchLength_;
    const unsigned prevDistance = matchDistance_;
    matchLength_ = kShortestMatch - 1;
    if (head != kNil) {
      unsigned distance = 0;
      const unsigned len = LongestMatch(head, prevLength, distance);
      if (len >= kShortestMatch && Worthwhile(len, distance)) {
        matchLength_ = len;
        matchDistance_ = distance;
      }
    }
    if (prevLength >= kShortestMatch && matchLength_ <= prevLength) {
      // The match that started at the previous position wins; skip over it.
      Emit(kMatchBase + prevLength, prevDistance - 1);
      const uint32_t stop = pos_ - 1 + prevLength;
      while (++pos_ < stop)
        if (end_ - pos_ >= kShortestMatch)
          InsertString(pos_);
      matchAvailable_ = false;
      matchLength_ = kShortestMatch - 1;
    } else if (matchAvailable_) {
      Emit(buffer_[pos_ - 1], 0);
      ++pos_;
    } else {
      matchAvailable_ = true;
      ++pos_;
    }
  }
  if (final) {
    if (matchAvailable_)
      Emit(buffer_[pos_ - 1], 0);
    matchAvailable_ = false;
    CloseChunk();
    WriteOpenBlock();
    out_.Put(kFinalPadBits, 0); // completes the last partial byte
    return;
  }
  if (end_ + kLookAhead > kBufferSize)
    Slide();
}

void TLh5Encoder::Slide() {
  std::memmove(buffer_.data(), buffer_.data() + kSlide, end_ - kSlide);
  pos_ -= kSlide;
  end_ -= kSlide;
  constexpr int32_t kShift = static_cast<int32_t>(kSlide);
  auto shift = [](int32_t p) { return p >= kShift ? p - kShift : kNil; };
  std::transform(head_.begin(), head_.end(), head_.begin(), shift);
  std::transform(prev_.begin() + kSlide, prev_.end(), prev_.begin(), shift);
}

void TLh5Encoder::Emit(unsigned symbol, unsigned position) {
  symbols_.push_back(static_cast<uint16_t>(symbol));
  positions_.push_back(static_cast<uint16_t>(position));
  chunk_.Add(symbol, position);
  if (chunk_.Count == kChunk)
    CloseChunk();
}

void TLh5Encoder::CloseChunk() {
  if (chunk_.Count == 0)
    return;
  const uint64_t chunkBits = BlockBits(chunk_);
  bool join = blockEnd_ == 0;
  if (!join && blockEnd_ + chunk_.Count <= kMaxBlockSymbols) {
    TBlockStats joined = block_;
    joined.Merge(chunk_);
    const uint64_t joinedBits = BlockBits(joined);
    if (joinedBits <= blockBits_ + chunkBits) {
      join = true;
      blockBits_ = joinedBits - chunkBits; // chunkBits is added back below
    }
  }
  if (!join)
    WriteOpenBlock();
  block_.Merge(chunk_);
  blockBits_ += chunkBits;
  blockEnd_ = symbols_.size();
  chunk_ = TBlockStats();
}

void TLh5Encoder::WriteOpenBlock() {
  if (blockEnd_ == 0)
    return;
  TCodeLengths lengths;
  WriteBlock(out_, block_, symbols_.data(), positions_.data(), blockEnd_, lengths);
  SetCosts(lengths);
  symbols_.erase(symbols_.begin(), symbols_.begin() + static_cast<std::ptrdiff_t>(blockEnd_));
  positions_.erase(positions_.begin(), positions_.begin() + static_cast<std::ptrdiff_t>(blockEnd_));
  blockEnd_ = 0;
  block_ = TBlockStats();
  blockBits_ = 0;
}

} // namespace package
