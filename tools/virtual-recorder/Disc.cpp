#include "tools/virtual-recorder/Disc.h"

namespace vrec {

namespace {

constexpr uint8_t kLeadOutTrack = 0xAA;
constexpr uint8_t kPointFirst = 0xA0, kPointLast = 0xA1, kPointLeadOut = 0xA2;
constexpr size_t kTocHeader = 4;
constexpr size_t kTocDescriptor = 8;
constexpr size_t kFullTocDescriptor = 11;
constexpr size_t kDiscInfoLength = 34;
constexpr size_t kTrackInfoLength = 36;
constexpr size_t kAtipLength = 28;
constexpr uint8_t kStatusBlank = 0, kStatusIncomplete = 1, kStatusComplete = 2;
constexpr uint8_t kSessionEmpty = 0, kSessionIncomplete = 1, kSessionComplete = 3;
constexpr uint8_t kUnrestrictedUse = 0x20;
constexpr uint8_t kBlankBit = 0x40;
constexpr uint8_t kLraValid = 0x02, kNwaValid = 0x01;
constexpr uint8_t kAtipWritingPower = 0x45; // indicative power 4, reference speed 5
constexpr uint8_t kAtipUru = 0x80;
constexpr uint32_t kNoAddress = 0xFFFFFFFF;

// ADR in the high nibble and control in the low one, as READ TOC answers.
uint8_t AdrControl(uint8_t ctlAdr) {
  return static_cast<uint8_t>((ctlAdr & 0x0F) << 4 | ctlAdr >> 4);
}

void PutAddress(uint8_t *p, int32_t lba, bool msf) {
  if (!msf) {
    Put32(p, static_cast<uint32_t>(lba));
    return;
  }
  const TMsf t = LbaToMsf(lba);
  p[0] = 0;
  p[1] = t.M;
  p[2] = t.S;
  p[3] = t.F;
}

void PutMsf(uint8_t *p, int32_t lba) {
  const TMsf t = LbaToMsf(lba);
  p[0] = t.M;
  p[1] = t.S;
  p[2] = t.F;
}

TResult WithData(std::vector<uint8_t> data) {
  Put16(data.data(), static_cast<uint32_t>(data.size() - 2));
  TResult r;
  r.DataIn = std::move(data);
  return r;
}

// The tracks a TOC shows: all of a complete disc, the closed ones of an open disc.
int32_t TocLeadOut(const TDisc &disc) {
  return disc.State == TDiscState::Complete ? disc.LeadOut : disc.Tracks.back().End;
}

TResult PlainToc(const TDisc &disc, bool msf, uint8_t first) {
  std::vector<uint8_t> d(kTocHeader);
  d[2] = disc.Tracks.front().Number;
  d[3] = disc.Tracks.back().Number;
  if (first > disc.Tracks.back().Number && first != kLeadOutTrack)
    return TResult::Check(sense::kInvalidFieldInCdb, "no such track");
  for (const TDiscTrack &t : disc.Tracks) {
    if (t.Number < first)
      continue;
    uint8_t e[kTocDescriptor] = {0, AdrControl(t.CtlAdr), t.Number, 0};
    PutAddress(e + 4, t.Start(), msf);
    d.insert(d.end(), e, e + kTocDescriptor);
  }
  uint8_t e[kTocDescriptor] = {0, AdrControl(disc.Tracks.back().CtlAdr), kLeadOutTrack, 0};
  PutAddress(e + 4, TocLeadOut(disc), msf);
  d.insert(d.end(), e, e + kTocDescriptor);
  return WithData(std::move(d));
}

TResult SessionInfo(const TDisc &disc, bool msf) {
  std::vector<uint8_t> d(kTocHeader + kTocDescriptor, 0);
  d[2] = d[3] = 1;
  const TDiscTrack &t = disc.Tracks.front();
  d[kTocHeader + 1] = AdrControl(t.CtlAdr);
  d[kTocHeader + 2] = t.Number;
  PutAddress(&d[kTocHeader + 4], t.Start(), msf);
  return WithData(std::move(d));
}

void AddFullTocEntry(std::vector<uint8_t> &d, uint8_t ctlAdr, uint8_t point, uint8_t pm, uint8_t ps,
                     uint8_t pf) {
  const uint8_t e[kFullTocDescriptor] = {1, AdrControl(ctlAdr), 0, point, 0, 0, 0, 0, pm, ps, pf};
  d.insert(d.end(), e, e + kFullTocDescriptor);
}

TResult FullToc(const TDisc &disc) {
  std::vector<uint8_t> d(kTocHeader, 0);
  d[2] = d[3] = 1;
  const TDiscTrack &first = disc.Tracks.front(), &last = disc.Tracks.back();
  AddFullTocEntry(d, first.CtlAdr, kPointFirst, first.Number, disc.SessionFormat, 0);
  AddFullTocEntry(d, last.CtlAdr, kPointLast, last.Number, 0, 0);
  const TMsf out = LbaToMsf(disc.LeadOut);
  AddFullTocEntry(d, last.CtlAdr, kPointLeadOut, out.M, out.S, out.F);
  for (const TDiscTrack &t : disc.Tracks) {
    const TMsf m = LbaToMsf(t.Start());
    AddFullTocEntry(d, t.CtlAdr, t.Number, m.M, m.S, m.F);
  }
  return WithData(std::move(d));
}

TResult Atip(const TDisc &disc) {
  if (!disc.Recordable)
    return TResult::Check(sense::kInvalidFieldInCdb, "a pressed disc has no ATIP");
  std::vector<uint8_t> d(kAtipLength, 0);
  d[4] = kAtipWritingPower;
  d[5] = kAtipUru;
  PutMsf(&d[8], kBlankLeadInStart);
  PutMsf(&d[12], kBlankLastLeadOut);
  return WithData(std::move(d));
}

uint8_t DataModeOf(const TDiscTrack &t) {
  return t.DataMode == 0 ? 0 : static_cast<uint8_t>(t.DataMode);
}

TResult RecordedTrack(const TDiscTrack &t) {
  std::vector<uint8_t> d(kTrackInfoLength, 0);
  d[2] = t.Number;
  d[3] = 1;
  d[5] = static_cast<uint8_t>(t.CtlAdr >> 4);
  d[6] = DataModeOf(t);
  d[7] = kLraValid;
  Put32(&d[8], static_cast<uint32_t>(t.Start()));
  Put32(&d[24], static_cast<uint32_t>(t.End - t.Start()));
  Put32(&d[28], static_cast<uint32_t>(t.End - 1));
  return WithData(std::move(d));
}

TResult NextTrack(const TDisc &disc, uint8_t trackMode, uint8_t dataMode) {
  std::vector<uint8_t> d(kTrackInfoLength, 0);
  const int32_t start = disc.TrackOpen ? disc.OpenTrackStart : disc.NextWritable;
  d[2] = static_cast<uint8_t>(disc.Tracks.size() + 1);
  d[3] = 1;
  d[5] = trackMode;
  d[6] = static_cast<uint8_t>((disc.TrackOpen ? 0 : kBlankBit) | dataMode);
  d[7] = kNwaValid;
  Put32(&d[8], static_cast<uint32_t>(start));
  Put32(&d[12], static_cast<uint32_t>(disc.NextWritable));
  Put32(&d[16], static_cast<uint32_t>(disc.LastLeadOut - disc.NextWritable));
  Put32(&d[24], static_cast<uint32_t>(disc.LastLeadOut - start));
  if (disc.TrackOpen) {
    d[7] |= kLraValid;
    Put32(&d[28], static_cast<uint32_t>(disc.NextWritable - 1));
  }
  return WithData(std::move(d));
}

} // namespace

TDisc TDisc::Blank() { return TDisc(); }

TDisc TDisc::Pressed(const std::vector<int32_t> &trackLengths) {
  TDisc disc;
  disc.State = TDiscState::Complete;
  disc.Recordable = false;
  int32_t lba = 0;
  for (size_t i = 0; i < trackLengths.size(); ++i) {
    TDiscTrack t;
    t.Number = static_cast<uint8_t>(i + 1);
    t.PregapStart = i == 0 ? -kPregapFrames : lba;
    t.Indexes = {lba};
    lba += trackLengths[i];
    t.End = lba;
    disc.Tracks.push_back(t);
  }
  disc.LeadOut = lba;
  return disc;
}

TResult ReadTocReply(const TDisc &disc, uint8_t format, bool msf, uint8_t track) {
  if (format == toc::kAtip)
    return Atip(disc);
  if (format > toc::kAtip || format == toc::kPma)
    return TResult::Check(sense::kInvalidFieldInCdb, "TOC format not supported");
  const bool readable =
      disc.State == TDiscState::Complete ||
      (disc.State == TDiscState::Open && !disc.Tracks.empty() && format != toc::kFullToc);
  if (!readable)
    return TResult::Check(sense::kInvalidFieldInCdb, "the disc has no table of contents");
  if (format == toc::kToc)
    return PlainToc(disc, msf, track);
  if (format == toc::kSessionInfo)
    return SessionInfo(disc, msf);
  return FullToc(disc);
}

TResult DiscInformationReply(const TDisc &disc) {
  std::vector<uint8_t> d(kDiscInfoLength, 0);
  uint8_t status = kStatusBlank, session = kSessionEmpty;
  uint8_t lastTrack = static_cast<uint8_t>(disc.Tracks.size() + 1);
  bool writable = disc.Writable();
  switch (disc.State) {
  case TDiscState::Blank:
    break;
  case TDiscState::Open:
  case TDiscState::Damaged:
    status = kStatusIncomplete;
    session = kSessionIncomplete;
    break;
  case TDiscState::Complete:
    status = kStatusComplete;
    session = kSessionComplete;
    lastTrack = disc.Tracks.back().Number;
    break;
  }
  d[2] = static_cast<uint8_t>(session << 2 | status);
  d[3] = 1;
  d[4] = 1;
  d[5] = 1;
  d[6] = lastTrack;
  d[7] = kUnrestrictedUse;
  d[8] = disc.State == TDiscState::Complete ? disc.SessionFormat : 0;
  if (writable) {
    PutMsf(&d[17], disc.LeadInStart);
    PutMsf(&d[21], disc.LastLeadOut);
  } else {
    Put32(&d[16], kNoAddress);
    Put32(&d[20], kNoAddress);
  }
  return WithData(std::move(d));
}

TResult TrackInformationReply(const TDisc &disc, uint8_t addressType, uint32_t value,
                              uint8_t trackModeOfNextTrack, uint8_t dataModeOfNextTrack) {
  const bool hasNext = disc.Writable();
  const uint32_t nextNumber = static_cast<uint32_t>(disc.Tracks.size() + 1);
  if (addressType == 1) {
    if ((value == 0xFF || value == nextNumber) && hasNext)
      return NextTrack(disc, trackModeOfNextTrack, dataModeOfNextTrack);
    for (const TDiscTrack &t : disc.Tracks)
      if (t.Number == value)
        return RecordedTrack(t);
    return TResult::Check(sense::kInvalidFieldInCdb, "no such track");
  }
  if (addressType == 2) {
    if (value != 1)
      return TResult::Check(sense::kInvalidFieldInCdb, "no such session");
    if (!disc.Tracks.empty())
      return RecordedTrack(disc.Tracks.front());
    return hasNext ? NextTrack(disc, trackModeOfNextTrack, dataModeOfNextTrack)
                   : TResult::Check(sense::kInvalidFieldInCdb, "no such session");
  }
  if (addressType != 0)
    return TResult::Check(sense::kInvalidFieldInCdb, "address type");
  const int32_t lba = static_cast<int32_t>(value);
  for (const TDiscTrack &t : disc.Tracks)
    if (lba >= t.PregapStart && lba < t.End)
      return RecordedTrack(t);
  const int32_t nextStart = disc.TrackOpen ? disc.OpenTrackStart : disc.NextWritable;
  if (hasNext && lba >= nextStart && lba < disc.LastLeadOut)
    return NextTrack(disc, trackModeOfNextTrack, dataModeOfNextTrack);
  return TResult::Check(sense::kLbaOutOfRange, "no track at that address");
}

} // namespace vrec
