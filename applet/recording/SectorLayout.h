// Byte offsets of a raw 2352-byte CD data sector (ECMA-130 layout); the sizes are the CD units.
#pragma once

#include "applet/device/CdUnits.h"

#include <cstddef>
#include <cstdint>

namespace recording {

using device::kMode1UserDataSize;
using device::kMode2FormlessSize;
using device::kRawSectorSize;

constexpr size_t kSyncSize = 12;       // 0x00, ten times 0xFF, 0x00
constexpr size_t kHeaderOffset = 12;   // minute, second, frame (BCD)
constexpr size_t kModeOffset = 15;     // mode byte
constexpr size_t kUserDataOffset = 16; // Mode 1 user data; Mode 2 sub-header
constexpr size_t kEdcOffset = 2064;    // Mode 1 EDC, least significant byte first
constexpr size_t kEdcSize = 4;
constexpr size_t kParityPOffset = 2076; // 172 bytes
constexpr size_t kParityPSize = 172;
constexpr size_t kParityQOffset = 2248; // 104 bytes
constexpr size_t kParityQSize = 104;
constexpr size_t kScrambledSize = kRawSectorSize - kSyncSize; // everything after the sync

// Mode 2 sub-header: the two copies of the sub-mode byte.
constexpr size_t kSubMode1Offset = 18;
constexpr size_t kSubMode2Offset = 22;
constexpr uint8_t kSubModeForm2 = 0x20;

constexpr uint8_t kMode1 = 1;
constexpr uint8_t kMode2 = 2;

} // namespace recording
