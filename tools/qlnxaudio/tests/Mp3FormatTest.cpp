#include "tools/qlnxaudio/Mp3Format.h"
#include "tools/qlnxaudio/tests/SyntheticMp3.h"

#include <gtest/gtest.h>

namespace qlnx {
namespace {

TEST(Mp3FormatTest, FrameHeaders) {
  struct TCase {
    uint32_t Word;
    bool Valid;
    uint32_t Rate, Channels, Samples, Bytes;
  };
  const TCase cases[] = {
      {0xFFFB9000, true, 44100, 2, 1152, 417}, // MPEG-1 128 kbit/s
      {0xFFFB9200, true, 44100, 2, 1152, 418}, // with padding
      {0xFFFBE4C0, true, 48000, 1, 1152, 960}, // 320 kbit/s mono
      {0xFFFAE800, true, 32000, 2, 1152, 1440},
      {0xFFF380C0, true, 22050, 1, 576, 208}, // MPEG-2 64 kbit/s
      {0xFFE340C0, true, 11025, 1, 576, 208}, // MPEG-2.5 32 kbit/s
      {0xFFFB0000, true, 44100, 2, 1152, 0},  // free format
      {0xFFFD9000, false, 0, 0, 0, 0},        // Layer II
      {0xFFFF9000, false, 0, 0, 0, 0},        // Layer I
      {0xFFEB9000, false, 0, 0, 0, 0},        // reserved version
      {0xFFFBF000, false, 0, 0, 0, 0},        // bad bitrate
      {0xFFFB9C00, false, 0, 0, 0, 0},        // reserved rate
      {0xFF1B9000, false, 0, 0, 0, 0},        // no sync
  };
  for (const TCase &c : cases) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(c.Word >> 24),
                              static_cast<uint8_t>(c.Word >> 16), static_cast<uint8_t>(c.Word >> 8),
                              static_cast<uint8_t>(c.Word)};
    TFrameHeader h;
    SCOPED_TRACE(testing::Message() << std::hex << c.Word);
    ASSERT_EQ(c.Valid, ParseFrameHeader(bytes, h));
    if (!c.Valid)
      continue;
    EXPECT_EQ(c.Rate, h.SampleRate);
    EXPECT_EQ(c.Channels, h.Channels);
    EXPECT_EQ(c.Samples, h.SamplesPerFrame);
    EXPECT_EQ(c.Bytes, h.FrameBytes);
  }
  const uint8_t crc[4] = {0xFF, 0xFA, 0x90, 0x00};
  TFrameHeader h;
  ASSERT_TRUE(ParseFrameHeader(crc, h));
  EXPECT_TRUE(h.Crc);
}

