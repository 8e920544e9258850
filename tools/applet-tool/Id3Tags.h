// The album, artist and title tags of an MP3 file: ID3v2 (versions 2.2, 2.3 and 2.4; frames
// TALB/TAL, TPE1/TP1, TIT2/TT2) first, ID3v1 for what it leaves empty. Texts in UTF-8.
#pragma once

#include <string>

namespace tool {

struct TId3Tags {
  std::string Album;
  std::string Artist;
  std::string Title;
};

// The tags of the file; empty fields where it has none (also for a file that cannot be read).
TId3Tags ReadId3Tags(const std::string &path);

} // namespace tool
