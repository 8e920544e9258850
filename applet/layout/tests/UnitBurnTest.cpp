#include "applet/layout/UnitBurn.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace layout {
namespace {

using platform::kIdNo;
using platform::kIdYes;
using testsupport::TFakePlatform;
using testsupport::TTempDir;
using testsupport::WriteFile;

constexpr size_t kRaw = 2352, kCooked = 2048, kForm2 = 2336, kWithSubchannel = 2368;

int64_t gDecodedBytes = 0;
uint32_t gSampleRate = 44100;
bool FakeMp3Sizer(const std::string &, int64_t &decodedBytes, uint32_t &sampleRate) {
  decodedBytes = gDecodedBytes;
  sampleRate = gSampleRate;
  return false;
}

// An image of the given size with "CD001" at offset (or none when offset is 0).
std::string Image(size_t size, size_t offset) {
  std::string data(size, '\0');
  if (offset != 0)
    std::memcpy(&data[offset], "CD001", 5);
  return data;
}

class BurnModule : public ::testing::Test {
protected:
  TTempDir dir;
  TFakePlatform fake;
  platform::TPlatformOverride use{fake};
  TBurnDataModule burn;

  std::string File(const std::string &name, const std::string &data) {
    WriteFile(dir.File(name), data);
    return dir.File(name);
  }
  const TTrackImageData &Last() { return burn.Layout->Track(burn.Layout->Count() - 1); }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto &box : fake.MessageBoxes)
      texts.push_back(box.Text);
    return texts;
  }
};

TEST_F(BurnModule, CreationAndDestruction) {
  EXPECT_TRUE(burn.TestWrite);
  ASSERT_NE(nullptr, burn.Layout);
  EXPECT_EQ(0, burn.Layout->Count());
  EXPECT_EQ(std::vector<uint8_t>(1024, 0), burn.LeadInTable);
  EXPECT_EQ(std::vector<uint8_t>(1024, 0), burn.CueSheet);
  burn.DataModuleDestroy();
  EXPECT_EQ(nullptr, burn.Layout);
  EXPECT_TRUE(burn.LeadInTable.empty() && burn.CueSheet.empty());
  std::string error;
  EXPECT_TRUE(burn.BuildCueSheet(error));
}

TEST_F(BurnModule, SingleFilesBecomeTracks) {
  struct TCase {
    const char *Name;
    size_t Size;
    size_t VolumeIdAt;
    TTrackMode Mode;
    int32_t SectorSize, FileOffset, DataSize, Sectors;
  };
  const TCase cases[] = {
      {"song.wav", 44 + 23520, 0, TTrackMode::Audio, 2352, 44, 23520, 10},
      {"SONG.WAV", 44 + 23520, 0, TTrackMode::Audio, 2352, 0, 23564, 11},
      {"raw.pcm", 2353, 0, TTrackMode::Audio, 2352, 0, 2353, 2},
      {"tiny.wav", 20, 0, TTrackMode::Audio, 2352, 44, 0, 0},
      {"disc.iso", kCooked * 20, 32769, TTrackMode::Mode1, 2048, 0, 2048 * 20, 20},
      {"disc.img", kForm2 * 20, 37377, TTrackMode::Mode2, 2336, 0, 2336 * 20, 20},
      {"raw1.img", kRaw * 20, 37649, TTrackMode::Mode1, 2352, 0, 2352 * 20, 20},
      {"raw2.img", kRaw * 20, 37657, TTrackMode::Mode2, 2352, 0, 2352 * 20, 20},
      {"sub.img", kWithSubchannel * 20, 32769, TTrackMode::Mode1, 2048, 0, 2368 * 20, 24},
  };
  for (const TCase &c : cases) {
    const std::string path = File(c.Name, Image(c.Size, c.VolumeIdAt));
    const bool refused = c.Sectors == 0;
    EXPECT_EQ(refused, burn.ImportTrackFile(path)) << c.Name;
    if (refused) {
      EXPECT_EQ("Unable to import " + path + ".  It holds no track data.",
                fake.MessageBoxes.back().Text);
      continue;
    }
    const TTrackImageData &t = Last();
    EXPECT_EQ(path, t.FileName) << c.Name;
    EXPECT_EQ(c.Mode, t.Mode) << c.Name;
    EXPECT_EQ(c.SectorSize, t.SectorSize) << c.Name;
    EXPECT_EQ(c.FileOffset, t.FileOffset) << c.Name;
    EXPECT_EQ(c.DataSize, t.DataSize) << c.Name;
    EXPECT_EQ(static_cast<int32_t>(c.Size), t.EndOffset) << c.Name;
    EXPECT_EQ(c.Sectors, t.Sectors) << c.Name;
    EXPECT_EQ(1, t.IndexCount) << c.Name;
    EXPECT_EQ(1, t.Indexes[0].Number) << c.Name;
    EXPECT_EQ(c.Sectors, t.Indexes[0].Length) << c.Name;
    EXPECT_EQ(c.FileOffset, t.Indexes[0].DataOffset) << c.Name;
  }
  EXPECT_EQ(1u, fake.MessageBoxes.size()); // only the empty WAV: no question for any of them
}

