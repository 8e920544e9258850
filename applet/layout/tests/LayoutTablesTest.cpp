#include "applet/layout/LayoutTables.h"

#include <gtest/gtest.h>

#include <vector>

namespace layout {
namespace {

using TBytes = std::vector<uint8_t>;

TTrackImageData MakeTrack(TTrackMode mode, int32_t sectorSize, int32_t sectors,
                          int32_t pregap = 0) {
  TTrackImageData t;
  t.Mode = mode;
  t.SectorSize = sectorSize;
  t.Sectors = sectors;
  t.Pregap = pregap;
  t.IndexCount = 1;
  t.Indexes[0] = {1, 0, sectors, 0};
  return t;
}

std::vector<const TTrackImageData *> Pointers(const std::vector<TTrackImageData> &tracks) {
  std::vector<const TTrackImageData *> p;
  p.reserve(tracks.size());
  for (const TTrackImageData &t : tracks)
    p.push_back(&t);
  return p;
}

// A buffer with a guard area after the table's capacity.
struct TGuardedBuffer {
  static constexpr size_t kGuard = 64;
  static constexpr uint8_t kFill = 0xA5;
  TBytes Bytes = TBytes(kTableBufferSize + kGuard, kFill);
  bool GuardIntact() const {
    for (size_t i = kTableBufferSize; i < Bytes.size(); ++i)
      if (Bytes[i] != kFill)
        return false;
    return true;
  }
  bool TableZero() const {
    for (size_t i = 0; i < kTableBufferSize; ++i)
      if (Bytes[i] != 0)
        return false;
    return true;
  }
  TBytes Used(int32_t length) const { return TBytes(Bytes.begin(), Bytes.begin() + length); }
};

TEST(LeadInTable, OneAudioTrackWithTwoSecondPregap) {
  const std::vector<TTrackImageData> tracks = {MakeTrack(TTrackMode::Audio, 2352, 1000, 150)};
  TGuardedBuffer buf;
  TBuiltTable r;
  ASSERT_FALSE(
      BuildLeadInTable(Pointers(tracks), TDiscType::DaOrRom, buf.Bytes.data(), kTableBufferSize, r))
      << r.Error;
  const TBytes want = {
      0x01, 0, 0x01, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0, // track 1 at 00:02:00
      0x01, 0, 0xA0, 0, 0, 0, 0, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0, // first track 1
      0x01, 0, 0xA1, 0, 0, 0, 0, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0, // last track 1
      0x01, 0, 0xA2, 0, 0, 0, 0, 0x00, 0x15, 0x25, 0, 0, 0, 0, 0, 0, // lead-out 00:15:25
  };
  EXPECT_EQ(64, r.Length);
  EXPECT_EQ(want, buf.Used(r.Length));
  EXPECT_EQ(1000, r.Lba);
}

TEST(LeadInTable, DataTracksIndexZeroAndTheXaDiscType) {
  std::vector<TTrackImageData> tracks = {MakeTrack(TTrackMode::Mode2, 2336, 1000, 150),
                                         MakeTrack(TTrackMode::Audio, 2352, 500, 0)};
  tracks[1].Index0InFile = true;
  tracks[1].Indexes[0] = {0, 0, 150, 0};
  tracks[1].Indexes[1] = {1, 150, 350, 0};
  tracks[1].IndexCount = 2;
  tracks[1].Postgap = 600; // takes no room
  TGuardedBuffer buf;
  TBuiltTable r;
  ASSERT_FALSE(
      BuildLeadInTable(Pointers(tracks), TDiscType::Xa, buf.Bytes.data(), kTableBufferSize, r));
  const TBytes &b = buf.Bytes;
  // Track 1 at 00:02:00; track 2's index 1 follows its index 0 at 1000 + 150 = 00:17:25.
  EXPECT_EQ((TBytes{0x41, 0x01, 0x00, 0x02, 0x00}), (TBytes{b[0], b[2], b[7], b[8], b[9]}));
  EXPECT_EQ((TBytes{0x01, 0x02, 0x00, 0x17, 0x25}), (TBytes{b[16], b[18], b[23], b[24], b[25]}));
  EXPECT_EQ((TBytes{0x01, 0xA0, 0x01, 0x20}), (TBytes{b[32], b[34], b[39], b[40]}));
  EXPECT_EQ(0x02, b[48 + 7]);
  // The lead-out after 1500 sectors, without the postgap: 00:22:00.
  EXPECT_EQ((TBytes{0x00, 0x22, 0x00}), (TBytes{b[64 + 7], b[64 + 8], b[64 + 9]}));
  EXPECT_EQ(80, r.Length);
}

TEST(CueSheet, OneAudioTrackWithTwoSecondPregap) {
  const std::vector<TTrackImageData> tracks = {MakeTrack(TTrackMode::Audio, 2352, 1000, 150)};
  TGuardedBuffer buf;
  TBuiltTable r;
  ASSERT_FALSE(BuildCueSheet(Pointers(tracks), buf.Bytes.data(), kTableBufferSize, r)) << r.Error;
  const TBytes want = {
      0x01, 0x00, 0, 0x01, 0, 0, 0,  0,  // lead-in
      0x01, 0x01, 0, 0x00, 0, 0, 0,  0,  // pregap
      0x01, 0x01, 1, 0x00, 0, 0, 2,  0,  // index 1
      0x01, 0xAA, 1, 0x01, 0, 0, 15, 25, // lead-out, binary time
  };
  EXPECT_EQ(32, r.Length);
  EXPECT_EQ(want, buf.Used(r.Length));
}

TEST(CueSheet, IndexZeroFromTheFileJoinsThePregapEntry) {
  std::vector<TTrackImageData> tracks = {MakeTrack(TTrackMode::Audio, 2352, 1000, 75)};
  TTrackImageData &t = tracks[0];
  t.Index0InFile = true;
  t.Indexes[0] = {0, 0, 75, 0};
  t.Indexes[1] = {1, 75, 600, 0};
  t.Indexes[2] = {2, 675, 325, 0};
  t.IndexCount = 3;
  TGuardedBuffer buf;
  TBuiltTable r;
  ASSERT_FALSE(BuildCueSheet(Pointers(tracks), buf.Bytes.data(), kTableBufferSize, r));
  const TBytes want = {
      0x01, 0x00, 0, 0x01, 0, 0, 0,  0,  0x01, 0x01, 0, 0x00, 0, 0, 0,  0, // lead-in, pregap
      0x01, 0x01, 1, 0x00, 0, 0, 2,  0,  0x01, 0x01, 2, 0x00, 0, 0, 10, 0, // 150, 750 frames
      0x01, 0xAA, 1, 0x01, 0, 0, 14, 25,                                   // lead-out at 1075
  };
  EXPECT_EQ(want, buf.Used(r.Length));
}

TEST(CueSheet, DataFormsFollowModeAndSectorSize) {
  struct TCase {
    TTrackMode Mode;
    int32_t SectorSize;
    uint8_t CtlAdr, Lead, Data;
    const char *Error;
  };
  const TCase cases[] = {
      {TTrackMode::Audio, 2352, 0x01, 0x01, 0x00, ""},
      {TTrackMode::Audio, 2048, 0x01, 0x01, 0x00, ""},
      {TTrackMode::Mode1, 2048, 0x41, 0x14, 0x10, ""},
      {TTrackMode::Mode1, 2352, 0x41, 0x14, 0x11, ""},
      {TTrackMode::Mode2, 2336, 0x41, 0x24, 0x20, ""},
      {TTrackMode::Mode2, 2352, 0x41, 0x24, 0x21, ""},
      {TTrackMode::Mode1, 2336, 0, 0, 0, "Illegal BPS detected for Mode 1 track"},
      {TTrackMode::Mode2, 2048, 0, 0, 0, "Illegal BPS detected for Mode 2 track"},
  };
  for (const TCase &c : cases) {
    const std::vector<TTrackImageData> tracks = {MakeTrack(c.Mode, c.SectorSize, 300, 150)};
    TGuardedBuffer buf;
    TBuiltTable r;
    const bool failed = BuildCueSheet(Pointers(tracks), buf.Bytes.data(), kTableBufferSize, r);
    const std::string what =
        std::string(TrackModeText(c.Mode)) + "/" + std::to_string(c.SectorSize);
    EXPECT_EQ(*c.Error != '\0', failed) << what;
    EXPECT_EQ(c.Error, r.Error) << what;
    if (failed) {
      EXPECT_TRUE(buf.TableZero()) << what;
      EXPECT_EQ(0, r.Length) << what;
      continue;
    }
    const uint8_t *b = buf.Bytes.data();
    EXPECT_EQ((TBytes{c.CtlAdr, c.Lead, c.CtlAdr, c.Data, c.Data, c.CtlAdr, c.Lead}),
              (TBytes{b[0], b[3], b[8], b[11], b[19], b[24], b[27]}))
        << what;
  }
}

TEST(Tables, LayoutsBeyondTheBufferOrTheDiscFailWithoutWritingPastIt) {
  struct TCase {
    const char *Name;
    int Tracks;
    int IndexesPerTrack;
    int32_t Sectors;
    bool LeadInFits, CueSheetFits;
  };
  const TCase cases[] = {
      {"61 tracks fill the lead-in table", 61, 1, 300, true, true},
      {"62 tracks do not fit it", 62, 1, 300, false, true},
      {"128 entries fill the cue sheet", 2, 62, 300, true, true},
      {"130 entries do not fit it", 2, 63, 300, true, false},
      {"more than 99 tracks", 100, 1, 300, false, false},
      {"longer than 99:59:74", 2, 1, 230000, false, false},
      {"no tracks", 0, 1, 300, false, false},
  };
  for (const TCase &c : cases) {
    std::vector<TTrackImageData> tracks;
    for (int i = 0; i < c.Tracks; ++i) {
      TTrackImageData t = MakeTrack(TTrackMode::Audio, 2352, c.Sectors, 150);
      t.IndexCount = c.IndexesPerTrack;
      for (int j = 0; j < c.IndexesPerTrack; ++j)
        t.Indexes[j] = {j + 1, j, j + 1 < c.IndexesPerTrack ? 1 : c.Sectors - j, 0};
      tracks.push_back(t);
    }
    TGuardedBuffer leadIn, cue;
    TBuiltTable r1, r2;
    const bool leadInFailed = BuildLeadInTable(Pointers(tracks), TDiscType::DaOrRom,
                                               leadIn.Bytes.data(), kTableBufferSize, r1);
    const bool cueFailed = BuildCueSheet(Pointers(tracks), cue.Bytes.data(), kTableBufferSize, r2);
    EXPECT_EQ(!c.LeadInFits, leadInFailed) << c.Name << ": " << r1.Error;
    EXPECT_EQ(!c.CueSheetFits, cueFailed) << c.Name << ": " << r2.Error;
    EXPECT_EQ(leadInFailed, !r1.Error.empty()) << c.Name;
    EXPECT_EQ(cueFailed, !r2.Error.empty()) << c.Name;
    EXPECT_TRUE(leadIn.GuardIntact() && cue.GuardIntact()) << c.Name;
    EXPECT_TRUE(!leadInFailed || leadIn.TableZero()) << c.Name;
    EXPECT_TRUE(!cueFailed || cue.TableZero()) << c.Name;
  }
}

} // namespace
} // namespace layout
