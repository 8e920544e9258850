// The track record of one layout row, as the layout builds it and the recording threads read it:
// where a track's data lies in which file, its mode, its length and index table, and the pauses
// generated around it.
#pragma once

#include "applet/device/TrackMode.h"
#include "applet/recording/SectorLayout.h"

#include <cstdint>
#include <string>

namespace recording {

constexpr int kMaxIndexes = 100;

using device::TTrackMode;

struct TIndexEntry {
  int32_t Number = 0;     // 0 to 99
  int32_t Start = 0;      // sectors, relative to the track's first index
  int32_t Length = 0;     // sectors
  int32_t DataOffset = 0; // bytes into the file
};

struct TTrackImageData {
  bool ModeChange = false; // first track, or Mode differs from the previous track's
  std::string FileName;    // the file holding the track's data
  std::string FileType;    // the cue sheet FILE line's type word; empty for a single file
  TTrackMode Mode = TTrackMode::Audio;
  int32_t TrackNumber = 0; // the cue sheet's TRACK number; 0 for a single file
  int32_t SectorSize = 0;  // bytes per sector in the file
  int32_t FileOffset = 0;  // byte offset of the first sector
  int32_t Sectors = 0;     // sectors of data, from the first index to the end
  int32_t DataSize = 0;    // bytes of data
  int32_t IndexCount = 0;  // entries used in Indexes
  TIndexEntry Indexes[kMaxIndexes];
  int32_t EndSector = 0;     // the track's end in the file, in sectors (cue import only)
  int32_t EndOffset = 0;     // byte offset of the track's end in the file
  bool Index0InFile = false; // index 0 lies in the file; its length is Indexes[0].Length
  int32_t Pregap = 0;        // sectors of pause generated before the track
  int32_t Postgap = 0;       // sectors of postgap

  // Sectors played before index 1: the generated pregap plus an index 0 from the file.
  int32_t PauseBeforeIndex1() const { return Pregap + (Index0InFile ? Indexes[0].Length : 0); }
  // IndexCount limited to the table's size, for readers that must not trust it.
  int32_t UsedIndexes() const {
    return IndexCount < 0 ? 0 : (IndexCount > kMaxIndexes ? kMaxIndexes : IndexCount);
  }
};

} // namespace recording