TEST_F(BurnModule, QuestionsAndBoxesDecideWhatIsAdded) {
  const std::string bin = File("track.bin", std::string(kRaw * 3, '\0'));
  const std::string odd = File("odd.iso", Image(kCooked * 20 + 5, 32769));
  const std::string binQuestion =
      bin + " appears to be a BIN file.  The way to import tracks into the layout from a BIN "
            "file is to open its Cue file.  Do you wish to continue loading this file as a track?";
  const std::string corruptQuestion =
      "Warning!  " + odd +
      " may be corrupt.  Sector size is not a multiple of 2048, 2336, or 2352.  Do you wish to "
      "continue importing this file as a track?";
  fake.MessageBoxAnswers = {kIdNo, kIdYes, kIdNo, kIdYes};
  EXPECT_TRUE(burn.ImportTrackFile(bin));
  EXPECT_FALSE(burn.ImportTrackFile(bin));
  EXPECT_EQ(TTrackMode::Audio, Last().Mode);
  EXPECT_TRUE(burn.ImportTrackFile(odd));
  EXPECT_FALSE(burn.ImportTrackFile(odd));
  EXPECT_EQ(21, Last().Sectors); // 40965 / 2048 rounded up

  fake.MessageBoxAnswers.clear();
  EXPECT_TRUE(burn.ImportTrackFile(dir.File("absent.wav")));
  EXPECT_TRUE(burn.ImportTrackFile(dir.Path()));
  const std::string notFound =
      "Unable to track image file.  An error has trying to open " + dir.File("absent.wav") + ".";
  const std::string directory = "You tried to import a directory as a track into the CD Layout.  "
                                "Add only track image files.";
  EXPECT_EQ((std::vector<std::string>{binQuestion, binQuestion, corruptQuestion, corruptQuestion,
                                      notFound, directory}),
            BoxTexts());
  EXPECT_EQ(platform::kMbYesNo | platform::kMbIconWarning, fake.MessageBoxes[0].Flags);
  EXPECT_EQ(platform::kMbOk | platform::kMbIconError, fake.MessageBoxes[4].Flags);
  EXPECT_EQ(2, burn.Layout->Count());
}

TEST_F(BurnModule, Mp3TracksAreSizedByTheirDecodedLength) {
  const std::string mp3 = File("t.mp3", "\xFF\xFB\x90" + std::string(1000, '\x55'));
  EXPECT_TRUE(burn.ImportTrackFile(mp3)); // no decoder wired in
  EXPECT_EQ("Unable to import " + mp3 + ".  No MP3 decoder is available to measure its length.",
            fake.MessageBoxes.back().Text);

  burn.Mp3Sizer = FakeMp3Sizer;
  gDecodedBytes = 2352 * 100 + 1;
  fake.MessageBoxes.clear();
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(burn.ImportTrackFile(mp3));
  EXPECT_TRUE(fake.MessageBoxes.empty()); // audio never asks the corrupt-file question
  const TLayoutListView &layout = *burn.Layout;
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(101, layout.Track(row).Sectors);
    EXPECT_EQ(2352 * 100 + 1, layout.Track(row).DataSize);
    EXPECT_EQ(row == 0 ? 150 : 0, layout.Track(row).Pregap);
    EXPECT_EQ(row == 0 ? "00:02:00" : "00:00:00", layout.Text(row, colPregapTime));
  }
  EXPECT_STREQ("CD-DA or CD-ROM", device::DiscTypeText(layout.DiscType()));
  EXPECT_EQ(303, layout.DataSectors());
  EXPECT_EQ(453, layout.TotalSectors());

  gDecodedBytes = 0; // what a failed decoder open measures
  EXPECT_TRUE(burn.ImportTrackFile(mp3));

  gDecodedBytes = int64_t{2352} * 10;
  gSampleRate = 48000; // never recorded as if it were CD audio
  EXPECT_TRUE(burn.ImportTrackFile(mp3));
  EXPECT_EQ("Unable to import " + mp3 +
                ".  Its audio has a sample rate of 48000 Hz; a CD holds audio of 44100 Hz only.",
            fake.MessageBoxes.back().Text);
  // A file that starts as no MP3 does (a renamed WAV) and measures badly is not blamed on its
  // rate; with boxes off only the reason is kept.
  const std::string wav = File("w.mp3", "RIFF" + std::string(1000, '\0'));
  burn.ImportBoxes = false;
  const size_t boxes = fake.MessageBoxes.size();
  EXPECT_TRUE(burn.ImportTrackFile(wav));
  EXPECT_EQ("It is not an MP3 file.", burn.LastImportRefusal);
  EXPECT_EQ(boxes, fake.MessageBoxes.size());
  gSampleRate = 44100;
  EXPECT_EQ(3, layout.Count());
}

