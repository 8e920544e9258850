// What the disc information, track information and TOC commands answer for each medium.
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

using namespace vrec;
using namespace vrectest;
using drive::TData;

namespace {

const char kPressed[] = "[device.0]\ncompletion = sync\nmedium = audio\n"
                        "audio_tracks = 1000, 500, 250\n";

std::string SenseOf(const drive::TOutcome &o) {
  char text[16];
  std::snprintf(text, sizeof text, "%X/%02X/%02X", unsigned{o.Sense.Key}, unsigned{o.Sense.Asc},
                unsigned{o.Sense.Ascq});
  return o.Ok() ? "GOOD" : text;
}

drive::TOutcome ReadTocLegacy(uint8_t byte9, std::vector<uint8_t> &a) {
  a.assign(1024, 0);
  return Send({0x43, 0, 0, 0, 0, 0, 0, 4, 0, byte9}, TData::In, a);
}

TEST(ReadCommands, DiscInformationOfEachMedium) {
  struct TCase {
    const char *Section;
    uint8_t Status, LastTrack;
    int32_t LeadIn;
  } cases[] = {
      {"medium = blank\n", 0x00, 1, -11634},
      {"medium = audio\naudio_tracks = 100, 200\n", 0x0E, 2, 0},
  };
  for (const TCase &c : cases) {
    TRig rig(std::string(kRecorder) + c.Section);
    std::vector<uint8_t> a;
    ASSERT_TRUE(rig.Host().ReadDiscInfo(a).Ok()) << c.Section;
    EXPECT_EQ(Get16(a.data()), 32);
    EXPECT_EQ(a[2], c.Status) << c.Section;
    EXPECT_EQ(a[6], c.LastTrack) << c.Section;
    if (c.LeadIn != 0) {
      EXPECT_EQ(MsfToLba({a[17], a[18], a[19]}), c.LeadIn);
      EXPECT_EQ(MsfToLba({a[21], a[22], a[23]}), 359849) << "79:59:74";
    } else {
      EXPECT_EQ(Get32(&a[16]), 0xFFFFFFFFu) << "no next session";
    }
    EXPECT_EQ(a[34], 0) << "34 bytes only";
  }
  std::vector<uint8_t> a(100);
  TRig rig(kRecorder);
  EXPECT_EQ(SenseOf(Send({0x51, 1, 0, 0, 0, 0, 0, 0, 100, 0}, TData::In, a)), "5/24/00");
}

TEST(ReadCommands, TrackInformationOfTheInvisibleAndRecordedTracks) {
  {
    TRig rig(kRecorder);
    std::vector<uint8_t> a;
    ASSERT_TRUE(rig.Host().ReadTrackInfo(255, a).Ok());
    EXPECT_EQ(a[2], 1);
    EXPECT_EQ(a[6] & 0x40, 0x40) << "blank";
    EXPECT_EQ(a[7] & 0x01, 0x01) << "next writable address valid";
    EXPECT_EQ(Get32(&a[8]), 0u);
    EXPECT_EQ(Get32(&a[12]), 0u);
    EXPECT_EQ(Get32(&a[16]), 359849u);
    EXPECT_EQ(SenseOf(rig.Host().ReadTrackInfo(2, a)), "5/24/00");
  }
  TRig rig(kPressed);
  std::vector<uint8_t> a;
  EXPECT_EQ(SenseOf(rig.Host().ReadTrackInfo(255, a)), "5/24/00") << "nothing left to write";
  ASSERT_TRUE(rig.Host().ReadTrackInfo(2, a).Ok());
  EXPECT_EQ(Get32(&a[8]), 1000u);
  EXPECT_EQ(Get32(&a[24]), 500u);
  a.assign(100, 0);
  ASSERT_TRUE(Send({0x52, 0, 0, 0, 0x05, 0xDC, 0, 0, 100, 0}, TData::In, a).Ok()) << "LBA 1500";
  EXPECT_EQ(a[2], 3);
}

TEST(ReadCommands, TocFormatsOfAPressedDisc) {
  TRig rig(kPressed);
  drive::THost host = rig.Host();
  std::vector<uint8_t> a;
  ASSERT_TRUE(host.ReadToc(0, false, 0, a).Ok());
  EXPECT_EQ(Get16(a.data()), 2 + 4 * 8);
  EXPECT_EQ(a[2], 1);
  EXPECT_EQ(a[3], 3);
  EXPECT_EQ(a[4 + 1], 0x10) << "ADR 1, audio";
  EXPECT_EQ(Get32(&a[4 + 8 + 4]), 1000u);
  EXPECT_EQ(a[4 + 24 + 2], 0xAA);
  EXPECT_EQ(Get32(&a[4 + 24 + 4]), 1750u);

  ASSERT_TRUE(host.ReadToc(0, true, 2, a).Ok());
  EXPECT_EQ(Get16(a.data()), 2 + 3 * 8) << "from track 2 on";
  EXPECT_EQ(Get32(&a[4 + 4]), 0x00000F19u) << "00:15:25 = LBA 1000";
  EXPECT_EQ(SenseOf(host.ReadToc(0, false, 4, a)), "5/24/00");

  ASSERT_TRUE(host.ReadToc(1, false, 0, a).Ok());
  EXPECT_EQ(Get16(a.data()), 10);
  EXPECT_EQ(a[4 + 2], 1);

  ASSERT_TRUE(host.ReadToc(2, false, 0, a).Ok());
  EXPECT_EQ(Get16(a.data()), 2 + 6 * 11);
  const uint8_t *a2 = &a[4 + 2 * 11];
  EXPECT_EQ(a2[3], 0xA2);
  EXPECT_EQ(MsfToLba({a2[8], a2[9], a2[10]}), 1750);

  std::vector<uint8_t> legacy;
  ASSERT_TRUE(ReadTocLegacy(0x80, legacy).Ok());
  EXPECT_EQ(legacy, a) << "byte 9 form of the full TOC";
  ASSERT_TRUE(ReadTocLegacy(0x40, legacy).Ok());
  EXPECT_EQ(Get16(legacy.data()), 10) << "byte 9 form of the session information";
  EXPECT_EQ(SenseOf(ReadTocLegacy(0xC0, legacy)), "5/24/00");
  EXPECT_EQ(SenseOf(host.ReadToc(4, false, 0, a)), "5/24/00") << "pressed discs have no ATIP";
  EXPECT_EQ(SenseOf(host.ReadToc(3, false, 0, a)), "5/24/00");
}

TEST(ReadCommands, ABlankDiscHasATipButNoToc) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  std::vector<uint8_t> a;
  for (uint8_t format : {0, 1, 2})
    EXPECT_EQ(SenseOf(host.ReadToc(format, false, 0, a)), "5/24/00") << int{format};
  EXPECT_EQ(SenseOf(ReadTocLegacy(0x80, a)), "5/24/00");
  ASSERT_TRUE(host.ReadToc(4, false, 0, a).Ok());
  EXPECT_EQ(MsfToLba({a[8], a[9], a[10]}), -11634);
  EXPECT_EQ(MsfToLba({a[12], a[13], a[14]}), 359849);
}

TEST(ReadCommands, NoMediumMeansNotReady) {
  TRig rig(std::string(kRecorder) + "medium = none\n");
  drive::THost host = rig.Host();
  std::vector<uint8_t> a;
  EXPECT_EQ(SenseOf(host.ReadDiscInfo(a)), "2/3A/01");
  EXPECT_EQ(SenseOf(host.ReadTrackInfo(255, a)), "2/3A/01");
  EXPECT_EQ(SenseOf(host.ReadToc(2, false, 0, a)), "2/3A/01");
  EXPECT_TRUE(host.ModeSense(0x2A, 0x80, a).Ok()) << "mode pages need no disc";
}

} // namespace
