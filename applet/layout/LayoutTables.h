// The tables handed to the recorder: the raw disc-at-once lead-in table (one Q sub-channel
// frame per track and the A0, A1, A2 points) and the session-at-once cue sheet (MMC layout).
// Both are built into a caller's buffer with the running address starting at LBA -150.
#pragma once

#include "applet/layout/TrackImageData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace layout {

constexpr size_t kTableBufferSize = 1024;
constexpr size_t kLeadInEntrySize = 16;
constexpr size_t kCueSheetEntrySize = 8;
constexpr int kMaxDiscTracks = 99;

struct TBuiltTable {
  int32_t Length = 0; // bytes used in the buffer
  int32_t Lba = 0;    // the running address after the last track: the lead-out start
  std::string Error;  // why building failed
};

// Each builder zero-fills the buffer first and writes nothing when the layout cannot be
// expressed or does not fit; it returns true on failure with result.Error set.
bool BuildLeadInTable(const std::vector<const TTrackImageData *> &tracks, TDiscType discType,
                      uint8_t *buffer, size_t capacity, TBuiltTable &result);
bool BuildCueSheet(const std::vector<const TTrackImageData *> &tracks, uint8_t *buffer,
                   size_t capacity, TBuiltTable &result);

} // namespace layout
