// The mode of a track's sectors and the disc type they make. Their texts are read and shown only
// at the edges: cue sheet import, the layout's display and the recording log.
#pragma once

#include <cstdint>

namespace device {

enum class TTrackMode : uint8_t { Audio, Mode1, Mode2 };

inline const char *TrackModeText(TTrackMode mode) {
  switch (mode) {
  case TTrackMode::Mode1:
    return "Mode1";
  case TTrackMode::Mode2:
    return "Mode2";
  case TTrackMode::Audio:
    break;
  }
  return "Audio";
}

// The session format of a disc: CD-ROM XA when a track is Mode 2, else CD-DA or CD-ROM.
enum class TDiscType : uint8_t { DaOrRom, Xa };

inline const char *DiscTypeText(TDiscType type) {
  return type == TDiscType::Xa ? "CD-ROM XA" : "CD-DA or CD-ROM";
}

} // namespace device
