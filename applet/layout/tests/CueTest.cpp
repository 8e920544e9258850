#include "applet/layout/Cue.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace layout {
namespace {

using testsupport::TFakePlatform;
using testsupport::TTempDir;

constexpr int64_t kSector = 2352;

// A file of the given size without writing all of it.
void MakeFile(const std::string &path, int64_t size) {
  std::FILE *f = platform::NativePlatform().OpenFile(path, "wb");
  ASSERT_NE(nullptr, f) << path;
  if (size > 0) {
    std::fseek(f, static_cast<long>(size - 1), SEEK_SET);
    std::fputc(0, f);
  }
  std::fclose(f);
}

TCueFile Parse(const std::string &text) {
  const std::vector<TCueSegment> segments = ReadCueText(text);
  EXPECT_EQ(1u, segments.size());
  return segments.empty() ? TCueFile{} : ParseCueSegment(segments[0]);
}

TCueFile Place(const std::string &text, int64_t fileSize) {
  TCueFile file = Parse(text);
  PlaceCueTracks(file, "DISC.BIN", fileSize);
  return file;
}

TEST(CueReading, LinesAreTrimmedUpperCasedAndGroupedPerFile) {
  const std::string text = "\xEF\xBB\xBF"
                           "REM before any file\r\n"
                           "CATALOG 0000000000000\r\n"
                           "\r\n"
                           "file \"a b.bin\" binary\r"
                           "  track 01 audio\n"
                           "\tindex 01 00:00:00  \n"
                           "CATALOG 1234567890123\n"
                           "FILE c.bin BINARY";
  const std::vector<TCueSegment> segments = ReadCueText(text);
  ASSERT_EQ(2u, segments.size());
  ASSERT_EQ(3u, segments[0].size());
  EXPECT_EQ("FILE", segments[0][0].Keyword);
  EXPECT_EQ("\"A B.BIN\" BINARY", segments[0][0].Rest);
  EXPECT_EQ(4, segments[0][0].LineNumber);
  EXPECT_EQ("TRACK", segments[0][1].Keyword);
  EXPECT_EQ("INDEX 01 00:00:00", segments[0][2].Text);
  EXPECT_EQ("01 00:00:00", segments[0][2].Rest);
  EXPECT_EQ(1u, segments[1].size());
  EXPECT_EQ("C.BIN BINARY", segments[1][0].Rest);

  EXPECT_TRUE(ReadCueText("").empty());
  EXPECT_TRUE(ReadCueText("TRACK 01 AUDIO\nINDEX 01 00:00:00\n").empty());
}

TEST(CueReading, CommandsFillTheTrackRecords) {
  const TCueFile file = Parse("FILE \"MY DISC.BIN\" BINARY\n"
                              "TRACK 01 MODE2/2336\nINDEX 01 00:00:00\nPOSTGAP 00:01:00\n"
                              "TRACK 02 AUDIO\nFLAGS DCP\nPREGAP 00:02:00\nINDEX 00 00:10:00\n"
                              "INDEX 01 00:12:00\nTRACK 3 MODE1/2048\nINDEX 1 01:00:74\n"
                              "SONGWRITER \"SOMEONE\"\n");
  EXPECT_EQ("MY DISC.BIN", file.Name);
  EXPECT_EQ("BINARY", file.Type);
  ASSERT_EQ(3u, file.Tracks.size());
  const TTrackImageData &t1 = *file.Tracks[0], &t2 = *file.Tracks[1], &t3 = *file.Tracks[2];
  EXPECT_EQ(TTrackMode::Mode2, t1.Mode);
  EXPECT_EQ(2336, t1.SectorSize);
  EXPECT_EQ(75, t1.Postgap);
  EXPECT_EQ(TTrackMode::Audio, t2.Mode);
  EXPECT_EQ(2352, t2.SectorSize);
  EXPECT_EQ(150, t2.Pregap);
  EXPECT_TRUE(t2.Index0InFile);
  EXPECT_EQ(2, t2.IndexCount);
  EXPECT_EQ(750, t2.Indexes[0].Start);
  EXPECT_EQ(900, t2.Indexes[1].Start);
  EXPECT_EQ("BINARY", t2.FileType);
  EXPECT_EQ(3, t3.TrackNumber);
  EXPECT_EQ(TTrackMode::Mode1, t3.Mode);
  EXPECT_EQ(2048, t3.SectorSize);
  EXPECT_EQ(4500 + 74, t3.Indexes[0].Start);
}

TEST(CueReading, MalformedTimesAndNumbersGiveOneClearError) {
  const char *const bad[] = {
      "INDEX 01 0:00:00",  "INDEX 01 00:60:00",       "INDEX 01 00:00:75", "INDEX 01 00-00-00",
      "INDEX 0A 00:00:00", "INDEX 100 00:00:00",      "INDEX 01",          "PREGAP 2 SECONDS",
      "POSTGAP -0:01:00",  "INDEX 01 00:00:00 EXTRA",
  };
  for (const char *line : bad) {
    const std::string text = std::string("FILE A.BIN BINARY\nTRACK 01 AUDIO\n") + line + "\n";
    try {
      Parse(text);
      ADD_FAILURE() << line << " was accepted";
    } catch (const ECueError &e) {
      EXPECT_NE(std::string::npos, std::string(e.what()).find("Line 3")) << e.what();
    }
  }
  const char *const badTracks[] = {"TRACK X1 AUDIO",
                                   "TRACK 01 MODE1/ABC",
                                   "TRACK 01 MODE1/0",
                                   "TRACK 01 MODE1/",
                                   "TRACK 01 CDG",
                                   "TRACK 01 MODE3/2352",
                                   "TRACK 01 AUDIO\nINDEX 00 00:00:00",
                                   "TRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 00 00:01:00"};
  for (const char *lines : badTracks)
    EXPECT_THROW(Parse(std::string("FILE A.BIN BINARY\n") + lines + "\n"), ECueError) << lines;
}

TEST(CueReading, IndexesBeyondTheTableAreIgnored) {
  std::string text = "FILE A.BIN BINARY\nTRACK 01 AUDIO\n";
  char line[32];
  for (int i = 1; i <= 99; ++i) {
    std::snprintf(line, sizeof line, "INDEX %02d 00:%02d:%02d\n", i, i / 75, i % 75);
    text += line;
  }
  text += "INDEX 77 58:00:00\n";
  for (int i = 0; i < 10; ++i)
    text += "INDEX 98 59:00:00\n";
  const TCueFile file = Parse(text);
  ASSERT_EQ(1u, file.Tracks.size());
  EXPECT_EQ(kMaxIndexes, file.Tracks[0]->IndexCount);
  EXPECT_EQ(77, file.Tracks[0]->Indexes[kMaxIndexes - 1].Number);
}

TEST(CuePositions, TracksOfOneImageFile) {
  // Two tracks in a 200,000,000-byte image; the second has 150 sectors of index 0.
  TCueFile file = Place("FILE DISC.BIN BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
                        "TRACK 02 AUDIO\nINDEX 00 10:00:00\nINDEX 01 10:02:00\n",
                        200000000);
  const TTrackImageData &t1 = *file.Tracks[0], &t2 = *file.Tracks[1];
  EXPECT_EQ("DISC.BIN", t1.FileName);
  EXPECT_EQ(0, t1.FileOffset);
  EXPECT_EQ(45000, t1.Sectors);
  EXPECT_EQ(105840000, t1.DataSize);
  EXPECT_EQ(105840000, t1.EndOffset);
  EXPECT_EQ(105840000, t2.FileOffset);
  EXPECT_TRUE(t2.Index0InFile);
  EXPECT_EQ(40034, t2.Sectors); // 94,160,000 / 2352 = 40034.01
  EXPECT_EQ(40034 * 2352, t2.DataSize);
  EXPECT_EQ(150, t2.Indexes[0].Length);
  EXPECT_EQ(40034 - 150, t2.Indexes[1].Length);
  EXPECT_EQ(0, t2.Indexes[0].Start);
  EXPECT_EQ(150, t2.Indexes[1].Start);
  EXPECT_EQ(105840000 + 150 * 2352, t2.Indexes[1].DataOffset);

  // Three indexes in a track of 500 sectors.
  file = Place("FILE DISC.BIN BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:01:00\n"
               "INDEX 02 00:03:00\n",
               500 * kSector);
  const TTrackImageData &t = *file.Tracks[0];
  EXPECT_EQ(500, t.Sectors);
  EXPECT_EQ((std::vector<int32_t>{75, 150, 275}),
            (std::vector<int32_t>{t.Indexes[0].Length, t.Indexes[1].Length, t.Indexes[2].Length}));
  EXPECT_EQ((std::vector<int32_t>{0, 75, 225}),
            (std::vector<int32_t>{t.Indexes[0].Start, t.Indexes[1].Start, t.Indexes[2].Start}));

  // A first track starting after the file's start reads from its first index.
  file = Place("FILE DISC.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:02:00\n", 1150 * kSector);
  EXPECT_EQ(150 * 2352, file.Tracks[0]->FileOffset);
  EXPECT_EQ(1000, file.Tracks[0]->Sectors);
  EXPECT_EQ(1150 * 2352, file.Tracks[0]->EndOffset);
}

TEST(CuePositions, LastTrackLengthRoundsHalvesToEven) {
  struct TCase {
    int64_t Numerator, Denominator, Want;
  };
  const TCase cases[] = {{3, 2, 2},   {5, 2, 2},   {7, 2, 4},
                         {-3, 2, -2}, {-5, 2, -2}, {4, 3, 1},
                         {5, 3, 2},   {0, 7, 0},   {2352 * 10 + 1176, 2352, 10}};
  for (const TCase &c : cases)
    EXPECT_EQ(c.Want, DivideRoundHalfEven(c.Numerator, c.Denominator))
        << c.Numerator << "/" << c.Denominator;
  const TCueFile file =
      Place("FILE D.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", 2352 * 11 + 1176);
  EXPECT_EQ(12, file.Tracks[0]->Sectors);
}

TEST(CuePositions, ContradictoryPositionsAreRefused) {
  const struct {
    const char *Text;
    int64_t Size;
  } cases[] = {
      {"FILE D.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:10:00\nTRACK 02 AUDIO\nINDEX 01 00:05:00\n"
       "TRACK 03 AUDIO\nINDEX 01 00:20:00\n",
       kSector * 2000},
      {"FILE D.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 10:00:00\n",
       kSector * 1000},
      {"FILE D.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 02 00:20:00\n", kSector * 1000},
      {"FILE D.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", 0},
      {"FILE D.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", int64_t{1} << 31},
  };
  for (const auto &c : cases) {
    TCueFile file = Parse(c.Text);
    EXPECT_THROW(PlaceCueTracks(file, "D.BIN", c.Size), ECueError) << c.Text;
  }
}

class CueImport : public ::testing::Test {
protected:
  TTempDir dir;
  TFakePlatform fake;
  platform::TPlatformOverride use{fake};
  std::vector<TTrackList> segments;

