#include "applet/device/Calculations.h"

#include <cstdio>

namespace device {

namespace {
// The three parts of n frames in binary, each reduced to its low byte.
TMsf SplitFrames(int32_t n) {
  TMsf t;
  t.Minute = static_cast<uint8_t>(n / kFramesPerMinute);
  t.Second = static_cast<uint8_t>((n % kFramesPerMinute) / kFramesPerSecond);
  t.Frame = static_cast<uint8_t>(n % kFramesPerSecond);
  return t;
}

TMsf BcdOf(TMsf t) { return {ToBcd(t.Minute), ToBcd(t.Second), ToBcd(t.Frame)}; }

int32_t AbsoluteFrames(int32_t lba) {
  return lba >= -kLbaOffset ? lba + kLbaOffset : lba + kLeadInOffset;
}
} // namespace

uint8_t CtlAdrOf(TTrackMode mode) { return mode == TTrackMode::Audio ? 0x01 : 0x41; }

uint8_t ToBcd(uint8_t v) { return static_cast<uint8_t>((v / 10) * 16 + v % 10); }

TMsf LbaToBcdMsf(int32_t n) { return BcdOf(SplitFrames(n)); }

std::string FramesToTimeText(int32_t n) {
  const TMsf t = SplitFrames(n);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.2u:%.2u:%.2u", unsigned{t.Minute}, unsigned{t.Second},
                unsigned{t.Frame});
  return buf;
}

TMsf LbaToAbsBcdMsf(int32_t lba) { return BcdOf(SplitFrames(AbsoluteFrames(lba))); }

TMsf LbaToAbsMsf(int32_t lba) { return SplitFrames(AbsoluteFrames(lba)); }

int32_t MsfToLba(uint8_t minute, uint8_t second, uint8_t frame) {
  const int32_t frames = minute * kFramesPerMinute + second * kFramesPerSecond + frame;
  return minute < kLeadInMinute ? frames - kLbaOffset : frames - kLeadInOffset;
}

uint32_t SwapBytes32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

} // namespace device
