// The mode of a track's sectors. Its texts "Audio", "Mode1" and "Mode2" are read and shown only
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

} // namespace device
