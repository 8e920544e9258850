// The 2368-byte block of a raw disc-at-once recording: the 2352-byte main channel followed by
// 16 bytes of P-Q sub-channel. The builders set every byte of the block they are given.
#pragma once

#include "applet/device/TrackMode.h"
#include "applet/recording/SectorLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace recording {

using device::kRawBlockSize;
using device::kSubChannelSize;

constexpr size_t kSubChannelOffset = kRawSectorSize; // Q bytes 0-11, then 3 zeros, then P
constexpr size_t kQControl = kSubChannelOffset + 0;
constexpr size_t kQTrack = kSubChannelOffset + 1;
constexpr size_t kQIndex = kSubChannelOffset + 2;
constexpr size_t kQRelative = kSubChannelOffset + 3; // minute, second, frame
constexpr size_t kQAbsolute = kSubChannelOffset + 7;
constexpr size_t kPByte = kSubChannelOffset + 15;
constexpr size_t kLeadInEntrySize = 16;
constexpr uint8_t kPSet = 0x80;
constexpr uint8_t kLeadOutTrack = 0xAA;
constexpr int32_t kLeadOutBlocks = 6750;

using device::TTrackMode;

// Q of one block: control/ADR, track and index in BCD, relative time in frames, absolute time
// of lba; P as given.
struct TQFrame {
  uint8_t Control = 0;
  uint8_t Track = 0; // binary; kLeadOutTrack is stored as it is
  uint8_t Index = 0;
  int32_t Relative = 0;
  int32_t Lba = 0;
  bool P = false;
};
void PutSubChannel(uint8_t *block, const TQFrame &q);

// Lead-in block n (0 = the first) at lba, carrying the lead-in table entry (16 bytes) with the
// relative time replaced by n; main channel for the first track's kind.
void BuildLeadInBlock(uint8_t *block, TTrackMode kind, int32_t n, const uint8_t *entry);
// A pause or lead-out block: zeros for audio, else a generated data sector at lba, scrambled.
void BuildSilentBlock(uint8_t *block, TTrackMode kind, const TQFrame &q);
// Whether lead-out block n has P set: clear at first, then 19 set, 19 clear, ... from a start
// that depends on the last track's kind.
bool LeadOutP(TTrackMode kind, int32_t n);

// A track block from sectorSize bytes of file data. Audio goes in unchanged; a 2048-byte Mode 1
// sector becomes a whole Mode 1 sector (EDC and ECC); a 2336-byte Mode 2 sector gets sync and
// header; a raw 2352-byte data sector is taken as it is; data blocks are then scrambled.
void BuildTrackBlock(uint8_t *block, TTrackMode kind, const uint8_t *data, int32_t sectorSize,
                     const TQFrame &q);

} // namespace recording