TEST_F(BurnModule, CueSheetsAddTheirTracksInCueOrder) {
  File("A.BIN", std::string(kRaw * 300, '\0'));
  File("B.BIN", std::string(kRaw * 100, '\0'));
  const std::string cue =
      File("DISC.CUE", "FILE A.BIN BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n"
                       " TRACK 02 AUDIO\n  INDEX 00 00:02:00\n  INDEX 01 00:03:00\n"
                       "FILE B.BIN BINARY\n TRACK 03 AUDIO\n  INDEX 01 00:00:00\n");
  EXPECT_FALSE(burn.ImportTrackFile(cue));
  const TLayoutListView &layout = *burn.Layout;
  ASSERT_EQ(3, layout.Count());
  EXPECT_EQ((std::vector<int32_t>{150, 150, 100}),
            (std::vector<int32_t>{layout.Track(0).Sectors, layout.Track(1).Sectors,
                                  layout.Track(2).Sectors}));
  EXPECT_EQ(150, layout.Track(1).Pregap + layout.Track(1).Indexes[0].Length); // mode change
  EXPECT_EQ(0, layout.Track(2).Pregap);
  EXPECT_TRUE(burn.ImportTrackFile(dir.File("NONE.CUE")));

  std::string error;
  ASSERT_FALSE(burn.BuildCueSheet(error)) << error;
  EXPECT_EQ(8 * 7, burn.CueSheetLength); // lead-in, 1 pregap, 1, 2 pregap, 2, 3, lead-out
  ASSERT_FALSE(burn.BuildLeadInTable(error)) << error;
  EXPECT_EQ(16 * 6, burn.LeadInTableLength);
  EXPECT_EQ(-150 + (150 + 150) + (75 + 150) + 100, burn.BuildLba);
}

TEST_F(BurnModule, TrackListsAreLowerCasedAndSurviveFailures) {
  File("one.wav", std::string(44 + kRaw, '\0'));
  File("two.wav", std::string(44 + kRaw * 2, '\0'));
  burn.ImportTrackList({dir.File("ONE.WAV"), dir.File("missing.wav"), dir.File("two.wav")});
  ASSERT_EQ(2, burn.Layout->Count());
  std::string lowered = dir.File("ONE.WAV");
  for (char &c : lowered)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  EXPECT_EQ(lowered, burn.Layout->Track(0).FileName); // the whole path is lower-cased
  EXPECT_EQ(44, burn.Layout->Track(0).FileOffset);    // the ".wav" rule applies after lower-casing
  EXPECT_EQ(2, burn.Layout->Track(1).Sectors);
  EXPECT_EQ(1u, fake.MessageBoxes.size());
}

TEST_F(BurnModule, PackageTracksAreTheNumberedMp3FilesBesideTheApplet) {
  fake.ModulePath = dir.File("applet.exe");
  for (const char *name : {"QlnT-1.mp3", "QlnT-2.mp3", "QlnT-10.mp3", "other.mp3", "QlnT-1.wav"})
    File(name, "x");
  ASSERT_TRUE(fake.CreateFolder(dir.File("QlnT-3.mp3")));
  std::vector<std::string> found = burn.FindPackageTracks();
  std::sort(found.begin(), found.end());
  EXPECT_EQ((std::vector<std::string>{dir.File("QlnT-1.mp3"), dir.File("QlnT-10.mp3"),
                                      dir.File("QlnT-2.mp3")}),
            found);
}

TEST(TrackOrder, PackageTracksAreRecordedInTheirNumberedOrder) {
  std::vector<std::string> paths = {"C:\\a\\QlnT-10.mp3", "C:\\a\\QlnT-2.mp3", "C:\\a\\QlnT-1.mp3",
                                    "C:\\a\\QlnT-24.mp3", "C:\\a\\QlnT-3.mp3"};
  SortByTrackNumber(paths);
  EXPECT_EQ((std::vector<std::string>{"C:\\a\\QlnT-1.mp3", "C:\\a\\QlnT-2.mp3", "C:\\a\\QlnT-3.mp3",
                                      "C:\\a\\QlnT-10.mp3", "C:\\a\\QlnT-24.mp3"}),
            paths);
}

} // namespace
} // namespace layout
