// The units of a CD, each defined once: time (75 frames, that is sectors, a second), the
// pauses the layout and the recorder generate, and the sizes of the block formats a track
// file or a write request carries.
#pragma once

#include <cstdint>

namespace device {

constexpr int32_t kSecondsPerMinute = 60;
constexpr int32_t kFramesPerSecond = 75;
constexpr int32_t kFramesPerMinute = kSecondsPerMinute * kFramesPerSecond;

// Two seconds: LBA 0 lies at absolute time 00:02:00, after the first track's pause.
constexpr int32_t kLbaOffset = 2 * kFramesPerSecond;
// Sectors of pause before a track whose mode differs from the previous track's (the first
// track included); the recording sets P over the last of them.
constexpr int32_t kModeChangePause = 2 * kFramesPerSecond;
// Sectors of pause a track-at-once recorder writes before every track after the first (the
// audio pause length of the write-parameters page).
constexpr int32_t kTaoTrackGap = 2 * kFramesPerSecond;

// Block formats, in bytes.
constexpr int32_t kRawSectorSize = 2352;       // audio, or a whole data sector with sync and header
constexpr int32_t kMode1UserDataSize = 2048;   // Mode 1 user data only
constexpr int32_t kMode2FormlessSize = 2336;   // Mode 2 without sync and header
constexpr int32_t kMode2MixedBlockSize = 2332; // Mode 2 with sub-header, form 1 or 2 (TAO)
constexpr int32_t kSubChannelSize = 16;        // P-Q sub-channel of a raw block
constexpr int32_t kRawBlockSize = kRawSectorSize + kSubChannelSize; // raw DAO block, 2368

} // namespace device
