// The data of one track as the cache threads read it: an MP3 file decoded on the fly, or any
// other file read from the track's offset. Reads past the end of the data give zeros.
#pragma once

#include "applet/recording/GetMP3DecodedData.h"
#include "applet/recording/TrackImageData.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace recording {

// What a track input is, by its name: a cue sheet (".cue"), a BIN image (".bin"), an MP3 file
// (".mp3"), each in any letter case; a WAVE file (".wav" as the package spells it); anything
// else is a data image or raw audio, which only its content tells apart. Decided once here;
// the importers and the track source route on it.
enum class TInputKind : uint8_t { CueSheet, Bin, Wave, Mp3, Other };
TInputKind InputKindOf(const std::string &fileName);
// Whether the file is read through the MP3 decoder.
inline bool IsMp3File(const std::string &fileName) {
  return InputKindOf(fileName) == TInputKind::Mp3;
}

class TTrackSource {
public:
  TTrackSource() = default;
  ~TTrackSource();
  TTrackSource(const TTrackSource &) = delete;
  TTrackSource &operator=(const TTrackSource &) = delete;

  // Opens the track's data and skips its first skipBytes; false when it cannot be opened.
  bool Open(const TTrackImageData &track, int64_t skipBytes);
  // Fills buffer with the next bytes; false on a read error.
  bool Read(uint8_t *buffer, size_t bytes);
  // Closes the source; false when closing failed.
  bool Close();

private:
  std::unique_ptr<TGetMP3DecodedData> mp3_;
  std::FILE *file_ = nullptr;
};

} // namespace recording
