#include "applet/recording/RawSector.h"

#include "applet/recording/Scramble.h"
#include "applet/recording/edc_ecc.h"

#include <cstring>

namespace recording {

namespace {
constexpr uint8_t kSyncEdge = 0x00;
constexpr uint8_t kSyncFill = 0xFF;
constexpr uint8_t kLeadInMinuteMark = 0xA0;
} // namespace

device::TMsf SectorAddress(int32_t lba) { return device::LbaToAbsBcdMsf(lba); }

device::TMsf LeadInSectorAddress(int32_t block) {
  device::TMsf address = device::LbaToBcdMsf(block);
  address.Minute = static_cast<uint8_t>(address.Minute + kLeadInMinuteMark);
  return address;
}

void WriteSyncAndHeader(uint8_t *sector, const device::TMsf &address, uint8_t mode) {
  sector[0] = kSyncEdge;
  std::memset(sector + 1, kSyncFill, kSyncSize - 2);
  sector[kSyncSize - 1] = kSyncEdge;
  sector[kHeaderOffset] = address.Minute;
  sector[kHeaderOffset + 1] = address.Second;
  sector[kHeaderOffset + 2] = address.Frame;
  sector[kModeOffset] = mode;
}

void BuildMode1Sector(uint8_t *sector, const device::TMsf &address, const uint8_t *userData) {
  WriteSyncAndHeader(sector, address, kMode1);
  std::memcpy(sector + kUserDataOffset, userData, kMode1UserDataSize);
  std::memset(sector + kEdcOffset, 0, kRawSectorSize - kEdcOffset);
  ComputeEDC(sector, device::TTrackMode::Mode1);
  ComputeParityP(sector);
  ComputeParityQ(sector);
}

void BuildMode2Sector(uint8_t *sector, const device::TMsf &address) {
  WriteSyncAndHeader(sector, address, kMode2);
  std::memset(sector + kUserDataOffset, 0, kRawSectorSize - kUserDataOffset);
  sector[kSubMode1Offset] = kSubModeForm2;
  sector[kSubMode2Offset] = kSubModeForm2;
}

TRawSector Mode1Sector(const device::TMsf &address, const TUserData &userData, bool scrambled) {
  TRawSector sector;
  BuildMode1Sector(sector.data(), address, userData.data());
  if (scrambled)
    ScrambleSector(sector.data());
  return sector;
}

TRawSector Mode2Sector(const device::TMsf &address, bool scrambled) {
  TRawSector sector;
  BuildMode2Sector(sector.data(), address);
  if (scrambled)
    ScrambleSector(sector.data());
  return sector;
}

} // namespace recording
