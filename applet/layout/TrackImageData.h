// The layout's view of the track record (defined with the recording engine, which reads it) and
// the sector sizes the importers recognise.
#pragma once

#include "applet/recording/RawBlock.h"
#include "applet/recording/TrackImageData.h"

#include <cstdint>

namespace layout {

using recording::kDiscTypeDaOrRom;
using recording::kDiscTypeXa;
using recording::kMaxIndexes;
using recording::TIndexEntry;
using recording::TTrackImageData;
using recording::TTrackMode;

// Bytes per sector in a track file.
constexpr int32_t kRawSectorSize = recording::kAudioSectorSize;      // audio, or raw data sectors
constexpr int32_t kMode1SectorSize = recording::kCookedSectorSize;   // user data only
constexpr int32_t kMode2SectorSize = recording::kFormlessSectorSize; // mode 2 without sync, header
constexpr int32_t kRawSubSectorSize = recording::kRawBlockSize;      // raw with sub-channel

// Sectors of pause that a track needs where the mode changes (two seconds).
constexpr int32_t kMinimumModeChangePause = 150;

} // namespace layout
