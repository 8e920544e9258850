// Builds small MP3 streams for tests: frames of silence (a header followed by zero bytes, which
// every Layer III decoder turns into digital silence), info frames and ID3v2 tags.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

using TBytes = std::vector<uint8_t>;

// Frame headers with their frame sizes.
struct TKind {
  uint32_t Word;
  size_t Size;
  size_t InfoOffset; // where an info tag starts: header plus side information
  uint32_t SamplesPerFrame;
  uint32_t Channels;
  uint32_t SampleRate;
};
// MPEG-1, 128 kbit/s, 44.1 kHz, joint stereo off, no padding.
constexpr TKind kStereo44k{0xFFFB9000u, 417, 36, 1152, 2, 44100};
// MPEG-2, 64 kbit/s, 22.05 kHz, mono.
constexpr TKind kMono22k{0xFFF380C0u, 208, 13, 576, 1, 22050};
// MPEG-1 free format, 44.1 kHz stereo, frames of 600 bytes.
constexpr TKind kFreeFormat{0xFFFB0000u, 600, 36, 1152, 2, 44100};

TBytes Frame(const TKind &kind);
TBytes Frames(const TKind &kind, int count);
// An info frame declaring frames, and (with an encoder name) the encoder delay and padding.
TBytes InfoFrame(const TKind &kind, uint32_t frames, uint32_t delay, uint32_t padding,
                 const char *encoder = "LAME3.100");
// An ID3v2.3 tag whose body is bodyBytes long (the tag declares it; the body is written only
// when write is true).
TBytes Id3Tag(uint32_t bodyBytes, bool write = true);
// Bytes from a fixed-seed generator.
TBytes Noise(size_t count, uint32_t seed);

TBytes operator+(TBytes a, const TBytes &b);
void WriteBytes(const std::string &path, const TBytes &bytes);

} // namespace synth
