// The MMC cue sheet of a session-at-once recording: 8-byte entries (CTL/ADR, TNO, INDEX,
// DATA FORM, SCMS, MIN, SEC, FRAME; TNO, INDEX and the absolute time binary). Parsing
// validates it as a drive would and lays out which blocks the host must send, and in which
// format.
#pragma once

#include "tools/virtual-recorder/Scsi.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vrec {

constexpr size_t kCueEntryLength = 8;
constexpr size_t kMaxCueSheetLength = kCueEntryLength * (2 + 99 * 100);

// Data forms of the cue sheet.
namespace form {
constexpr uint8_t kAudio = 0x00;
constexpr uint8_t kAudioGenerated = 0x01;
constexpr uint8_t kMode1 = 0x10;
constexpr uint8_t kMode1Raw = 0x11;
constexpr uint8_t kMode1Generated = 0x14;
constexpr uint8_t kMode2 = 0x20;
constexpr uint8_t kMode2Raw = 0x21;
constexpr uint8_t kMode2Generated = 0x24;
constexpr uint8_t kRwPacked = 0x40; // sub-channel data form: packed R-W from the host
constexpr uint8_t kSubchannelMask = 0xC0;
} // namespace form

struct TCueIndex {
  uint8_t Number = 0;
  int32_t Lba = 0;
};

struct TCueTrack {
  uint8_t Number = 0;
  uint8_t CtlAdr = 0;
  uint8_t DataForm = 0;           // of index 1 and later
  uint8_t PregapForm = 0;         // of index 0, when there is one
  std::vector<TCueIndex> Indexes; // ascending; index 0 first when present
  int32_t Start() const;          // index 1
  int32_t PregapStart() const;
};

// A run of blocks with one data form; the host sends BlockSize bytes for each (0: generated
// by the recorder, not sent).
struct TCueRange {
  int32_t Start = 0;
  int32_t End = 0; // exclusive
  uint8_t DataForm = 0;
  uint32_t BlockSize = 0;
  size_t Track = 0; // index into Tracks
};

struct TCueLayout {
  uint8_t LeadInForm = 0;
  bool LeadInRw = false; // the host writes the lead-in's packed R-W (CD-TEXT)
  uint8_t LeadOutForm = 0;
  std::vector<TCueTrack> Tracks;
  std::vector<TCueRange> Ranges; // contiguous from the first track's first block to LeadOut
  int32_t LeadOut = 0;
  // The range holding lba, or nullptr outside the program area.
  const TCueRange *RangeAt(int32_t lba) const;
};

// Bytes the host sends per block of a data form; 0 for generated forms.
uint32_t CueFormBlockSize(uint8_t dataForm);

// Parses and validates a cue sheet for a disc whose lead-out may start no later than
// lastLeadOut. On failure returns false with the sense a drive reports and a reason.
bool ParseCueSheet(const uint8_t *data, size_t size, int32_t lastLeadOut, TCueLayout &layout,
                   TSense &sense, std::string &why);

} // namespace vrec
