#include "applet/device/Calculations.h"

#include <gtest/gtest.h>

using namespace device;

namespace {
TMsf Msf(uint8_t m, uint8_t s, uint8_t f) { return TMsf{m, s, f}; }
} // namespace

TEST(Calculations, AbsoluteTimeAroundTheLeadInBoundary) {
  EXPECT_EQ(LbaToAbsMsf(0), Msf(0, 2, 0));
  EXPECT_EQ(LbaToAbsMsf(-150), Msf(0, 0, 0));
  EXPECT_EQ(LbaToAbsMsf(-151), Msf(99, 59, 74));
  EXPECT_EQ(LbaToAbsMsf(-11634), Msf(97, 26, 66));
  EXPECT_EQ(LbaToAbsMsf(359849), Msf(79, 59, 74));
}

TEST(Calculations, MsfToLbaInvertsAbsoluteTime) {
  EXPECT_EQ(MsfToLba(0, 2, 0), 0);
  EXPECT_EQ(MsfToLba(99, 59, 74), -151);
  EXPECT_EQ(MsfToLba(97, 26, 66), -11634);
  EXPECT_EQ(MsfToLba(0, 0, 0), -150);
  EXPECT_EQ(MsfToLba(89, 59, 74), 89 * 4500 + 59 * 75 + 74 - 150);
  EXPECT_EQ(MsfToLba(90, 0, 0), 90 * 4500 - 450150);
  for (int32_t lba = -45150; lba < 89 * 4500; lba += 997) {
    const TMsf t = LbaToAbsMsf(lba);
    EXPECT_EQ(MsfToLba(t.Minute, t.Second, t.Frame), lba) << lba;
  }
}

TEST(Calculations, BcdForms) {
  EXPECT_EQ(ToBcd(59), 0x59);
  EXPECT_EQ(ToBcd(0), 0x00);
  EXPECT_EQ(ToBcd(99), 0x99);
  EXPECT_EQ(LbaToAbsBcdMsf(1150), Msf(0x00, 0x17, 0x25));
  EXPECT_EQ(LbaToAbsBcdMsf(-151), Msf(0x99, 0x59, 0x74));
  EXPECT_EQ(LbaToBcdMsf(1150), Msf(0x00, 0x15, 0x25));
  EXPECT_EQ(LbaToBcdMsf(4500 * 12 + 75 * 34 + 56), Msf(0x12, 0x34, 0x56));
}

TEST(Calculations, TimeTextsTruncateTowardsZero) {
  EXPECT_EQ(FramesToTimeText(150), "00:02:00");
  EXPECT_EQ(FramesToTimeText(450000), "100:00:00");
  EXPECT_EQ(FramesToTimeText(0), "00:00:00");
  EXPECT_EQ(FramesToTimeText(4500 * 74 + 75 * 33 + 74), "74:33:74");
  // -76 frames: minute 0, second -1 and frame -1, each taken as its low byte.
  EXPECT_EQ(FramesToTimeText(-76), "00:255:255");
  // The minute is reduced to its low byte.
  EXPECT_EQ(FramesToTimeText(4500 * 300), "44:00:00");
}

TEST(Calculations, ControlByteAndTextOfTrackMode) {
  EXPECT_EQ(CtlAdrOf(TTrackMode::Audio), 0x01);
  EXPECT_EQ(CtlAdrOf(TTrackMode::Mode1), 0x41);
  EXPECT_EQ(CtlAdrOf(TTrackMode::Mode2), 0x41);
  EXPECT_STREQ(TrackModeText(TTrackMode::Audio), "Audio");
  EXPECT_STREQ(TrackModeText(TTrackMode::Mode1), "Mode1");
  EXPECT_STREQ(TrackModeText(TTrackMode::Mode2), "Mode2");
}

TEST(Calculations, SwapBytes32ReversesByteOrder) {
  EXPECT_EQ(SwapBytes32(0x12345678u), 0x78563412u);
  EXPECT_EQ(SwapBytes32(0xFF000000u), 0x000000FFu);
  EXPECT_EQ(SwapBytes32(SwapBytes32(0xDEADBEEFu)), 0xDEADBEEFu);
}
