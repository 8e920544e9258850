#include "applet/layout/LayoutTables.h"

#include "applet/device/Calculations.h"

#include <cstring>

namespace layout {

namespace {

constexpr int32_t kStartLba = -150;
// The last address that absolute disc times can express: 99:59:74.
constexpr int64_t kLastExpressibleLba = 100 * device::kFramesPerMinute - 1 - device::kLbaOffset;

// Lead-in table: POINT values and byte positions of an entry.
constexpr uint8_t kPointFirstTrack = 0xA0;
constexpr uint8_t kPointLastTrack = 0xA1;
constexpr uint8_t kPointLeadOut = 0xA2;
constexpr uint8_t kAudioCtlAdr = 0x01;
constexpr uint8_t kXaDiscTypeByte = 0x20;
constexpr size_t kLeadInCtlAdr = 0;
constexpr size_t kLeadInPoint = 2;
constexpr size_t kLeadInPMin = 7;
constexpr size_t kPointEntries = 3;

// Cue sheet: TNO of the lead-out and data forms.
constexpr uint8_t kLeadOutTno = 0xAA;
constexpr uint8_t kFormAudioLead = 0x01;
constexpr uint8_t kFormAudio = 0x00;
constexpr uint8_t kFormMode1Lead = 0x14;
constexpr uint8_t kFormMode1Cooked = 0x10;
constexpr uint8_t kFormMode1Raw = 0x11;
constexpr uint8_t kFormMode2Lead = 0x24;
constexpr uint8_t kFormMode2Formless = 0x20;
constexpr uint8_t kFormMode2Raw = 0x21;

struct TForms {
  uint8_t Lead = kFormAudioLead; // lead-in and lead-out
  uint8_t Data = kFormAudio;     // pregap and index entries
};

// The data forms of a track; false with the error text for a sector size the mode forbids.
bool FormsOf(const TTrackImageData &t, TForms &forms, std::string &error) {
  if (t.Mode == TTrackMode::Mode1) {
    forms.Lead = kFormMode1Lead;
    if (t.SectorSize == device::kMode1UserDataSize)
      forms.Data = kFormMode1Cooked;
    else if (t.SectorSize == device::kRawSectorSize)
      forms.Data = kFormMode1Raw;
    else {
      error = "Illegal BPS detected for Mode 1 track";
      return false;
    }
  } else if (t.Mode == TTrackMode::Mode2) {
    forms.Lead = kFormMode2Lead;
    if (t.SectorSize == device::kMode2FormlessSize)
      forms.Data = kFormMode2Formless;
    else if (t.SectorSize == device::kRawSectorSize)
      forms.Data = kFormMode2Raw;
    else {
      error = "Illegal BPS detected for Mode 2 track";
      return false;
    }
  }
  return true;
}

bool Fail(TBuiltTable &result, std::string error) {
  result.Length = 0;
  result.Error = std::move(error);
  return true;
}

bool CheckTrackCount(size_t count, TBuiltTable &result) {
  if (count == 0)
    return !Fail(result, "The layout holds no tracks.");
  if (count > kMaxDiscTracks)
    return !Fail(result, "A disc holds at most " + std::to_string(kMaxDiscTracks) +
                             " tracks; the layout has " + std::to_string(count) + ".");
  return true;
}

struct TTableSpace {
  const char *Name;
  size_t EntrySize;
  size_t Capacity;
};

bool CheckFits(const TTableSpace &space, size_t entries, TBuiltTable &result) {
  const size_t needed = entries * space.EntrySize;
  if (needed <= space.Capacity)
    return true;
  return !Fail(result, std::string("The layout does not fit the ") + space.Name + ": " +
                           std::to_string(entries) + " entries need " + std::to_string(needed) +
                           " bytes, " + std::to_string(space.Capacity) + " are available.");
}

// Every running address must be one that absolute disc times can express.
bool CheckAddress(int64_t lba, TBuiltTable &result) {
  if (lba >= kStartLba && lba <= kLastExpressibleLba)
    return true;
  return !Fail(result, "The layout does not fit on a disc: its addresses run outside 00:00:00 "
                       "to " +
                           device::FramesToTimeText(
                               static_cast<int32_t>(kLastExpressibleLba + device::kLbaOffset)) +
                           ".");
}

// The first index entry that the cue sheet lists: index 0 goes into the pregap entry.
int32_t FirstListedIndex(const TTrackImageData &t) { return t.Indexes[0].Number == 0 ? 1 : 0; }

void PutBcdTime(uint8_t *p, int32_t lba) {
  const device::TMsf t = device::LbaToAbsBcdMsf(lba);
  p[0] = t.Minute;
  p[1] = t.Second;
  p[2] = t.Frame;
}

struct TCueEntry {
  uint8_t CtlAdr;
  uint8_t Tno;
  uint8_t Index;
  uint8_t Form;
  int32_t Lba;
};

void PutCueEntry(uint8_t *p, const TCueEntry &e) {
  const device::TMsf t = device::LbaToAbsMsf(e.Lba);
  p[0] = e.CtlAdr;
  p[1] = e.Tno;
  p[2] = e.Index;
  p[3] = e.Form;
  p[4] = 0; // SCMS
  p[5] = t.Minute;
  p[6] = t.Second;
  p[7] = t.Frame;
}

} // namespace

bool BuildLeadInTable(const std::vector<const TTrackImageData *> &tracks, TDiscType discType,
                      uint8_t *buffer, size_t capacity, TBuiltTable &result) {
  std::memset(buffer, 0, capacity);
  result = TBuiltTable{};
  if (!CheckTrackCount(tracks.size(), result) ||
      !CheckFits({"lead-in table", kLeadInEntrySize, capacity}, tracks.size() + kPointEntries,
                 result))
    return true;
  int64_t end = kStartLba;
  for (const TTrackImageData *t : tracks) {
    end += t->Pregap;
    const int64_t index1 = t->Index0InFile ? end + t->Indexes[0].Length : end;
    end += t->Sectors;
    if (!CheckAddress(index1, result) || !CheckAddress(end, result))
      return true;
  }

  int32_t lba = kStartLba;
  uint8_t *entry = buffer;
  uint8_t number = 0;
  for (const TTrackImageData *t : tracks) {
    ++number;
    entry[kLeadInCtlAdr] = device::CtlAdrOf(t->Mode);
    entry[kLeadInPoint] = device::ToBcd(number);
    lba += t->Pregap;
    PutBcdTime(entry + kLeadInPMin, t->Index0InFile ? lba + t->Indexes[0].Length : lba);
    lba += t->Sectors;
    entry += kLeadInEntrySize;
  }

  entry[kLeadInCtlAdr] = kAudioCtlAdr;
  entry[kLeadInPoint] = kPointFirstTrack;
  entry[kLeadInPMin] = 1;
  entry[kLeadInPMin + 1] = discType == TDiscType::Xa ? kXaDiscTypeByte : 0;
  entry += kLeadInEntrySize;
  entry[kLeadInCtlAdr] = kAudioCtlAdr;
  entry[kLeadInPoint] = kPointLastTrack;
  entry[kLeadInPMin] = device::ToBcd(number);
  entry += kLeadInEntrySize;
  entry[kLeadInCtlAdr] = kAudioCtlAdr;
  entry[kLeadInPoint] = kPointLeadOut;
  PutBcdTime(entry + kLeadInPMin, lba);

  result.Length = static_cast<int32_t>((tracks.size() + kPointEntries) * kLeadInEntrySize);
  result.Lba = lba;
  return false;
}

bool BuildCueSheet(const std::vector<const TTrackImageData *> &tracks, uint8_t *buffer,
                   size_t capacity, TBuiltTable &result) {
  std::memset(buffer, 0, capacity);
  result = TBuiltTable{};
  if (!CheckTrackCount(tracks.size(), result))
    return true;

  // Check every track and count the entries before writing any.
  std::vector<TForms> forms(tracks.size());
  size_t entries = 2; // lead-in and lead-out
  int64_t end = kStartLba;
  for (size_t i = 0; i < tracks.size(); ++i) {
    const TTrackImageData &t = *tracks[i];
    std::string error;
    if (!FormsOf(t, forms[i], error))
      return Fail(result, error);
    if (t.Pregap > 0 || t.Index0InFile) {
      ++entries;
      end += t.PauseBeforeIndex1();
      if (!CheckAddress(end, result))
        return true;
    }
    for (int32_t j = FirstListedIndex(t); j < t.UsedIndexes(); ++j) {
      ++entries;
      end += t.Indexes[j].Length;
      if (!CheckAddress(end, result))
        return true;
    }
  }
  if (!CheckFits({"cue sheet", kCueSheetEntrySize, capacity}, entries, result))
    return true;

  int32_t lba = kStartLba;
  uint8_t *entry = buffer;
  PutCueEntry(entry, {device::CtlAdrOf(tracks.front()->Mode), 0, 0, forms.front().Lead, lba});
  entry += kCueSheetEntrySize;
  for (size_t i = 0; i < tracks.size(); ++i) {
    const TTrackImageData &t = *tracks[i];
    const uint8_t ctlAdr = device::CtlAdrOf(t.Mode);
    const auto tno = static_cast<uint8_t>(i + 1);
    if (t.Pregap > 0 || t.Index0InFile) {
      PutCueEntry(entry, {ctlAdr, tno, 0, forms[i].Data, lba});
      entry += kCueSheetEntrySize;
      lba += t.PauseBeforeIndex1();
    }
    for (int32_t j = FirstListedIndex(t); j < t.UsedIndexes(); ++j) {
      PutCueEntry(entry,
                  {ctlAdr, tno, static_cast<uint8_t>(t.Indexes[j].Number), forms[i].Data, lba});
      entry += kCueSheetEntrySize;
      lba += t.Indexes[j].Length;
    }
  }
  PutCueEntry(entry,
              {device::CtlAdrOf(tracks.back()->Mode), kLeadOutTno, 1, forms.back().Lead, lba});

  result.Length = static_cast<int32_t>(entries * kCueSheetEntrySize);
  result.Lba = lba;
  return false;
}

} // namespace layout
