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

// Whether the file is read through the MP3 decoder (extension ".mp3" in any letter case).
bool IsMp3File(const std::string &fileName);

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