  std::string Cue(const std::string &text) {
    testsupport::WriteFile(dir.File("DISC.CUE"), text);
    return dir.File("DISC.CUE");
  }
  static std::string AbandonText() {
    return "Unable to find image file!  The operation to import tracks for this FILE command "
           "segment of the Cue has been aborted.";
  }
};

TEST_F(CueImport, ImageFilesAreFoundAsNamedInTheCueFolderOrByAsking) {
  // Names are upper-cased with the whole line, so "as named" is tried relative to an
  // upper-case folder under the current directory.
  testsupport::TTempDir other;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(other.Path());
  struct TRestore {
    std::filesystem::path Path;
    ~TRestore() { std::filesystem::current_path(Path); }
  } restore{previous};
  ASSERT_TRUE(platform::NativePlatform().CreateFolder(other.File("SUB")));
  MakeFile(other.File("SUB") + "/FAR.BIN", kSector * 20);
  MakeFile(dir.File("NEAR.BIN"), kSector * 10);
  MakeFile(other.File("CHOSEN.BIN"), kSector * 30);
  fake.DialogAnswers = {other.File("CHOSEN.BIN"), "", dir.File("GONE.BIN")};
  const std::string track = " BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
  const std::string cue = Cue("FILE \"sub\\far.bin\"" + track +                   // as named
                              "FILE \"X:\\NOWHERE\\NEAR.BIN\"" + track +          // cue folder
                              "FILE MISSING.BIN" + track +                        // dialog
                              "FILE LOST.BIN" + track + "FILE GONE.BIN" + track); // abandoned
  ASSERT_FALSE(ImportCueSheet(cue, segments));
  ASSERT_EQ(5u, segments.size());
  const int32_t want[] = {20, 10, 30};
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_EQ(1u, segments[i].size()) << i;
    EXPECT_EQ(want[i], segments[i][0]->Sectors) << i;
  }
  EXPECT_EQ(dir.File("NEAR.BIN"), segments[1][0]->FileName);
  EXPECT_EQ(other.File("CHOSEN.BIN"), segments[2][0]->FileName);
  EXPECT_TRUE(segments[3].empty() && segments[4].empty());
  EXPECT_EQ((std::vector<std::string>{"MISSING.BIN not found.  Please specify location.",
                                      "LOST.BIN not found.  Please specify location.",
                                      "GONE.BIN not found.  Please specify location."}),
            fake.DialogTitles);
  ASSERT_EQ(2u, fake.MessageBoxes.size());
  EXPECT_EQ(AbandonText(), fake.MessageBoxes[0].Text);
  EXPECT_EQ(AbandonText(), fake.MessageBoxes[1].Text);
}

