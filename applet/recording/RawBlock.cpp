#include "applet/recording/RawBlock.h"

#include "applet/device/Calculations.h"
#include "applet/recording/RawSector.h"
#include "applet/recording/Scramble.h"
#include "applet/recording/TrackImageData.h"

#include <cstring>

namespace recording {

namespace {
// Lead-out blocks before P starts blinking, by the last track's kind; then 19 on, 19 off.
constexpr int32_t kLeadOutPStartAudio = 155;
constexpr int32_t kLeadOutPStartMode1 = 156;
constexpr int32_t kLeadOutPStartMode2 = 161;
constexpr int32_t kLeadOutPRun = 19;

void PutTime(uint8_t *p, int32_t frames) {
  const device::TMsf t = device::LbaToBcdMsf(frames);
  p[0] = t.Minute;
  p[1] = t.Second;
  p[2] = t.Frame;
}

void PutAbsolute(uint8_t *p, int32_t lba) {
  const device::TMsf t = device::LbaToAbsBcdMsf(lba);
  p[0] = t.Minute;
  p[1] = t.Second;
  p[2] = t.Frame;
}

void ClearSubChannel(uint8_t *block) {
  std::memset(block + kSubChannelOffset, 0, kRawBlockSize - kSubChannelOffset);
}

// Main channel of a generated data block, unscrambled.
void BuildGeneratedData(uint8_t *block, TTrackMode kind, const device::TMsf &address) {
  if (kind == TTrackMode::Mode1) {
    static const uint8_t zeros[kMode1UserDataSize] = {};
    BuildMode1Sector(block, address, zeros);
  } else {
    BuildMode2Sector(block, address);
  }
}
} // namespace

void PutSubChannel(uint8_t *block, const TQFrame &q) {
  ClearSubChannel(block);
  block[kQControl] = q.Control;
  block[kQTrack] = q.Track == kLeadOutTrack ? kLeadOutTrack : device::ToBcd(q.Track);
  block[kQIndex] = device::ToBcd(q.Index);
  PutTime(block + kQRelative, q.Relative);
  PutAbsolute(block + kQAbsolute, q.Lba);
  block[kPByte] = q.P ? kPSet : 0;
}

void BuildLeadInBlock(uint8_t *block, TTrackMode kind, int32_t n, const uint8_t *entry) {
  if (kind == TTrackMode::Audio) {
    std::memset(block, 0, kRawSectorSize);
  } else {
    BuildGeneratedData(block, kind, LeadInSectorAddress(n));
    ScrambleSector(block);
  }
  std::memcpy(block + kSubChannelOffset, entry, kLeadInEntrySize);
  PutTime(block + kQRelative, n);
}

void BuildSilentBlock(uint8_t *block, TTrackMode kind, const TQFrame &q) {
  if (kind == TTrackMode::Audio) {
    std::memset(block, 0, kRawSectorSize);
  } else {
    BuildGeneratedData(block, kind, SectorAddress(q.Lba));
    ScrambleSector(block);
  }
  PutSubChannel(block, q);
}

bool LeadOutP(TTrackMode kind, int32_t n) {
  const int32_t start = kind == TTrackMode::Audio   ? kLeadOutPStartAudio
                        : kind == TTrackMode::Mode1 ? kLeadOutPStartMode1
                                                    : kLeadOutPStartMode2;
  return n >= start && ((n - start) / kLeadOutPRun) % 2 == 0;
}

void BuildTrackBlock(uint8_t *block, TTrackMode kind, const uint8_t *data, int32_t sectorSize,
                     const TQFrame &q) {
  const size_t size = static_cast<size_t>(sectorSize);
  if (kind == TTrackMode::Audio || size == kRawSectorSize) {
    std::memcpy(block, data, kRawSectorSize);
  } else if (kind == TTrackMode::Mode1 && size == kMode1UserDataSize) {
    BuildMode1Sector(block, SectorAddress(q.Lba), data);
  } else {
    std::memset(block, 0, kRawSectorSize - size);
    std::memcpy(block + kRawSectorSize - size, data, size);
    WriteSyncAndHeader(block, SectorAddress(q.Lba), kind == TTrackMode::Mode1 ? kMode1 : kMode2);
  }
  if (kind != TTrackMode::Audio)
    ScrambleSector(block);
  PutSubChannel(block, q);
}

} // namespace recording
