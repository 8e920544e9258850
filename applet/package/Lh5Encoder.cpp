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
constexpr size_t kSplitWindow = size_t{2} * kMaxBlockSymbols; // symbols cut into blocks at a time
constexpr uint8_t kDefaultLiteralCost = 8;
constexpr uint8_t kDefaultLengthCost = 8;
constexpr uint8_t kDefaultPositionCost = 4;
constexpr uint8_t kUnusedExtraCost = 2; // a symbol the recent codes lack: longer than their longest

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
    : buffer_(kBufferSize, 0), head_(size_t{1} << kHashBits, kNil), chain_(kBufferSize, kNil),
      out_(sink_) {
  symbols_.reserve(kSplitWindow);
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

void TLh5Encoder::RefreshCosts() {
  TCodeLengths lengths;
  CodeLengths(recent_, lengths);
  SetCosts(lengths);
  recent_ = TBlockStats();
}

bool TLh5Encoder::Worthwhile(const TMatch &match) const {
  if (match.Length > kCheckedLength)
    return true;
  const unsigned c = PositionClass(match.Distance - 1);
  const unsigned matchBits =
      literalCost_[kMatchBase + match.Length] + positionCost_[c] + (c > 1 ? c - 1 : 0);
  unsigned literalBits = 0;
  for (unsigned i = 0; i < match.Length; ++i)
    literalBits += literalCost_[buffer_[pos_ + i]];
  return matchBits < literalBits;
}

size_t TLh5Encoder::Room() const { return std::min(kBufferSize - end_, pos_ + kLookAhead - end_); }

int32_t TLh5Encoder::InsertString(uint32_t pos) {
  const uint32_t h = Hash(&buffer_[pos]);
  chain_[pos] = head_[h];
  head_[h] = static_cast<int32_t>(pos);
  return chain_[pos];
}

TLh5Encoder::TMatch TLh5Encoder::LongestMatch(int32_t candidate) const {
  TMatch found{0, 0};
  const unsigned maxLength = std::min<uint32_t>(kLongestMatch, end_ - pos_);
  unsigned best = previous_.Length;
  if (best >= maxLength)
    return found;
  const unsigned nice = std::min(kNiceLength, maxLength);
  const int32_t limit = pos_ > kWindow ? static_cast<int32_t>(pos_ - kWindow) : 0;
  const uint8_t *scan = &buffer_[pos_];
  unsigned chain = best >= kGoodLength ? kMaxChain / 4 : kMaxChain;
  for (; candidate >= limit && chain > 0; candidate = chain_[candidate], --chain) {
    const uint8_t *m = &buffer_[candidate];
    // Cheap rejections first: the byte that would make the match longer, then the start.
    if (m[best] != scan[best] || m[best - 1] != scan[best - 1] || m[0] != scan[0] ||
        m[1] != scan[1])
      continue;
    const unsigned len = CommonLength(m, scan, maxLength);
    if (len > best) {
      best = len;
      found = TMatch{len, pos_ - static_cast<uint32_t>(candidate)};
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
    previous_ = match_;
    match_ = TMatch{kShortestMatch - 1, 0};
    if (head != kNil) {
      const TMatch found = LongestMatch(head);
      if (found.Length >= kShortestMatch && Worthwhile(found))
        match_ = found;
    }
    if (previous_.Length >= kShortestMatch && match_.Length <= previous_.Length) {
      // The match that started at the previous position wins; skip over it.
      Emit(TCodedSymbol{static_cast<uint16_t>(kMatchBase + previous_.Length),
                        static_cast<uint16_t>(previous_.Distance - 1)});
      const uint32_t stop = pos_ - 1 + previous_.Length;
      while (++pos_ < stop)
        if (end_ - pos_ >= kShortestMatch)
          InsertString(pos_);
      matchAvailable_ = false;
      match_ = TMatch{kShortestMatch - 1, 0};
    } else if (matchAvailable_) {
      Emit(TCodedSymbol{buffer_[pos_ - 1], 0});
      ++pos_;
    } else {
      matchAvailable_ = true;
      ++pos_;
    }
  }
  if (final) {
    if (matchAvailable_)
      Emit(TCodedSymbol{buffer_[pos_ - 1], 0});
    matchAvailable_ = false;
    WriteBlocks(true);
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
  std::transform(chain_.begin() + kSlide, chain_.end(), chain_.begin(), shift);
}

void TLh5Encoder::WriteBlocks(bool final) {
  const std::vector<size_t> &ends = splitter_.Split(symbols_.data(), symbols_.size());
  const size_t written = ends.size() - (final || ends.size() < 2 ? 0 : 1);
  size_t start = 0;
  for (size_t b = 0; b < written; ++b) {
    WriteBlock(out_, symbols_.data() + start, ends[b] - start);
    start = ends[b];
  }
  symbols_.erase(symbols_.begin(), symbols_.begin() + static_cast<std::ptrdiff_t>(start));
}

} // namespace package
