// The cue sheet a session-at-once recording begins with: what is accepted and what a drive
// refuses, and the layout of host and generated blocks it describes.
#include "tools/virtual-recorder/CueSheet.h"
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vrec;
using namespace vrectest;

namespace {

std::vector<uint8_t> TwoTracks() {
  return drive::AudioCueSheet({Audio(1000, 1, 150), Audio(500, 2, 150)});
}

// Byte b of cue sheet entry e.
uint8_t &Byte(std::vector<uint8_t> &sheet, size_t e, size_t b) { return sheet[e * 8 + b]; }

bool Parse(const std::vector<uint8_t> &sheet, TCueLayout &layout, TSense &sense, std::string &why) {
  return ParseCueSheet(sheet.data(), sheet.size(), 359849, layout, sense, why);
}

TEST(CueSheet, TwoAudioTracksWithPregaps) {
  TCueLayout layout;
  TSense sense;
  std::string why;
  ASSERT_TRUE(Parse(TwoTracks(), layout, sense, why)) << why;
  ASSERT_EQ(layout.Tracks.size(), 2u);
  EXPECT_EQ(layout.Tracks[0].PregapStart(), -150);
  EXPECT_EQ(layout.Tracks[0].Start(), 0);
  EXPECT_EQ(layout.Tracks[1].PregapStart(), 1000);
  EXPECT_EQ(layout.Tracks[1].Start(), 1150);
  EXPECT_EQ(layout.LeadOut, 1650);
  ASSERT_EQ(layout.Ranges.size(), 2u) << "one host range per track";
  EXPECT_EQ(layout.RangeAt(-150)->BlockSize, 2352u);
  EXPECT_EQ(layout.RangeAt(1149)->Track, 1u);
  EXPECT_EQ(layout.RangeAt(1650), nullptr);
  EXPECT_EQ(layout.RangeAt(-151), nullptr);
}

TEST(CueSheet, DataTrackWithGeneratedPregaps) {
  const std::vector<uint8_t> sheet = {
      0x41, 0,    0, 0x14, 0, 0, 0,  0,  // lead-in, Mode 1
      0x41, 1,    0, 0x14, 0, 0, 0,  0,  // pregap made by the recorder
      0x41, 1,    1, 0x10, 0, 0, 2,  0,  // 2048-byte user data from LBA 0
      0x01, 2,    0, 0x01, 0, 0, 12, 0,  // audio pause made by the recorder, LBA 750
      0x01, 2,    1, 0x00, 0, 0, 14, 0,  // LBA 900
      0x01, 0xAA, 1, 0x01, 0, 0, 20, 0}; // LBA 1350
  TCueLayout layout;
  TSense sense;
  std::string why;
  ASSERT_TRUE(Parse(sheet, layout, sense, why)) << why;
  ASSERT_EQ(layout.Ranges.size(), 4u);
  EXPECT_EQ(layout.RangeAt(-1)->BlockSize, 0u);
  EXPECT_EQ(layout.RangeAt(0)->BlockSize, 2048u);
  EXPECT_EQ(layout.RangeAt(750)->BlockSize, 0u);
  EXPECT_EQ(layout.RangeAt(900)->BlockSize, 2352u);
  EXPECT_EQ(layout.LeadOut, 1350);
}

TEST(CueSheet, RefusesWhatADriveRefuses) {
  using TEdit = std::function<void(std::vector<uint8_t> &)>;
  struct TCase {
    const char *What;
    TEdit Edit;
    uint8_t Asc;
  } cases[] = {
      {"partial entry", [](std::vector<uint8_t> &s) { s.pop_back(); }, 0x1A},
      {"empty", [](std::vector<uint8_t> &s) { s.clear(); }, 0x1A},
      {"no lead-in first", [](std::vector<uint8_t> &s) { Byte(s, 0, 1) = 1; }, 0x26},
      {"lead-in sent by the host", [](std::vector<uint8_t> &s) { Byte(s, 0, 3) = 0x00; }, 0x26},
      {"ADR 2", [](std::vector<uint8_t> &s) { Byte(s, 1, 0) = 0x02; }, 0x26},
      {"frame 75", [](std::vector<uint8_t> &s) { Byte(s, 2, 7) = 75; }, 0x26},
      {"time running back", [](std::vector<uint8_t> &s) { Byte(s, 3, 6) = 1; }, 0x26},
      {"track 3 after track 1", [](std::vector<uint8_t> &s) { Byte(s, 3, 1) = Byte(s, 4, 1) = 3; },
       0x26},
      {"index 2 after index 0", [](std::vector<uint8_t> &s) { Byte(s, 2, 2) = 2; }, 0x26},
      {"no lead-out", [](std::vector<uint8_t> &s) { s.resize(s.size() - 8); }, 0x26},
      {"entry after the lead-out",
       [](std::vector<uint8_t> &s) { s.insert(s.end(), s.end() - 8, s.end()); }, 0x26},
      {"first track without a pregap",
       [](std::vector<uint8_t> &s) { s.erase(s.begin() + 8, s.begin() + 16); }, 0x26},
      {"data bit on audio", [](std::vector<uint8_t> &s) { Byte(s, 2, 0) = 0x41; }, 0x26},
      {"lead-out past 79:59:74",
       [](std::vector<uint8_t> &s) {
         s[s.size() - 3] = 80;
         s[s.size() - 2] = s[s.size() - 1] = 0;
       },
       0x26},
      {"track data the recorder would make", [](std::vector<uint8_t> &s) { Byte(s, 2, 3) = 0x01; },
       0x26},
      {"SCMS byte 0x40", [](std::vector<uint8_t> &s) { Byte(s, 2, 4) = 0x40; }, 0x26},
      {"Mode 1 lead-out after audio", [](std::vector<uint8_t> &s) { s[s.size() - 5] = 0x14; },
       0x26},
      {"sub-channel data form", [](std::vector<uint8_t> &s) { Byte(s, 2, 3) = 0x40; }, 0x26},
      {"pregap of another mode",
       [](std::vector<uint8_t> &s) {
         Byte(s, 1, 0) = 0x41;
         Byte(s, 1, 3) = 0x10;
       },
       0x26},
  };
  for (const TCase &c : cases) {
    std::vector<uint8_t> sheet = TwoTracks();
    c.Edit(sheet);
    TCueLayout layout;
    TSense sense;
    std::string why;
    EXPECT_FALSE(Parse(sheet, layout, sense, why)) << c.What;
    EXPECT_EQ(sense.Key, 5) << c.What;
    EXPECT_EQ(sense.Asc, c.Asc) << c.What << ": " << why;
    EXPECT_TRUE(layout.Tracks.empty()) << c.What;
  }
}

} // namespace