TEST(Mp3FormatTest, Id3v2TagLength) {
  struct TCase {
    std::vector<uint8_t> Bytes;
    uint64_t Length;
  };
  const TCase cases[] = {
      {{'I', 'D', '3', 3, 0, 0, 0, 0, 2, 1}, 10 + 257},
      {{'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 5}, 10 + 5 + 10},             // with footer
      {{'I', 'D', '3', 3, 0, 0x10, 0, 0, 0, 5}, 10 + 5},                  // no footer before 2.4
      {{'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}, 10 + 0xFFFFFFF}, // largest declared
      {{'I', 'D', '3', 3, 0, 0, 0, 0x80, 0, 0}, 0},                       // not syncsafe
      {{'I', 'D', '3', 0xFF, 0, 0, 0, 0, 0, 0}, 0},
      {{'T', 'A', 'G', 3, 0, 0, 0, 0, 0, 0}, 0},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(c.Length, Id3v2TagBytes(c.Bytes.data()));
}

TEST(Mp3FormatTest, InfoFrames) {
  TFrameHeader stereo, mono;
  const synth::TBytes s = synth::Frame(synth::kStereo44k);
  const synth::TBytes m = synth::Frame(synth::kMono22k);
  ASSERT_TRUE(ParseFrameHeader(s.data(), stereo));
  ASSERT_TRUE(ParseFrameHeader(m.data(), mono));

  synth::TBytes f = synth::InfoFrame(synth::kStereo44k, 128, 576, 1350);
  TInfoFrame info = ParseInfoFrame(f.data(), f.size(), stereo);
  EXPECT_TRUE(info.Present);
  EXPECT_EQ(128u, info.Frames);
  EXPECT_TRUE(info.HasEncoderInfo);
  EXPECT_EQ(576u, info.EncoderDelay);
  EXPECT_EQ(1350u, info.Padding);

  f = synth::InfoFrame(synth::kMono22k, 40, 4095, 4095);
  info = ParseInfoFrame(f.data(), f.size(), mono);
  EXPECT_EQ(40u, info.Frames);
  EXPECT_EQ(4095u, info.EncoderDelay);
  EXPECT_EQ(4095u, info.Padding);

  // No encoder named: the frame count stands, delay and padding do not.
  f = synth::InfoFrame(synth::kStereo44k, 10, 576, 1000, "");
  info = ParseInfoFrame(f.data(), f.size(), stereo);
  EXPECT_TRUE(info.Present);
  EXPECT_FALSE(info.HasEncoderInfo);

  // The tag cut off by the end of the frame: only what fits is read.
  f = synth::InfoFrame(synth::kStereo44k, 10, 576, 1000);
  EXPECT_FALSE(ParseInfoFrame(f.data(), 36 + 10, stereo).HasEncoderInfo);
  EXPECT_EQ(0u, ParseInfoFrame(f.data(), 36 + 10, stereo).Frames);
  EXPECT_TRUE(ParseInfoFrame(f.data(), 36 + 8, stereo).Present);

  // Audio frames and the tag at a wrong offset are audio.
  EXPECT_FALSE(ParseInfoFrame(s.data(), s.size(), stereo).Present);
  f = synth::InfoFrame(synth::kStereo44k, 10, 576, 1000);
  EXPECT_FALSE(ParseInfoFrame(f.data(), f.size(), mono).Present);
}

TEST(Mp3FormatTest, TrimKeepsDeclaredAudioAndWhatFollowsIt) {
  TInfoFrame info;
  info.Present = true;
  info.Frames = 10;
  info.HasEncoderInfo = true;
  info.EncoderDelay = 576;
  info.Padding = 1000;
  const TTrim trim = TrimFor(info, 1152);
  EXPECT_EQ(576 + 529, trim.Begin);
  EXPECT_EQ(11520 - 1000 + 529, trim.End);
  EXPECT_EQ(11520, trim.Declared);

  struct TCase {
    int64_t First, Count;
    int64_t Start0, Count0, Start1, Count1;
  };
  const TCase cases[] = {
      {0, 1152, 1105, 47, 0, 0},          // the first frame: only its tail
      {1152, 1152, 0, 1152, 0, 0},        // inside
      {10368, 1152, 0, 681, 0, 0},        // the last declared frame: up to the padding
      {11520, 1152, 0, 0, 0, 1152},       // an extra frame is kept whole
      {10000, 3000, 0, 1049, 1520, 1480}, // across both
  };
  for (const TCase &c : cases) {
    const TKeptRuns r = KeptRuns(trim, c.First, c.Count);
    EXPECT_EQ(c.Start0, r.Start[0]) << c.First;
    EXPECT_EQ(c.Count0, r.Count[0]) << c.First;
    EXPECT_EQ(c.Start1, r.Start[1]) << c.First;
    EXPECT_EQ(c.Count1, r.Count[1]) << c.First;
  }

  info.HasEncoderInfo = false; // the decoder delay alone
  EXPECT_EQ(529, TrimFor(info, 1152).Begin);
  EXPECT_EQ(11520 + 529, TrimFor(info, 1152).End);
  info.Frames = 0; // nothing declared: nothing trimmed
  EXPECT_FALSE(TrimFor(info, 1152).Active);
  EXPECT_EQ(777, KeptRuns(TrimFor(info, 1152), 5, 777).Count[0]);
}

} // namespace
} // namespace qlnx
