// The audio of a WAVE file named by a cue sheet: its RIFF chunks, of which only the data chunk
// holds track audio.
#include "applet/layout/Cue.h"

#include <cstring>

namespace layout {

namespace {

constexpr size_t kRiffHeaderBytes = 12;
constexpr size_t kChunkHeaderBytes = 8;
constexpr size_t kPcmFormatBytes = 16;
constexpr uint16_t kPcmFormat = 1;
constexpr uint16_t kExtensibleFormat = 0xFFFE;
constexpr uint16_t kCdChannels = 2;
constexpr uint32_t kCdRate = 44100;
constexpr uint16_t kCdBits = 16;

uint32_t Le32(const unsigned char *p) {
  return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint16_t Le16(const unsigned char *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool ReadAt(std::FILE *f, int64_t offset, unsigned char *buffer, size_t bytes) {
  return offset >= 0 && offset <= 0x7FFFFFFF &&
         std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fread(buffer, 1, bytes, f) == bytes;
}

// The format chunk's refusal, or "" for CD audio.
std::string FormatRefusal(const unsigned char *fmt) {
  const uint16_t tag = Le16(fmt), channels = Le16(fmt + 2), bits = Le16(fmt + 14);
  const uint32_t rate = Le32(fmt + 4);
  if (tag != kPcmFormat && tag != kExtensibleFormat)
    return "its audio is compressed (format " + std::to_string(tag) + "), not PCM";
  if (channels != kCdChannels || rate != kCdRate || bits != kCdBits)
    return "its audio has " + std::to_string(channels) + " channel(s) of " + std::to_string(bits) +
           " bits at " + std::to_string(rate) + " Hz; a CD holds 2 channels of 16 bits at 44100 Hz";
  return "";
}

} // namespace

bool ReadWaveData(std::FILE *f, int64_t fileSize, TWaveData &data, std::string &error) {
  unsigned char head[kRiffHeaderBytes];
  if (!ReadAt(f, 0, head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0) {
    error = "it is not a RIFF WAVE file";
    return false;
  }
  bool haveFormat = false;
  int64_t at = kRiffHeaderBytes;
  unsigned char chunk[kChunkHeaderBytes];
  while (at + static_cast<int64_t>(kChunkHeaderBytes) <= fileSize &&
         ReadAt(f, at, chunk, sizeof chunk)) {
    const int64_t body = at + static_cast<int64_t>(kChunkHeaderBytes);
    const int64_t size = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      unsigned char fmt[kPcmFormatBytes];
      if (size < static_cast<int64_t>(sizeof fmt) || !ReadAt(f, body, fmt, sizeof fmt)) {
        error = "its format chunk is damaged";
        return false;
      }
      error = FormatRefusal(fmt);
      if (!error.empty())
        return false;
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) {
        error = "its data chunk comes before its format chunk";
        return false;
      }
      data.Offset = body;
      data.Size = size < fileSize - body ? size : fileSize - body; // a cut-off file: what is there
      return true;
    }
    at = body + size + (size & 1); // chunks are padded to an even size
  }
  error = "it has no data chunk";
  return false;
}

} // namespace layout
