// The disc in the recorder: its state, its tracks and where the next track may be written,
// and the answers of the commands that read them (READ TOC, READ DISC INFORMATION, READ
// TRACK INFORMATION).
#pragma once

#include "tools/virtual-recorder/CdTime.h"
#include "tools/virtual-recorder/Scsi.h"

#include <cstdint>
#include <vector>

namespace vrec {

enum class TDiscState {
  Blank,
  Open,     // track-at-once tracks written, session not closed
  Complete, // a finished session with a lead-in TOC
  Damaged,  // a recording broke off: unreadable and not writable
};

constexpr uint8_t kControlData = 0x40; // CTL bit of a data track (in the CTL/ADR byte)
constexpr uint8_t kAdrPosition = 0x01;

struct TDiscTrack {
  uint8_t Number = 0;
  uint8_t CtlAdr = kAdrPosition; // control in the high nibble, ADR 1
  int DataMode = 0;              // 0 audio, 1 or 2 for data tracks
  int32_t PregapStart = 0;       // index 0; equals Start() when the track has no pregap
  std::vector<int32_t> Indexes;  // index 1, 2, ...
  int32_t End = 0;               // exclusive: the next track's pregap or the lead-out
  int32_t Start() const { return Indexes.front(); }
};

struct TDisc {
  TDiscState State = TDiscState::Blank;
  bool Recordable = true; // false for a pressed disc
  uint8_t SessionFormat = 0;
  std::vector<TDiscTrack> Tracks;
  int32_t LeadOut = 0;
  int32_t LeadInStart = kBlankLeadInStart;
  int32_t LastLeadOut = kBlankLastLeadOut;
  int32_t NextWritable = 0; // blank and open discs: where the next (or open) track continues
  bool TrackOpen = false;   // a track-at-once track has blocks but is not closed
  int32_t OpenTrackStart = 0;
  std::vector<uint8_t> CdTextPacks; // read from a session-at-once lead-in: STEM.cdt

  static TDisc Blank();
  // A pressed audio disc with tracks of these lengths (blocks), track 1 at LBA 0.
  static TDisc Pressed(const std::vector<int32_t> &trackLengths);

  bool Writable() const {
    return Recordable && (State == TDiscState::Blank || State == TDiscState::Open);
  }
  bool HasToc() const { return State == TDiscState::Complete; }
};

// Formats of READ TOC.
namespace toc {
constexpr uint8_t kToc = 0;
constexpr uint8_t kSessionInfo = 1;
constexpr uint8_t kFullToc = 2;
constexpr uint8_t kPma = 3;
constexpr uint8_t kAtip = 4;
} // namespace toc

TResult ReadTocReply(const TDisc &disc, uint8_t format, bool msf, uint8_t track);
TResult DiscInformationReply(const TDisc &disc);
// addressType 0: the track holding LBA value; 1: track number value (255: the last one,
// invisible or open); 2: the first track of session value.
TResult TrackInformationReply(const TDisc &disc, uint8_t addressType, uint32_t value,
                              uint8_t trackModeOfNextTrack, uint8_t dataModeOfNextTrack);

} // namespace vrec
