// The raw data sectors the recording engine generates: a complete Mode 1 sector (sync, header,
// user data, EDC, P and Q parity) and the Mode 2 Form 2 sector of zeros it uses for lead-in,
// pauses and lead-out. Builders either fill a 2352-byte buffer in place, setting every byte,
// or return the sector as a value.
#pragma once

#include "applet/device/Calculations.h"
#include "applet/recording/SectorLayout.h"

#include <array>
#include <cstdint>

namespace recording {

using TRawSector = std::array<uint8_t, kRawSectorSize>;
using TUserData = std::array<uint8_t, kMode1UserDataSize>;

// Header address of the sector at lba: its absolute time in BCD (lead-in addresses from
// 90:00:00 on, as the CD arithmetic gives them).
device::TMsf SectorAddress(int32_t lba);
// Header address of the lead-in's block n (0 = its first block): the time of n blocks in BCD
// with 0xA0 added to the minute byte.
device::TMsf LeadInSectorAddress(int32_t block);

// Sync, header address and mode byte (bytes 0-15).
void WriteSyncAndHeader(uint8_t *sector, const device::TMsf &address, uint8_t mode);

// A Mode 1 sector of 2048 bytes of user data, unscrambled.
void BuildMode1Sector(uint8_t *sector, const device::TMsf &address, const uint8_t *userData);
// A generated Mode 2 sector: sub-mode Form 2 in bytes 18 and 22, zeros elsewhere after the
// header, no EDC or parity; unscrambled.
void BuildMode2Sector(uint8_t *sector, const device::TMsf &address);

TRawSector Mode1Sector(const device::TMsf &address, const TUserData &userData, bool scrambled);
TRawSector Mode2Sector(const device::TMsf &address, bool scrambled);

} // namespace recording
