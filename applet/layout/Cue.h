// Cue sheet import: a cue sheet names image files and describes the tracks inside them; each
// TRACK line becomes one track record with mode, sector size, file offset, length, index
// table, pregap and postgap.
//
// Reading is split in three steps so that tests and the fuzzer can drive each one: the text is
// grouped into segments (one per FILE line), each segment is parsed into track records, and
// once its image file is found the records get their positions in that file.
#pragma once

#include "applet/layout/TrackImageData.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace layout {

using TTrackList = std::vector<std::unique_ptr<TTrackImageData>>;

// Measures the decoded PCM byte count of an MP3 file and its sample rate (0 when unknown);
// true when it cannot (no decoder).
using TMp3Sizer = bool (*)(const std::string &fileName, int64_t &decodedBytes,
                           uint32_t &sampleRate);

// Reads a cue sheet and returns one track list per FILE segment, in cue order. Image files that
// are not found (after asking) abandon their segment with a box. A FILE of type MP3 is measured
// with mp3Sizer and its tracks lie in the decoded audio; one of type WAVE holds its tracks in
// its RIFF data chunk (16-bit stereo at 44100 Hz only). True when nothing could be imported: the
// cue sheet cannot be read, or it is malformed (one box names the fault).
bool ImportCueSheet(const std::string &cueFileName, std::vector<TTrackList> &segments,
                    TMp3Sizer mp3Sizer = nullptr);

// Where the audio of a WAVE file lies: its data chunk. False with the reason in error when the
// file holds no 16-bit stereo PCM at 44100 Hz (or no readable RIFF chunks at all).
struct TWaveData {
  int64_t Offset = 0;
  int64_t Size = 0;
};
bool ReadWaveData(std::FILE *f, int64_t fileSize, TWaveData &data, std::string &error);

// A malformed cue sheet: a bad time or number, or positions that contradict each other.
class ECueError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// One line of a cue sheet: trimmed and upper-cased, split at its first blank.
struct TCueLine {
  int LineNumber = 0;
  std::string Text;
  std::string Keyword;
  std::string Rest;
};
using TCueSegment = std::vector<TCueLine>; // starts with its FILE line

// Groups the text's lines into segments; lines before the first FILE line and CATALOG lines
// are dropped.
std::vector<TCueSegment> ReadCueText(const std::string &text);

struct TCueFile {
  std::string Name;  // as written, without its quotes
  std::string Type;  // the type word, such as "BINARY"
  TTrackList Tracks; // FileName still unset; index starts absolute, in sectors
  // INDEX lines before the segment's first TRACK line: the rest of a track that the FILE
  // before ends without an INDEX 01 (rippers write a gap appended to the previous file so).
  std::unique_ptr<TTrackImageData> Continued;
  TCueLine ContinuedLine; // the first of them
  // The TRACK line of a last track without INDEX 01, which may continue in the next FILE.
  TCueLine OpenTrackLine;
  bool OpenTrack = false;
};

// Parses a segment's TRACK, INDEX, PREGAP and POSTGAP lines. A segment by itself may neither
// start with INDEX lines nor end in a track without INDEX 01. Throws ECueError.
TCueFile ParseCueSegment(const TCueSegment &segment);
// Parses the segments of one sheet. A last track without INDEX 01 continues with the INDEX
// lines that open the next FILE: its data comes from that FILE, and the pause that its
// INDEX 00 marks in the FILE before stays at the end of the track before it. Throws ECueError.
std::vector<TCueFile> ParseCueSegments(const std::vector<TCueSegment> &segments);

// Sets file name, offsets, lengths and index lengths of the tracks of one image file of
// fileSize bytes. Throws ECueError when the positions contradict each other or the file.
void PlaceCueTracks(TCueFile &file, const std::string &path, int64_t fileSize);

// Rounds numerator / denominator (denominator > 0) to the nearest integer, halves to even.
int64_t DivideRoundHalfEven(int64_t numerator, int64_t denominator);

} // namespace layout
