#include "tools/virtual-recorder/host/RawBlocks.h"

#include "tools/virtual-recorder/CdTime.h"
#include "tools/virtual-recorder/SectorCodec.h"

#include <cstring>

namespace vrec {
namespace drive {

namespace {

constexpr size_t kEntry = 16;
constexpr uint8_t kAudioCtl = 0x01;
constexpr int32_t kBlocksPerEntry = 3;
constexpr int32_t kLeadOutQuiet = 155;
constexpr int32_t kBlink = 19;
constexpr int32_t kEndingP = 150;
constexpr uint8_t kPSet = 0x80;

void PutBcdFrames(uint8_t *p, int32_t frames) {
  const TMsf t = FramesToMsf(frames);
  p[0] = ToBcd(t.M);
  p[1] = ToBcd(t.S);
  p[2] = ToBcd(t.F);
}

void PutAbs(uint8_t *p, int32_t lba) {
  const TMsf t = LbaToMsf(lba);
  p[0] = ToBcd(t.M);
  p[1] = ToBcd(t.S);
  p[2] = ToBcd(t.F);
}

void PutQ(uint8_t *q, uint8_t tno, uint8_t index, int32_t rel, int32_t lba, bool p) {
  q[0] = kAudioCtl;
  q[1] = tno;
  q[2] = index;
  PutBcdFrames(q + 3, rel);
  PutAbs(q + 7, lba);
  q[15] = p ? kPSet : 0;
}

} // namespace

TRawDisc::TRawDisc(const std::vector<TAudioTrack> &tracks, int32_t leadInStart)
    : tracks_(tracks), leadInStart_(leadInStart) {
  int32_t address = -kPregapFrames;
  for (const TAudioTrack &t : tracks_) {
    TPlaced p{&t, address, address + t.Pregap, 0};
    address = p.Start + t.Blocks();
    p.End = address;
    placed_.push_back(p);
  }
  leadOut_ = address;
  auto entry = [this](uint8_t point, const uint8_t pmsf[3]) {
    uint8_t e[kEntry] = {kAudioCtl, 0, point};
    std::memcpy(e + 7, pmsf, 3);
    table_.insert(table_.end(), e, e + kEntry);
  };
  uint8_t msf[3];
  for (size_t i = 0; i < placed_.size(); ++i) {
    PutAbs(msf, placed_[i].Start);
    entry(ToBcd(static_cast<uint8_t>(i + 1)), msf);
  }
  const uint8_t first[3] = {0x01, 0x00, 0x00};
  entry(0xA0, first);
  const uint8_t last[3] = {ToBcd(static_cast<uint8_t>(placed_.size())), 0, 0};
  entry(0xA1, last);
  PutAbs(msf, leadOut_);
  entry(0xA2, msf);
}

int32_t TRawDisc::EndLba() const { return leadOut_ + kLeadOutBlocks; }

void TRawDisc::Track(const TPlaced &t, size_t index, int32_t lba, uint8_t *out) const {
  uint8_t *q = out + kSectorSize;
  const uint8_t tno = ToBcd(static_cast<uint8_t>(index + 1));
  if (lba < t.Start) {
    PutQ(q, tno, 0, t.Start - lba - 1, lba, true);
    return;
  }
  std::memcpy(out, t.Track->Data.data() + size_t(lba - t.Start) * kSectorSize, kSectorSize);
  const bool last = index + 1 == placed_.size();
  const bool nextHasPregap = !last && tracks_[index + 1].Pregap > 0;
  const bool p = (last && t.End - lba <= kEndingP) || (nextHasPregap && lba == t.End - 1);
  PutQ(q, tno, 1, lba - t.Start, lba, p);
}

void TRawDisc::Block(int32_t lba, uint8_t *out) const {
  std::memset(out, 0, kRawPqBlockSize);
  uint8_t *q = out + kSectorSize;
  if (lba < -kPregapFrames) {
    const int32_t counter = lba - leadInStart_;
    const size_t entries = table_.size() / kEntry;
    const size_t e = static_cast<size_t>(counter / kBlocksPerEntry) % entries;
    std::memcpy(q, &table_[e * kEntry], kEntry);
    PutBcdFrames(q + 3, counter);
    return;
  }
  if (lba >= leadOut_) {
    const int32_t n = lba - leadOut_;
    const bool p = n >= kLeadOutQuiet && (n - kLeadOutQuiet) / kBlink % 2 == 0;
    PutQ(q, 0xAA, 1, n, lba, p);
    return;
  }
  for (size_t i = 0; i < placed_.size(); ++i)
    if (lba < placed_[i].End) {
      Track(placed_[i], i, lba, out);
      return;
    }
}

} // namespace drive
} // namespace vrec
