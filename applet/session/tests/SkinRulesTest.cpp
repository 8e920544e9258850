// The gradient and gauge arithmetic of the main window.
#include "applet/session/SkinRules.h"

#include <gtest/gtest.h>

namespace session {
namespace {

constexpr int kClientHeight = 343;

TEST(MulDivTest, RoundsToNearestWithHalvesAwayFromZero) {
  const struct {
    int32_t A, B, C, Result;
  } cases[] = {{127, 255, 128, 253}, {127, 239, 128, 237}, {1, 343, 128, 3},  {1, 64, 128, 1},
               {1, 63, 128, 0},      {-1, 64, 128, -1},    {1, -64, 128, -1}, {3, 3, -2, -5},
               {5, 7, 0, -1},        {65536, 65536, 1, -1}};
  for (const auto &c : cases)
    EXPECT_EQ(c.Result, MulDiv(c.A, c.B, c.C)) << c.A << "*" << c.B << "/" << c.C;
}

TEST(GradientTest, BandsRunFromBlackTowardsTheEndColourAndTileTheClientArea) {
  const TBand first = GradientBand(0, 0, kClientHeight, kGradientStart, kGradientEnd);
  EXPECT_EQ(0, first.Top);
  EXPECT_EQ(3, first.Bottom);
  EXPECT_EQ(0x000000u, first.Color);
  const TBand visibleLast = GradientBand(127, 0, kClientHeight, kGradientStart, kGradientEnd);
  EXPECT_EQ(340, visibleLast.Top);
  EXPECT_EQ(kClientHeight, visibleLast.Bottom);
  EXPECT_EQ(0x00EDFDu, visibleLast.Color); // red 253, green 237, blue 0
  const TBand below = GradientBand(128, 0, kClientHeight, kGradientStart, kGradientEnd);
  EXPECT_EQ(kClientHeight, below.Top);
  EXPECT_EQ(kGradientEnd, below.Color);
  EXPECT_EQ(0x007880u, GradientBand(64, 0, kClientHeight, kGradientStart, kGradientEnd).Color);
  int previousBottom = 0;
  for (int i = 0; i <= kGradientBands; ++i) {
    const TBand band = GradientBand(i, 10, kClientHeight, kGradientStart, kGradientEnd);
    EXPECT_EQ(previousBottom + (i == 0 ? 10 : 0), band.Top);
    previousBottom = band.Bottom;
  }
}

TEST(GaugeTest, PercentAndFillTruncate) {
  const struct {
    int Value, Percent, Fill; // fill for the main window's bar (inner width 303)
  } cases[] = {{0, 0, 0},      {1, 0, 0},      {2, 1, 3},       {4, 3, 9},  {51, 50, 152},
               {100, 98, 297}, {101, 99, 300}, {102, 100, 304}, {-5, -4, 0}};
  for (const auto &c : cases) {
    EXPECT_EQ(c.Percent, GaugePercent(c.Value, 0, 102)) << c.Value;
    EXPECT_EQ(c.Fill, GaugeFillLength(303, GaugePercent(c.Value, 0, 102))) << c.Value;
  }
  EXPECT_EQ(0, GaugePercent(7, 5, 5));
  EXPECT_EQ(50, GaugePercent(15, 10, 20));
  EXPECT_EQ(11, GaugeFillLength(10, 150));
  EXPECT_EQ(0, GaugeFillLength(50, 1));
}

} // namespace
} // namespace session
