#include "applet/session/SkinRules.h"

#include <initializer_list>

namespace session {

namespace {
constexpr int kRedShift = 0;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;
constexpr uint32_t kChannelMask = 0xFF;
constexpr int64_t kPercent = 100;
constexpr int64_t kMulDivLimit = 2147483647;

int Channel(uint32_t color, int shift) { return static_cast<int>((color >> shift) & kChannelMask); }
} // namespace

int32_t MulDiv(int32_t a, int32_t b, int32_t c) { // NOLINT(bugprone-easily-swappable-parameters)
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

TBand GradientBand(const TGradient &gradient, int i) {
  uint32_t color = 0;
  for (int shift : {kRedShift, kGreenShift, kBlueShift}) {
    const int from = Channel(gradient.Start, shift);
    const int value = from + MulDiv(i, Channel(gradient.End, shift) - from, kGradientBands);
    color |= (static_cast<uint32_t>(value) & kChannelMask) << shift;
  }
  return {gradient.Top + MulDiv(i, gradient.Height, kGradientBands),
          gradient.Top + MulDiv(i + 1, gradient.Height, kGradientBands), color};
}

int GaugePercent(const TGaugeState &gauge) {
  if (gauge.Maximum == gauge.Minimum)
    return 0;
  return static_cast<int>(kPercent * (static_cast<int64_t>(gauge.Position) - gauge.Minimum) /
                          (static_cast<int64_t>(gauge.Maximum) - gauge.Minimum));
}

int GaugeFillLength(const TGaugeState &gauge, int innerWidth) {
  const int64_t whole = static_cast<int64_t>(innerWidth) + 1;
  int64_t length = whole * GaugePercent(gauge) / kPercent;
  if (length > whole)
    length = whole;
  return length < 1 ? 0 : static_cast<int>(length);
}

} // namespace session
