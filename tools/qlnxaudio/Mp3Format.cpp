#include "tools/qlnxaudio/Mp3Format.h"

#include <algorithm>
#include <cstring>

namespace qlnx {

namespace {

constexpr uint32_t kSyncMask = 0xFFE00000u;
constexpr uint32_t kLayer3 = 1;
constexpr uint32_t kBadBitrateIndex = 15;
constexpr uint32_t kReservedRate = 3;
constexpr uint32_t kModeMono = 3;
constexpr uint32_t kSamplesMpeg1 = 1152;
constexpr uint32_t kSamplesMpeg2 = 576;
constexpr uint32_t kSlotFactorMpeg1 = 144; // bytes per frame = factor * bitrate / rate
constexpr uint32_t kSlotFactorMpeg2 = 72;

// Kilobits per second by bitrate index; index 0 is free format.
constexpr uint32_t kBitratesMpeg1[15] = {0,   32,  40,  48,  56,  64,  80, 96,
                                         112, 128, 160, 192, 224, 256, 320};
constexpr uint32_t kBitratesMpeg2[15] = {0,  8,  16, 24,  32,  40,  48, 56,
                                         64, 80, 96, 112, 128, 144, 160};
constexpr uint32_t kRatesMpeg1[3] = {44100, 48000, 32000};

// Info tag flags.
constexpr uint32_t kInfoHasFrames = 0x1;
constexpr uint32_t kInfoHasBytes = 0x2;
constexpr uint32_t kInfoHasToc = 0x4;
constexpr uint32_t kInfoHasQuality = 0x8;
constexpr size_t kTocBytes = 100;
// Offsets in the encoder's extension that follows the info tag's fields.
constexpr size_t kEncoderDelayOffset = 21; // 12 bits of delay, then 12 bits of padding
constexpr size_t kEncoderInfoBytes = 24;

uint32_t BigEndian32(const uint8_t *p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

} // namespace

bool ParseFrameHeader(const uint8_t *bytes, TFrameHeader &header) {
  const uint32_t word = BigEndian32(bytes);
  if ((word & kSyncMask) != kSyncMask)
    return false;
  const uint32_t version = (word >> 19) & 3;
  const uint32_t layer = (word >> 17) & 3;
  const uint32_t bitrateIndex = (word >> 12) & 15;
  const uint32_t rateIndex = (word >> 10) & 3;
  if (version == 1 || layer != kLayer3 || bitrateIndex == kBadBitrateIndex ||
      rateIndex == kReservedRate)
    return false;
  TFrameHeader h;
  h.Word = word;
  h.Version = version == 3 ? TMpegVersion::Mpeg1
                           : (version == 2 ? TMpegVersion::Mpeg2 : TMpegVersion::Mpeg25);
  const bool mpeg1 = h.Version == TMpegVersion::Mpeg1;
  h.Crc = ((word >> 16) & 1) == 0;
  h.BitrateIndex = bitrateIndex;
  h.Bitrate = 1000 * (mpeg1 ? kBitratesMpeg1[bitrateIndex] : kBitratesMpeg2[bitrateIndex]);
  const uint32_t divisor = mpeg1 ? 1 : (h.Version == TMpegVersion::Mpeg2 ? 2 : 4);
  h.SampleRate = kRatesMpeg1[rateIndex] / divisor;
  h.Padding = ((word >> 9) & 1) != 0;
  h.Channels = ((word >> 6) & 3) == kModeMono ? 1 : 2;
  h.SamplesPerFrame = mpeg1 ? kSamplesMpeg1 : kSamplesMpeg2;
  h.SideInfoBytes = mpeg1 ? (h.Channels == 1 ? 17 : 32) : (h.Channels == 1 ? 9 : 17);
  if (h.Bitrate != 0)
    h.FrameBytes =
        (mpeg1 ? kSlotFactorMpeg1 : kSlotFactorMpeg2) * h.Bitrate / h.SampleRate + PaddingBytes(h);
  header = h;
  return true;
}

bool SameStream(const TFrameHeader &a, const TFrameHeader &b) {
  return a.Version == b.Version && a.SampleRate == b.SampleRate && a.Channels == b.Channels &&
         (a.BitrateIndex == 0) == (b.BitrateIndex == 0);
}

uint32_t PaddingBytes(const TFrameHeader &header) { return header.Padding ? 1 : 0; }

uint64_t Id3v2TagBytes(const uint8_t *bytes) {
  constexpr uint8_t kUnset = 0xFF;
  constexpr uint8_t kSyncsafeLimit = 0x80;
  constexpr uint8_t kFooterFlag = 0x10;
  constexpr uint8_t kFooterVersion = 4;
  if (std::memcmp(bytes, "ID3", 3) != 0 || bytes[3] == kUnset || bytes[4] == kUnset)
    return 0;
  uint64_t size = 0;
  for (int i = 6; i < 10; ++i) {
    if (bytes[i] >= kSyncsafeLimit)
      return 0;
    size = (size << 7) | bytes[i];
  }
  const bool footer = bytes[3] >= kFooterVersion && (bytes[5] & kFooterFlag) != 0;
  return kId3HeaderBytes + size + (footer ? kId3HeaderBytes : 0);
}

TInfoFrame ParseInfoFrame(const uint8_t *frame, size_t size, const TFrameHeader &header) {
  TInfoFrame info;
  // The tag follows the side information; encoders leave the CRC out of the count.
  size_t pos = kHeaderBytes + header.SideInfoBytes;
  if (pos + 8 > size ||
      (std::memcmp(frame + pos, "Xing", 4) != 0 && std::memcmp(frame + pos, "Info", 4) != 0))
    return info;
  info.Present = true;
  const uint32_t flags = BigEndian32(frame + pos + 4);
  pos += 8;
  if ((flags & kInfoHasFrames) != 0) {
    if (pos + 4 > size)
      return info;
    info.Frames = BigEndian32(frame + pos);
    pos += 4;
  }
  pos += ((flags & kInfoHasBytes) != 0 ? 4 : 0) + ((flags & kInfoHasToc) != 0 ? kTocBytes : 0) +
         ((flags & kInfoHasQuality) != 0 ? 4 : 0);
  // The encoder's extension counts only when it names an encoder.
  if (pos + kEncoderInfoBytes > size || frame[pos] == 0)
    return info;
  const uint8_t *d = frame + pos + kEncoderDelayOffset;
  info.HasEncoderInfo = true;
  info.EncoderDelay = (uint32_t{d[0]} << 4) | (d[1] >> 4);
  info.Padding = ((uint32_t{d[1]} & 0x0F) << 8) | d[2];
  return info;
}

TTrim TrimFor(const TInfoFrame &info, uint32_t samplesPerFrame) {
  TTrim trim;
  if (!info.Present || info.Frames == 0)
    return trim;
  trim.Active = true;
  trim.Declared = int64_t{info.Frames} * samplesPerFrame;
  trim.Begin = kDecoderDelay + (info.HasEncoderInfo ? info.EncoderDelay : 0);
  trim.End = trim.Declared + kDecoderDelay - (info.HasEncoderInfo ? info.Padding : 0);
  return trim;
}

TKeptRuns KeptRuns(const TTrim &trim, int64_t first, int64_t count) {
  TKeptRuns runs;
  if (!trim.Active) {
    runs.Count[0] = count;
    return runs;
  }
  const int64_t last = first + count;
  // Declared audio [Begin, min(End, Declared)), then everything from Declared on.
  const int64_t aFrom = std::max(first, trim.Begin);
  const int64_t aTo = std::min(last, std::min(trim.End, trim.Declared));
  if (aTo > aFrom) {
    runs.Start[0] = aFrom - first;
    runs.Count[0] = aTo - aFrom;
  }
  const int64_t bFrom = std::max(first, trim.Declared);
  if (last > bFrom) {
    runs.Start[1] = bFrom - first;
    runs.Count[1] = last - bFrom;
  }
  return runs;
}

} // namespace qlnx
