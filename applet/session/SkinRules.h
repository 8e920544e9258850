// The integer rules of the main window's dressing: the gradient background and the gauge bar.
// Pure functions, so the Win32 window only draws what they compute.
#pragma once

#include <cstdint>

namespace session {

// MulDiv as Windows computes it: a * b / c in 64 bits, rounded to the nearest integer with
// halves away from zero; -1 when c is 0 or the result does not fit.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// Colours as 0x00BBGGRR values.
inline constexpr uint32_t kGradientStart = 0x000000;
inline constexpr uint32_t kGradientEnd = 61439; // red 255, green 239, blue 0
inline constexpr int kGradientBands = 128;      // bands 0..128 are painted; 128 lies below

struct TBand {
  int Top;
  int Bottom; // exclusive
  uint32_t Color;
};

// Band i (0..kGradientBands) of a vertical gradient over a client area of the given top and
// height.
TBand GradientBand(int i, int top, int height, uint32_t start, uint32_t end);

// The gauge's percentage: trunc(100 * (value - minimum) / (maximum - minimum)), 0 when the
// range is empty.
int GaugePercent(int value, int minimum, int maximum);
// Length in pixels of the filled part of a bar whose inner width is innerWidth; 0 when
// nothing is to be filled.
int GaugeFillLength(int innerWidth, int percent);

} // namespace session