TEST_F(CueImport, UnreadableMalformedAndEmptyCueSheets) {
  EXPECT_TRUE(ImportCueSheet(dir.File("NONE.CUE"), segments));
  ASSERT_EQ(1u, fake.MessageBoxes.size());
  EXPECT_EQ("Unable to load Cue file.  An error has trying to open " + dir.File("NONE.CUE") + ".",
            fake.MessageBoxes[0].Text);

  MakeFile(dir.File("A.BIN"), kSector * 10);
  fake.MessageBoxes.clear();
  EXPECT_TRUE(ImportCueSheet(Cue("FILE A.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                 "FILE B.BIN BINARY\nTRACK 02 AUDIO\nINDEX 01 0:00\n"),
                             segments));
  EXPECT_TRUE(segments.empty());
  EXPECT_TRUE(fake.DialogTitles.empty()); // nothing asked for a sheet that cannot be read
  ASSERT_EQ(1u, fake.MessageBoxes.size());
  EXPECT_EQ("Unable to import the Cue file " + dir.File("DISC.CUE") +
                ".  Line 6 (\"INDEX 01 0:00\"): \"0:00\" is not a valid time MM:SS:FF (seconds "
                "below 60, frames below 75).",
            fake.MessageBoxes[0].Text);

  fake.MessageBoxes.clear();
  for (const char *text : {"", "\r\n  \r\n", "REM ONLY A COMMENT\nTRACK 01 AUDIO\n"}) {
    EXPECT_FALSE(ImportCueSheet(Cue(text), segments)) << text;
    EXPECT_TRUE(segments.empty()) << text;
  }
  EXPECT_TRUE(fake.MessageBoxes.empty());
}

TEST_F(CueImport, NamesInAnyCaseAndEncodings) {
  MakeFile(dir.File("disc.bin"), kSector * 10);
  MakeFile(dir.File("Mixed Case.Bin"), kSector * 20);
  // Created under its Unicode name, which the ANSI functions cannot spell on every system.
  const std::filesystem::path unicode =
      std::filesystem::u8path(dir.File("Tr\xC3\xA4nen \xC3\x9C.bin"));
  std::filesystem::copy_file(dir.File("disc.bin"), unicode);
  std::filesystem::resize_file(unicode, kSector * 30);
  const std::string track = " BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
  struct TCase {
    const char *Name;
    std::string Text;
    bool Refused;
    int32_t Sectors; // of the one track, or 0 for none
  };
  const TCase cases[] = {
      {"lower case", "FILE \"disc.bin\"" + track, false, 10},
      {"mixed case", "FILE \"mixed case.BIN\"" + track, false, 20},
      {"UTF-8 with its mark",
       "\xEF\xBB\xBF"
       "FILE \"Tr\xC3\xA4nen \xC3\x9C.bin\"" +
           track,
       false, 30},
      {"UTF-16",
       std::string("\xFF\xFE"
                   "F\0I\0L\0E\0",
                   10),
       true, 0},
      {"no FILE line", "TRACK 01 AUDIO\nINDEX 01 00:00:00\n", false, 0},
  };
  for (const TCase &c : cases) {
    fake.MessageBoxes.clear();
    EXPECT_EQ(ImportCueSheet(Cue(c.Text), segments), c.Refused) << c.Name;
    ASSERT_EQ(fake.MessageBoxes.size(), c.Refused ? 1u : 0u) << c.Name;
    if (c.Refused) {
      EXPECT_NE(fake.MessageBoxes[0].Text.find("UTF-16"), std::string::npos);
    }
    if (c.Sectors == 0) {
      EXPECT_TRUE(segments.empty()) << c.Name;
      continue;
    }
    ASSERT_EQ(segments.size(), 1u) << c.Name;
    ASSERT_EQ(segments[0].size(), 1u) << c.Name;
    EXPECT_EQ(segments[0][0]->Sectors, c.Sectors) << c.Name;
  }
}

uint32_t gMp3Rate = 44100;
bool FakeMp3Sizer(const std::string &, int64_t &decodedBytes, uint32_t &sampleRate) {
  decodedBytes = kSector * 10 + 5;
  sampleRate = gMp3Rate;
  return false;
}

// A WAVE file: the RIFF header, a format chunk, a LIST chunk, then a data chunk of dataBytes.
std::string Wave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t dataBytes) {
  const auto le = [](uint32_t v, int n) {
    std::string b;
    for (int i = 0; i < n; ++i)
      b += static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
  };
  const std::string body = "WAVEfmt " + le(16, 4) + le(tag, 2) + le(channels, 2) + le(rate, 4) +
                           le(rate * channels * bits / 8, 4) + le(channels * bits / 8, 2) +
                           le(bits, 2) + "LIST" + le(3, 4) + "abc" + std::string(1, '\0') + "data" +
                           le(static_cast<uint32_t>(dataBytes), 4) + std::string(dataBytes, '\x11');
  return "RIFF" + le(static_cast<uint32_t>(body.size()), 4) + body;
}

