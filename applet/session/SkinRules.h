// The integer rules of the main window's dressing: the gradient background and the gauge bar.
// Pure functions, so the Win32 window only draws what they compute.
#pragma once

#include <cstdint>

namespace session {

// MulDiv as Windows computes it: a * b / c in 64 bits, rounded to the nearest integer with
// halves away from zero; -1 when c is 0 or the result does not fit.
int32_t MulDiv(int32_t a, int32_t b, int32_t c); // NOLINT(bugprone-easily-swappable-parameters)

// Colours as 0x00BBGGRR values.
inline constexpr uint32_t kGradientStart = 0x000000;
inline constexpr uint32_t kGradientEnd = 61439; // red 255, green 239, blue 0
inline constexpr int kGradientBands = 128;      // bands 0..128 are painted; 128 lies below

// A vertical gradient over a client area.
struct TGradient {
  int Top;
  int Height;
  uint32_t Start = kGradientStart;
  uint32_t End = kGradientEnd;
};

struct TBand {
  int Top;
  int Bottom; // exclusive
  uint32_t Color;
};

// Band i (0..kGradientBands): rows Top + MulDiv(i, Height, 128) up to the next band's, each
// colour channel Start + MulDiv(i, End - Start, 128).
TBand GradientBand(const TGradient &gradient, int i);

struct TGaugeState {
  int Minimum = 0;
  int Maximum = 100;
  int Position = 0;
};

// trunc(100 * (Position - Minimum) / (Maximum - Minimum)), 0 when the range is empty.
int GaugePercent(const TGaugeState &gauge);
// Length in pixels of the filled part of a bar whose inner width is innerWidth:
// trunc((innerWidth + 1) * percent / 100), at most innerWidth + 1; 0 when below 1.
int GaugeFillLength(const TGaugeState &gauge, int innerWidth);

} // namespace session
