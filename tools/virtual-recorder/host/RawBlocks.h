// The blocks of a raw disc-at-once recording of audio tracks, as a recording engine builds
// them: 2352 bytes of audio followed by 16 bytes of P-Q sub-channel, from the lead-in (the
// TOC repeated in Q, three blocks per entry) through the pauses and tracks to a 90-second
// lead-out with P blinking at 2 Hz.
#pragma once

#include "tools/virtual-recorder/host/HostSession.h"

#include <cstdint>
#include <vector>

namespace vrec {
namespace drive {

class TRawDisc {
public:
  TRawDisc(const std::vector<TAudioTrack> &tracks, int32_t leadInStart);

  int32_t FirstLba() const { return leadInStart_; }
  int32_t LeadOutStart() const { return leadOut_; }
  int32_t EndLba() const; // exclusive
  // The 2368-byte block at lba.
  void Block(int32_t lba, uint8_t *out) const;
  // Lead-in Q entries of 16 bytes (tracks, then A0, A1, A2).
  const std::vector<uint8_t> &LeadInTable() const { return table_; }

private:
  struct TPlaced {
    const TAudioTrack *Track;
    int32_t PregapStart;
    int32_t Start;
    int32_t End;
  };
  void Track(const TPlaced &t, size_t index, int32_t lba, uint8_t *out) const;

  const std::vector<TAudioTrack> &tracks_;
  std::vector<TPlaced> placed_;
  std::vector<uint8_t> table_;
  int32_t leadInStart_;
  int32_t leadOut_ = 0;
};

} // namespace drive
} // namespace vrec
