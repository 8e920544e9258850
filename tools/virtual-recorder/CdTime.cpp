#include "tools/virtual-recorder/CdTime.h"

#include <cstdio>

namespace vrec {

TMsf FramesToMsf(int32_t frames) {
  TMsf t;
  t.M = static_cast<uint8_t>(frames / kFramesPerMinute);
  t.S = static_cast<uint8_t>(frames % kFramesPerMinute / kFramesPerSecond);
  t.F = static_cast<uint8_t>(frames % kFramesPerSecond);
  return t;
}

TMsf LbaToMsf(int32_t lba) {
  return FramesToMsf(lba >= -kPregapFrames ? lba + kPregapFrames : lba + kLeadInWrap);
}

int32_t MsfToLba(TMsf msf) {
  const int32_t frames = msf.M * kFramesPerMinute + msf.S * kFramesPerSecond + msf.F;
  return msf.M < kLeadInFirstMinute ? frames - kPregapFrames : frames - kLeadInWrap;
}

uint8_t ToBcd(uint8_t v) { return static_cast<uint8_t>((v / 10) << 4 | v % 10); }

bool FromBcd(uint8_t bcd, uint8_t &v) {
  if ((bcd >> 4) > 9 || (bcd & 0x0F) > 9)
    return false;
  v = static_cast<uint8_t>((bcd >> 4) * 10 + (bcd & 0x0F));
  return true;
}

std::string FramesText(int32_t frames) {
  const TMsf t = FramesToMsf(frames);
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", unsigned{t.M}, unsigned{t.S}, unsigned{t.F});
  return text;
}

} // namespace vrec