// MP3 and WAVE files hold their tracks in their audio: the decoded length of an MP3 (the last
// sector padded), the data chunk of a WAVE; their names take the file system's spelling.
TEST_F(CueImport, Mp3AndWaveFilesHoldTheirTracksInTheirAudio) {
  MakeFile(dir.File("song.mp3"), 1000);
  const size_t dataAt = 12 + 8 + 16 + 8 + 4 + 8; // RIFF, fmt, LIST (padded to even), data header
  testsupport::WriteFile(dir.File("cd.wav"), Wave(1, 2, 44100, 16, kSector * 20));
  testsupport::WriteFile(dir.File("low.wav"), Wave(1, 2, 22050, 16, kSector * 20));
  testsupport::WriteFile(dir.File("mp3.wav"), Wave(85, 2, 44100, 0, 100));
  const std::string two = "TRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:00:04\n";
  struct TCase {
    std::string Text;
    uint32_t Rate;
    const char *Refusal; // in the box, or "" when imported
    std::string File;
    int32_t Offset2, Sectors2; // track 2
  };
  const TCase cases[] = {
      {"FILE \"SONG.MP3\" MP3\n" + two, 44100, "", dir.File("song.mp3"), 4 * 2352, 7},
      {"FILE \"CD.WAV\" WAVE\n" + two, 44100, "", dir.File("cd.wav"),
       static_cast<int32_t>(dataAt + 4 * kSector), 16},
      {"FILE \"SONG.MP3\" MP3\n" + two, 48000, "its audio has a sample rate of 48000 Hz", "", 0, 0},
      {"FILE \"SONG.MP3\" MP3\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", 44100,
       "TRACK 1 of the MP3 file SONG.MP3 is no AUDIO track", "", 0, 0},
      {"FILE \"LOW.WAV\" WAVE\n" + two, 44100, "2 channel(s) of 16 bits at 22050 Hz", "", 0, 0},
      {"FILE \"MP3.WAV\" WAVE\n" + two, 44100, "compressed (format 85)", "", 0, 0},
      {"FILE \"SONG.MP3\" WAVE\n" + two, 44100, "it is not a RIFF WAVE file", "", 0, 0},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Text);
    gMp3Rate = c.Rate;
    fake.MessageBoxes.clear();
    const bool refused = *c.Refusal != '\0';
    EXPECT_EQ(refused, ImportCueSheet(Cue(c.Text), segments, FakeMp3Sizer));
    if (refused) {
      ASSERT_EQ(1u, fake.MessageBoxes.size());
      EXPECT_NE(std::string::npos, fake.MessageBoxes[0].Text.find(c.Refusal))
          << fake.MessageBoxes[0].Text;
      continue;
    }
    ASSERT_EQ(1u, segments.size());
    ASSERT_EQ(2u, segments[0].size());
    const TTrackImageData &t2 = *segments[0][1];
    EXPECT_EQ(c.File, t2.FileName);
    EXPECT_EQ(c.Offset2, t2.FileOffset);
    EXPECT_EQ(c.Offset2, t2.Indexes[0].DataOffset);
    EXPECT_EQ(c.Sectors2, t2.Sectors);
  }
}

} // namespace
} // namespace layout

