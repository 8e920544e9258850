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
  const TGradient window{0, kClientHeight};
  const TBand first = GradientBand(window, 0);
  EXPECT_EQ(0, first.Top);
  EXPECT_EQ(3, first.Bottom);
  EXPECT_EQ(0x000000u, first.Color);
  const TBand visibleLast = GradientBand(window, 127);
  EXPECT_EQ(340, visibleLast.Top);
  EXPECT_EQ(kClientHeight, visibleLast.Bottom);
  EXPECT_EQ(0x00EDFDu, visibleLast.Color); // red 253, green 237, blue 0
  const TBand below = GradientBand(window, 128);
  EXPECT_EQ(kClientHeight, below.Top);
  EXPECT_EQ(kGradientEnd, below.Color);
  EXPECT_EQ(0x007880u, GradientBand(window, 64).Color);
  int previousBottom = 0;
  for (int i = 0; i <= kGradientBands; ++i) {
    const TBand band = GradientBand(TGradient{10, kClientHeight}, i);
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
    const TGaugeState gauge{0, 102, c.Value};
    EXPECT_EQ(c.Percent, GaugePercent(gauge)) << c.Value;
    EXPECT_EQ(c.Fill, GaugeFillLength(gauge, 303)) << c.Value;
  }
  EXPECT_EQ(0, GaugePercent({5, 5, 7}));
  EXPECT_EQ(50, GaugePercent({10, 20, 15}));
  EXPECT_EQ(11, GaugeFillLength({0, 100, 150}, 10)); // beyond the maximum: the whole bar
  EXPECT_EQ(0, GaugeFillLength({0, 100, 1}, 50));
}

} // namespace
} // namespace session
