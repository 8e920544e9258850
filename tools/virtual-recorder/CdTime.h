// CD addressing as the recorder sees it: 75 frames a second, LBA 0 at absolute time
// 00:02:00, lead-in addresses from 90:00:00 up (LBA -450150 + frames). Kept apart from the
// program's own arithmetic on purpose: the recorder is a check on it.
#pragma once

#include <cstdint>
#include <string>

namespace vrec {

constexpr int32_t kFramesPerSecond = 75;
constexpr int32_t kFramesPerMinute = 60 * kFramesPerSecond;
constexpr int32_t kPregapFrames = 150;        // LBA 0 is 00:02:00
constexpr int32_t kLeadInWrap = 450150;       // 100:00:00 + 150: lead-in LBA = frames - this
constexpr int32_t kLeadInFirstMinute = 90;    // absolute minutes from here on are lead-in
constexpr int32_t kBlankLeadInStart = -11634; // 97:26:66
constexpr int32_t kBlankLastLeadOut = 359849; // 79:59:74
constexpr int32_t kLeadOutBlocks = 6750;      // 90 seconds

struct TMsf {
  uint8_t M = 0, S = 0, F = 0;
};

// Absolute time of an LBA (binary minute, second, frame).
TMsf LbaToMsf(int32_t lba);
int32_t MsfToLba(TMsf msf);
// Minute, second and frame of a plain frame count (no offset).
TMsf FramesToMsf(int32_t frames);
uint8_t ToBcd(uint8_t v);
// False for a byte whose nibbles are not both decimal digits.
bool FromBcd(uint8_t bcd, uint8_t &v);
// "MM:SS:FF" of a frame count, as cue files write positions.
std::string FramesText(int32_t frames);

} // namespace vrec