namespace layout {
namespace {

// Sheets whose track continues across a FILE line, and the refusals around them: per case the
// track numbers of each FILE and each track's index numbers and starts, or the line an error
// names.
TEST(CueJoining, TracksContinuedInTheNextFile) {
  struct TCase {
    const char *Name;
    const char *Text;
    const char *Want; // "FILE: TRACK index@start ...; ..." or "Line N"
  };
  const TCase cases[] = {
      {"gap appended to the previous file",
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 03:00:00\n"
       "FILE B.WAV WAVE\nINDEX 01 00:00:00\nTRACK 03 AUDIO\nINDEX 00 02:00:00\n"
       "FILE C.WAV WAVE\nINDEX 01 00:00:00\nINDEX 02 00:10:00\n",
       "A: 1 1@0; B: 2 1@0; C: 3 1@0 2@750"},
      {"index 01 after the next file's start", // the sectors before it are the track's index 0
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 03:00:00\n"
       "FILE B.WAV WAVE\nINDEX 01 00:01:00\nTRACK 03 AUDIO\nINDEX 01 01:00:00\n",
       "A: 1 1@0; B: 2 0@0 1@75 3 1@4500"},
      {"no index at all before the next file",
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
       "FILE B.WAV WAVE\nINDEX 01 00:00:00\n",
       "A: 1 1@0; B: 2 1@0"},
      {"one file", "FILE A.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", "A: 1 1@0"},
      {"last track without INDEX 01",
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 03:00:00\n",
       "Line 4"},
      {"next file starts with a TRACK",
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 03:00:00\n"
       "FILE B.WAV WAVE\nTRACK 03 AUDIO\nINDEX 01 00:00:00\n",
       "Line 4"},
      {"middle track without INDEX 01",
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 03:00:00\n"
       "TRACK 03 AUDIO\nINDEX 01 04:00:00\n",
       "Line 4"},
      {"INDEX before any TRACK", "FILE A.WAV WAVE\nINDEX 01 00:00:00\nTRACK 01 AUDIO\n", "Line 2"},
      {"INDEX opening a file after a complete track",
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
       "\nFILE B.WAV WAVE\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:10:00\n",
       "Line 6"},
      {"continued without INDEX 01",
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 03:00:00\n"
       "FILE B.WAV WAVE\nINDEX 02 00:00:00\n",
       "Line 7"},
      {"a file that holds only the pause",
       "FILE A.WAV WAVE\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nFILE B.WAV WAVE\nINDEX 01 00:00:00\n",
       "Line 2"},
  };
  for (const TCase &c : cases) {
    std::string got;
    try {
      for (const TCueFile &file : ParseCueSegments(ReadCueText(c.Text))) {
        got += (got.empty() ? "" : "; ") + file.Name.substr(0, 1) + ":";
        for (const auto &t : file.Tracks) {
          got += " " + std::to_string(t->TrackNumber);
          for (int32_t i = 0; i < t->UsedIndexes(); ++i)
            got += " " + std::to_string(t->Indexes[i].Number) + "@" +
                   std::to_string(t->Indexes[i].Start);
          EXPECT_EQ(t->Index0InFile, t->Indexes[0].Number == 0) << c.Name;
        }
      }
    } catch (const ECueError &e) {
      const std::string what = e.what();
      got = what.substr(0, what.find(' ', 5));
    }
    EXPECT_EQ(got, c.Want) << c.Name;
  }
}

} // namespace
} // namespace layout
