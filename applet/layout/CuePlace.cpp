// Track positions within one image file, and the lengths of each track's indexes.
#include "applet/layout/Cue.h"

#include <cstdio>
#include <limits>

namespace layout {

namespace {

constexpr int64_t kMaxField = std::numeric_limits<int32_t>::max();

std::string TrackName(const TTrackImageData &t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "TRACK %02d", static_cast<int>(t.TrackNumber));
  return buf;
}

bool Fits(int64_t v) { return v >= 0 && v <= kMaxField; }

// Index lengths run from each index to the next, the last one to the track's end; starts
// become relative to the first index.
void SetIndexLengths(TTrackImageData &t) {
  const int64_t first = t.Indexes[0].Start;
  const int64_t end = first + t.Sectors;
  const int32_t count = t.UsedIndexes();
  for (int32_t j = 0; j < count; ++j) {
    const int64_t next = j + 1 < count ? t.Indexes[j + 1].Start : end;
    const int64_t length = next - t.Indexes[j].Start;
    if (length < 0)
      throw ECueError("The indexes of " + TrackName(t) +
                      " are out of order or lie beyond its end.");
    t.Indexes[j].Length = static_cast<int32_t>(length);
  }
  for (int32_t j = 0; j < count; ++j) {
    const int64_t start = t.Indexes[j].Start - first;
    t.Indexes[j].Start = static_cast<int32_t>(start);
    t.Indexes[j].DataOffset = static_cast<int32_t>(t.FileOffset + start * t.SectorSize);
  }
}

} // namespace

int64_t DivideRoundHalfEven(int64_t numerator, int64_t denominator) {
  int64_t q = numerator / denominator;
  int64_t r = numerator % denominator;
  if (r < 0) {
    --q;
    r += denominator;
  }
  if (2 * r > denominator || (2 * r == denominator && q % 2 != 0))
    ++q;
  return q;
}

void PlaceCueTracks(TCueFile &file, const std::string &path, int64_t fileSize) {
  TTrackList &tracks = file.Tracks;
  if (tracks.empty())
    return;
  if (!Fits(fileSize))
    throw ECueError("The image file " + path + " is too large for a track image.");
  const size_t count = tracks.size();
  int64_t sectorsSoFar = 0; // A: the end of the tracks placed so far, in sectors
  int64_t bytesSoFar = 0;   // B: the same in bytes
  for (size_t i = 0; i < count; ++i) {
    TTrackImageData &t = *tracks[i];
    t.FileName = path;
    const int64_t sectorSize = t.SectorSize;
    const int64_t start = t.Indexes[0].Start;
    const bool first = i == 0;
    const bool last = i + 1 == count;
    int64_t endSector = t.EndSector;
    if (!last && endSector == 0)
      endSector = tracks[i + 1]->Indexes[0].Start;

    int64_t fileOffset = bytesSoFar;
    if (first) {
      // Data before the first track's first index belongs to no track.
      fileOffset = start * sectorSize;
      sectorsSoFar = endSector;
      bytesSoFar = last ? fileOffset : endSector * sectorSize;
    } else if (!last) {
      bytesSoFar += (endSector - start) * sectorSize;
      sectorsSoFar += endSector - start;
    }
    if (last) {
      if (count == 1) {
        endSector = DivideRoundHalfEven(fileSize, sectorSize);
        sectorsSoFar += endSector - start;
      } else {
        sectorsSoFar += DivideRoundHalfEven(fileSize - bytesSoFar, sectorSize);
        endSector = sectorsSoFar;
      }
      bytesSoFar += (endSector - start) * sectorSize;
    }

    const int64_t sectors = endSector - start;
    if (sectors <= 0)
      throw ECueError(last ? "The image file " + path + " ends before the data of " + TrackName(t) +
                                 "."
                           : TrackName(t) + " does not start before the track after it.");
    if (!Fits(fileOffset) || !Fits(bytesSoFar) || !Fits(endSector) || !Fits(sectors * sectorSize))
      throw ECueError("The positions of " + TrackName(t) + " lie beyond what a track image holds.");
    t.FileOffset = static_cast<int32_t>(fileOffset);
    t.EndSector = static_cast<int32_t>(endSector);
    t.EndOffset = static_cast<int32_t>(bytesSoFar);
    t.Sectors = static_cast<int32_t>(sectors);
    t.DataSize = static_cast<int32_t>(sectors * sectorSize);
    SetIndexLengths(t);
  }
}

} // namespace layout
