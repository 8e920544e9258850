// The MP3 file format as far as both decoder backends need it: Layer III frame headers, the
// ID3v2 tag in front of the audio, and the Xing/LAME info frame with the encoder's delay and
// padding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qlnx {

constexpr size_t kHeaderBytes = 4;
constexpr size_t kId3HeaderBytes = 10;
// The longest frame accepted: well above any fixed-rate Layer III frame (1441 bytes); a
// free-format frame longer than this is not taken as one.
constexpr size_t kMaxFrameBytes = 4096;
// The decoder's own delay: samples that a Layer III decoder emits before the encoder's first.
constexpr int64_t kDecoderDelay = 529;

enum class TMpegVersion : uint8_t { Mpeg1, Mpeg2, Mpeg25 };

struct TFrameHeader {
  TMpegVersion Version = TMpegVersion::Mpeg1;
  bool Crc = false;
  uint32_t BitrateIndex = 0; // 0: free format
  uint32_t Bitrate = 0;      // bits per second; 0 for free format
  uint32_t SampleRate = 0;
  bool Padding = false;
  uint32_t Channels = 0;
  uint32_t SamplesPerFrame = 0;
  // Bytes from the header to the next frame; 0 for free format, whose size comes from the
  // distance to the following header.
  uint32_t FrameBytes = 0;
  uint32_t SideInfoBytes = 0;
  uint32_t Word = 0; // the raw header
};

// Parses a Layer III frame header from 4 bytes; false for anything else (other layers,
// reserved version, rate, bitrate or emphasis).
bool ParseFrameHeader(const uint8_t *bytes, TFrameHeader &header);
// Whether two headers can belong to one stream: same version, rate, channel count and, for
// free format, both free format.
bool SameStream(const TFrameHeader &a, const TFrameHeader &b);
// The slot size of free format: a frame is this many bytes plus its padding byte.
uint32_t PaddingBytes(const TFrameHeader &header);

// The full length of an ID3v2 tag starting at bytes (header, body and footer), or 0 when the
// 10 bytes there are no ID3v2 header.
uint64_t Id3v2TagBytes(const uint8_t *bytes);

struct TInfoFrame {
  bool Present = false; // the frame is an info frame and carries no audio
  uint32_t Frames = 0;  // audio frames declared, 0 when not given
  bool HasEncoderInfo = false;
  uint32_t EncoderDelay = 0; // samples
  uint32_t Padding = 0;      // samples
};

// Reads the info tag of a stream's first frame (whole frame in bytes, size bytes long).
TInfoFrame ParseInfoFrame(const uint8_t *frame, size_t size, const TFrameHeader &header);

// Which decoded samples of a stream are audio. Samples are counted per channel from the first
// sample the decoder emits for the first audio frame.
struct TTrim {
  bool Active = false;
  int64_t Begin = 0;    // first sample kept
  int64_t End = 0;      // first sample dropped at the end of the declared audio
  int64_t Declared = 0; // samples of the declared frames; everything after them is kept
};

TTrim TrimFor(const TInfoFrame &info, uint32_t samplesPerFrame);

// The part of [first, first + count) that is kept: up to two runs, as offsets from first.
struct TKeptRuns {
  int64_t Start[2] = {0, 0};
  int64_t Count[2] = {0, 0};
};
TKeptRuns KeptRuns(const TTrim &trim, int64_t first, int64_t count);

} // namespace qlnx
