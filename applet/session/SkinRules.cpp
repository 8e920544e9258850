#include "applet/session/SkinRules.h"

#include <initializer_list>

namespace session {

namespace {
constexpr int kRedShift = 0;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;
constexpr uint32_t kChannelMask = 0xFF;
constexpr int kPercent = 100;
constexpr int64_t kMulDivLimit = 2147483647;

int Channel(uint32_t color, int shift) { return static_cast<int>((color >> shift) & kChannelMask); }
} // namespace

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0)
    return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t divisor = c;
  const bool negative = (product < 0) != (divisor < 0);
  const int64_t absProduct = product < 0 ? -product : product;
  const int64_t absDivisor = divisor < 0 ? -divisor : divisor;
  const int64_t rounded = (absProduct + absDivisor / 2) / absDivisor;
  if (rounded > kMulDivLimit)
    return -1;
  return static_cast<int32_t>(negative ? -rounded : rounded);
}

TBand GradientBand(int i, int top, int height, uint32_t start, uint32_t end) {
  uint32_t color = 0;
  for (int shift : {kRedShift, kGreenShift, kBlueShift}) {
    const int from = Channel(start, shift);
    const int value = from + MulDiv(i, Channel(end, shift) - from, kGradientBands);
    color |= (static_cast<uint32_t>(value) & kChannelMask) << shift;
  }
  return {top + MulDiv(i, height, kGradientBands), top + MulDiv(i + 1, height, kGradientBands),
          color};
}

int GaugePercent(int value, int minimum, int maximum) {
  if (maximum == minimum)
    return 0;
  return static_cast<int>(static_cast<int64_t>(kPercent) * (value - minimum) / (maximum - minimum));
}

int GaugeFillLength(int innerWidth, int percent) {
  const int whole = innerWidth + 1;
  int length = static_cast<int>(static_cast<int64_t>(whole) * percent / kPercent);
  if (length > whole)
    length = whole;
  return length < 1 ? 0 : length;
}

} // namespace session
