#include "tools/qlnxaudio/FrameReader.h"
#include "tools/qlnxaudio/tests/SyntheticMp3.h"

#include <gtest/gtest.h>

namespace qlnx {
namespace {

using synth::operator+;

struct TScan {
  bool Started = false;
  int Frames = 0;
  size_t Bytes = 0;
  TInfoFrame Info;
  uint32_t Rate = 0;
};

TScan ScanAll(const synth::TBytes &bytes) {
  TMemorySource source(bytes);
  TFrameReader reader(source);
  TScan scan;
  scan.Started = reader.Start();
  scan.Info = reader.Info();
  scan.Rate = reader.Format().SampleRate;
  TFrame frame;
  while (reader.Next(frame)) {
    ++scan.Frames;
    scan.Bytes += frame.Size;
  }
  return scan;
}

TEST(FrameReaderTest, FindsTheAudioFrames) {
  struct TCase {
    const char *What;
    synth::TBytes Bytes;
    int Frames;
    bool Info;
  };
  const synth::TBytes ten = synth::Frames(synth::kStereo44k, 10);
  const synth::TBytes info = synth::InfoFrame(synth::kStereo44k, 10, 576, 1000);
  const TCase cases[] = {
      {"plain", ten, 10, false},
      {"info frame aside", info + ten, 10, true},
      {"ID3v2 first", synth::Id3Tag(3000) + info + ten, 10, true},
      {"two ID3v2 tags", synth::Id3Tag(20) + synth::Id3Tag(5) + ten, 10, false},
      {"junk first", synth::Noise(5000, 7) + ten, 10, false},
      {"junk between",
       synth::Frames(synth::kStereo44k, 4) + synth::Noise(777, 3) +
           synth::Frames(synth::kStereo44k, 6),
       10, false},
      {"ID3v1 and ID3v2 at the end",
       ten + synth::TBytes{'T', 'A', 'G'} + synth::Noise(125, 1) + synth::Id3Tag(50), 10, false},
      {"truncated last frame", synth::TBytes(ten.begin(), ten.end() - 100), 9, false},
      {"mono 22.05 kHz",
       synth::InfoFrame(synth::kMono22k, 5, 0, 0) + synth::Frames(synth::kMono22k, 5), 5, true},
      {"free format", synth::Frames(synth::kFreeFormat, 7), 7, false},
      {"a lone frame", synth::Frame(synth::kStereo44k), 1, false},
  };
  for (const TCase &c : cases) {
    const TScan scan = ScanAll(c.Bytes);
    EXPECT_TRUE(scan.Started) << c.What;
    EXPECT_EQ(c.Frames, scan.Frames) << c.What;
    EXPECT_EQ(c.Info, scan.Info.Present) << c.What;
  }
  EXPECT_EQ(22050u, ScanAll(synth::Frames(synth::kMono22k, 3)).Rate);
  EXPECT_EQ(7u * 600, ScanAll(synth::Frames(synth::kFreeFormat, 7)).Bytes);
}

TEST(FrameReaderTest, FindsNothingInInputWithoutAStream) {
  struct TCase {
    const char *What;
    synth::TBytes Bytes;
  };
  // A header with a frame too short to reach the next one.
  synth::TBytes cut = synth::Frame(synth::kStereo44k);
  cut.resize(200);
  const TCase cases[] = {
      {"empty", {}},
      {"three bytes", {0xFF, 0xFB, 0x90}},
      {"ID3v2 only", synth::Id3Tag(100)},
      {"ID3v2 larger than the file",
       synth::Id3Tag(0xFFFFFFF, false) + synth::Frames(synth::kStereo44k, 3)},
      {"random bytes", synth::Noise(200000, 42)},
      {"zeros", synth::TBytes(10000, 0)},
      {"sync bytes", synth::TBytes(10000, 0xFF)},
      {"a cut frame", cut},
  };
  for (const TCase &c : cases) {
    const TScan scan = ScanAll(c.Bytes);
    EXPECT_FALSE(scan.Started) << c.What;
    EXPECT_EQ(0, scan.Frames) << c.What;
  }
}

TEST(FrameReaderTest, KeepsToTheFirstFramesFormat) {
  // Frames of another rate or channel count in the middle are skipped.
  const TScan scan =
      ScanAll(synth::Frames(synth::kStereo44k, 3) + synth::Frames(synth::kMono22k, 4) +
              synth::Frames(synth::kStereo44k, 2));
  EXPECT_EQ(5, scan.Frames);
}

} // namespace
} // namespace qlnx
