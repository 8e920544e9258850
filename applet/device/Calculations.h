// CD address and time arithmetic: 75 frames a second, LBA 0 at absolute time 00:02:00, and
// lead-in addresses below -150 shown from 90:00:00 upwards. Division truncates towards zero.
#pragma once

#include "applet/device/CdUnits.h"
#include "applet/device/TrackMode.h"

#include <cstdint>
#include <string>

namespace device {

constexpr int32_t kLeadInOffset = 450150; // added to LBAs below -150 (100 minutes + 150)
constexpr int kLeadInMinute = 90;         // absolute minutes from here on are lead-in
// The addresses that absolute times 00:00:00 to 99:59:74 can show: 90:00:00 up to 99:59:74 in
// the lead-in, 00:02:00 on from LBA 0.
constexpr int32_t kFirstTimedLba = kLeadInMinute * kFramesPerMinute - kLeadInOffset; // -45150
constexpr int32_t kLastTimedLba = 100 * kFramesPerMinute - 1 - kLbaOffset;           // 449849
constexpr int kLastMinute = 99;

struct TMsf {
  uint8_t Minute = 0;
  uint8_t Second = 0;
  uint8_t Frame = 0;
  bool operator==(const TMsf &o) const {
    return Minute == o.Minute && Second == o.Second && Frame == o.Frame;
  }
};

// Q-channel control/ADR byte of a track mode: 0x01 for audio, else 0x41.
uint8_t CtlAdrOf(TTrackMode mode);
uint8_t ToBcd(uint8_t v);
// Minute, second and frame of n frames, in BCD; no offset.
TMsf LbaToBcdMsf(int32_t n);
// "MM:SS:FF" of n frames (each part at least two digits).
std::string FramesToTimeText(int32_t n);
TMsf LbaToAbsBcdMsf(int32_t lba);
TMsf LbaToAbsMsf(int32_t lba);
int32_t MsfToLba(uint8_t minute, uint8_t second, uint8_t frame);
uint32_t SwapBytes32(uint32_t v);

} // namespace device
