// The disc image of a real recording: STEM.bin holds 2352-byte sectors from LBA 0 up to the
// lead-out, STEM.cue describes the tracks (INDEX 00 for pregaps), and for raw disc-at-once
// STEM.sub holds the 16-byte P-Q sub-channel of every block written, lead-in and lead-out
// included.
#pragma once

#include "tools/virtual-recorder/Disc.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace vrec {

class TImageWriter {
public:
  TImageWriter() = default;
  ~TImageWriter() { Close(); }
  TImageWriter(const TImageWriter &) = delete;
  TImageWriter &operator=(const TImageWriter &) = delete;

  // Creates STEM.bin (and STEM.sub) afresh and removes an older STEM.cue, so that a broken
  // recording never leaves a cue file that pairs with the wrong data.
  bool Begin(const std::string &stem, bool withSub, std::string &error);
  bool IsOpen() const { return bin_ != nullptr; }
  // Sectors in ascending order; lba must be the next one (count sectors of 2352 bytes).
  bool PutSectors(int32_t lba, const uint8_t *sectors, size_t count, std::string &error);
  bool PutSub(const uint8_t *pq, size_t blocks, std::string &error);
  int32_t NextLba() const { return next_; }
  // Writes STEM.cue for the disc's tracks and closes the files.
  bool Finish(const TDisc &disc, std::string &error);
  void Close();
  const std::string &Stem() const { return stem_; }

private:
  std::FILE *bin_ = nullptr;
  std::FILE *sub_ = nullptr;
  std::string stem_;
  int32_t next_ = 0;
};

// The cue file text for a disc whose sectors from LBA 0 are in the file binName.
std::string CueFileText(const TDisc &disc, const std::string &binName);

} // namespace vrec
