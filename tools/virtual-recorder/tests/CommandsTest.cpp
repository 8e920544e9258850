// The device commands outside recording: identification, readiness, the tray, the mode pages,
// speed and power calibration, and the commands a device does not have.
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

using namespace vrec;
using namespace vrectest;
using drive::TData;

namespace {

std::string SenseOf(const drive::TOutcome &o) {
  char text[16];
  std::snprintf(text, sizeof text, "%X/%02X/%02X", unsigned{o.Sense.Key}, unsigned{o.Sense.Asc},
                unsigned{o.Sense.Ascq});
  return o.Ok() ? "GOOD" : o.TargetStatus == 8 ? "BUSY" : text;
}

// A write parameters page as a host sends it: header + the recorder's own page, changed.
std::vector<uint8_t> WritePage(uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b8 = 0) {
  std::vector<uint8_t> answer;
  EXPECT_TRUE(drive::THost(drive::InProcessEntry(), 0, 0).ModeSense(5, 0x80, answer).Ok());
  std::vector<uint8_t> list(answer.begin(), answer.begin() + 8 + 2 + answer[9]);
  std::fill(list.begin(), list.begin() + 8, 0);
  list[10] = b2;
  list[11] = b3;
  list[12] = b4;
  list[16] = b8;
  return list;
}

drive::TOutcome Select(std::vector<uint8_t> list, uint8_t byte1 = 0x10) {
  return Send({0x55, byte1, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(list.size()), 0}, TData::Out,
              list);
}

TEST(Commands, InquiryIdentifiesTheDevice) {
  TRig rig("[device.0]\ncompletion = sync\nvendor = ACME\nproduct = BURNER 9000\nrevision = 2.5\n"
           "[device.1]\nkind = other\ncompletion = sync\n");
  std::vector<uint8_t> a;
  ASSERT_TRUE(rig.Host().Inquiry(a).Ok());
  EXPECT_EQ(a[0], 0x05);
  EXPECT_EQ(a[1], 0x80);
  EXPECT_EQ(std::string(a.begin() + 8, a.end()), "ACME    BURNER 9000     2.5 ");
  ASSERT_TRUE(rig.Host(0, 1).Inquiry(a).Ok());
  EXPECT_EQ(a[0], 0x00);
  EXPECT_EQ(SenseOf(Send({0x12, 1, 0x80, 0, 36, 0}, TData::In, a)), "5/24/00");
  EXPECT_EQ(SenseOf(rig.Host(0, 1).StartStop(2)), "5/20/00") << "another device has no tray";
}

TEST(Commands, TestUnitReadyFollowsTrayAndMedium) {
  struct TCase {
    const char *Section;
    const char *Expected;
  } cases[] = {
      {"medium = blank\n", "GOOD"},   {"medium = audio\n", "GOOD"},
      {"medium = none\n", "2/3A/01"}, {"medium = blank\ntray = open\n", "2/3A/02"},
      {"kind = reader\n", "GOOD"},
  };
  for (const TCase &c : cases) {
    TRig rig(std::string(kRecorder) + c.Section);
    EXPECT_EQ(SenseOf(rig.Host().TestUnitReady()), c.Expected) << c.Section;
  }
}

TEST(Commands, StartStopMovesTheTray) {
  TRig rig(std::string(kRecorder) + "tray = open\n");
  drive::THost host = rig.Host();
  EXPECT_TRUE(rig.Device().TrayOpen());
  EXPECT_EQ(SenseOf(host.StartStop(1)), "2/3A/02") << "nothing to spin with the tray out";
  EXPECT_TRUE(host.StartStop(3).Ok());
  EXPECT_FALSE(rig.Device().TrayOpen());
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "6/28/00") << "a loaded disc is a new disc";
  EXPECT_TRUE(host.TestUnitReady().Ok());
  EXPECT_TRUE(host.StartStop(0).Ok());
  EXPECT_TRUE(host.StartStop(1).Ok());
  EXPECT_TRUE(host.StartStop(2).Ok());
  EXPECT_TRUE(rig.Device().TrayOpen());
  EXPECT_TRUE(host.StartStop(2).Ok()) << "ejecting an open tray does nothing";
  std::vector<uint8_t> none;
  EXPECT_EQ(SenseOf(Send({0x1B, 0, 0, 0, 0x12, 0}, TData::None, none)), "5/24/00");
  EXPECT_NE(rig.Journal().find("| START STOP UNIT eject | GOOD"), std::string::npos);
}

TEST(Commands, CapabilitiesPageCarriesTheConfiguredSpeeds) {
  TRig rig(std::string(kRecorder) + "max_write_kbps = 1411\nmax_read_kbps = 5645\n"
                                    "capabilities_page_length = 24\n");
  drive::THost host = rig.Host();
  std::vector<uint8_t> a;
  ASSERT_TRUE(host.ModeSense(0x2A, 0x80, a).Ok());
  EXPECT_EQ(Get16(a.data()), 6 + 26);
  const uint8_t *p = &a[8];
  EXPECT_EQ(p[0], 0x2A);
  EXPECT_EQ(p[1], 24);
  EXPECT_EQ(p[3], 0x05) << "writes CD-R, test write";
  EXPECT_EQ(Get16(p + 8), 5645);
  EXPECT_EQ(Get16(p + 18), 1411);
  ASSERT_TRUE(
      host.Exec({0xBB, 0, 0x0B, 0x06, 0x02, 0xC4, 0, 0, 0, 0, 0, 0}, TData::None, nullptr, 0).Ok());
  ASSERT_TRUE(host.ModeSense(0x2A, 0x00, a).Ok());
  EXPECT_EQ(Get16(&a[8 + 14]), 2822) << "16x read chosen below 2827";
  EXPECT_EQ(Get16(&a[8 + 20]), 706) << "4x write chosen below 708";
  ASSERT_TRUE(host.ModeSense(0x2A, 0x80, a).Ok());
  EXPECT_EQ(Get16(&a[8 + 20]), 1411) << "defaults stay the maximum";
  ASSERT_TRUE(host.ModeSense(0x2A, 0x40, a).Ok());
  EXPECT_EQ(a[8 + 3], 0) << "nothing is changeable";
  EXPECT_EQ(SenseOf(host.ModeSense(0x2A, 0xC0, a)), "5/39/00");
  EXPECT_EQ(SenseOf(host.ModeSense(0x0E, 0x00, a)), "5/24/00");
  EXPECT_EQ(SenseOf(host.Exec({0xBB, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, TData::None,
                              nullptr, 0)),
            "5/24/00");
}

TEST(Commands, AllPagesAndTheReadersPages) {
  TRig rig(std::string(kRecorder) + "[device.1]\nkind = reader\ncompletion = sync\n");
  std::vector<uint8_t> a;
  ASSERT_TRUE(rig.Host().ModeSense(0x3F, 0, a).Ok());
  EXPECT_EQ(a[8], 0x05);
  EXPECT_EQ(a[8 + 2 + 0x32], 0x2A);
  drive::THost reader = rig.Host(0, 1);
  ASSERT_TRUE(reader.ModeSense(0x2A, 0x80, a).Ok());
  EXPECT_EQ(a[8 + 3], 0) << "a reader writes nothing";
  EXPECT_EQ(SenseOf(reader.ModeSense(0x05, 0x80, a)), "5/24/00");
  EXPECT_EQ(SenseOf(reader.Exec({0x2A, 0, 0, 0, 0, 0, 0, 0, 0, 0}, TData::Out, nullptr, 0)),
            "5/20/00");
}

TEST(Commands, ModeSelectChecksTheWriteParameters) {
  TRig rig(std::string(kRecorder) + "write_types = sao, tao\n");
  struct TCase {
    const char *What;
    uint8_t B2, B3, B4, B8;
    const char *Expected;
  } cases[] = {
      {"session-at-once audio, test", 0x12, 0x00, 0x00, 0x00, "GOOD"},
      {"track-at-once Mode 1", 0x01, 0x04, 0x08, 0x00, "GOOD"},
      {"track-at-once Mode 2 XA, multi-session", 0x01, 0xC4, 0x0D, 0x20, "GOOD"},
      {"raw is not among the write types", 0x03, 0x00, 0x01, 0x00, "5/26/00"},
      {"packet writing", 0x00, 0x00, 0x08, 0x00, "5/26/00"},
      {"audio blocks on a data track", 0x01, 0x04, 0x00, 0x00, "5/26/00"},
      {"data blocks on an audio track", 0x02, 0x00, 0x08, 0x00, "5/26/00"},
      {"raw data block type outside raw", 0x02, 0x00, 0x01, 0x00, "5/26/00"},
      {"reserved data block type", 0x02, 0x00, 0x05, 0x00, "5/26/00"},
      {"reserved multi-session value", 0x01, 0x84, 0x08, 0x00, "5/26/00"},
      {"fixed packets", 0x01, 0x24, 0x08, 0x00, "5/26/00"},
      {"unknown session format", 0x01, 0x04, 0x08, 0x30, "5/26/00"},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(SenseOf(Select(WritePage(c.B2, c.B3, c.B4, c.B8))), c.Expected) << c.What;

  std::vector<uint8_t> list = WritePage(0x02, 0, 0);
  EXPECT_EQ(SenseOf(Select(list, 0x00)), "5/24/00") << "page format bit";
  EXPECT_EQ(SenseOf(Select(list, 0x11)), "5/24/00") << "save pages";
  list[8] = 0x85;
  EXPECT_EQ(SenseOf(Select(list)), "5/26/00") << "PS bit";
  list[8] = 0x05;
  list[9] = 0x36;
  EXPECT_EQ(SenseOf(Select(list)), "5/1A/00") << "page running past the list";
  list[9] = 0x32;
  list[8] = 0x0E;
  EXPECT_EQ(SenseOf(Select(list)), "5/26/00") << "another page";
  list.resize(6);
  EXPECT_EQ(SenseOf(Select(list)), "5/1A/00") << "shorter than the header";

  ASSERT_TRUE(Select(WritePage(0x12, 0x00, 0x00)).Ok());
  std::vector<uint8_t> a;
  ASSERT_TRUE(rig.Host().ModeSense(5, 0, a).Ok());
  EXPECT_EQ(a[10], 0x12) << "the current page is the one selected";
  ASSERT_TRUE(rig.Host().ModeSense(5, 0x80, a).Ok());
  EXPECT_EQ(a[10], 0x01) << "the default stays track-at-once";
  EXPECT_NE(rig.Journal().find("write type 2 (session-at-once), test write, data block type 0"),
            std::string::npos);
}

TEST(Commands, PowerCalibationNeedsAWritableDisc) {
  TRig rig(std::string(kRecorder) + "[device.1]\nmedium = audio\ncompletion = sync\n");
  std::vector<uint8_t> none;
  EXPECT_TRUE(rig.Host().Exec({0x54, 1, 0, 0, 0, 0, 0, 0, 0, 0}, TData::None, nullptr, 0).Ok());
  EXPECT_EQ(SenseOf(rig.Host().Exec({0x54, 1, 0, 0, 0, 0, 0, 0, 8, 0}, TData::Out, nullptr, 0)),
            "5/24/00");
  EXPECT_EQ(
      SenseOf(rig.Host(0, 1).Exec({0x54, 1, 0, 0, 0, 0, 0, 0, 0, 0}, TData::None, nullptr, 0)),
      "5/30/05");
}

TEST(Commands, UnknownOperationCodesAreRefused) {
  TRig rig(kRecorder);
  for (uint8_t opcode : {0x03, 0x28, 0x25, 0xBE, 0xA1}) {
    std::vector<uint8_t> buffer(16);
    std::vector<uint8_t> cdb(opcode >= 0xA0 ? 12 : opcode >= 0x20 ? 10 : 6, 0);
    cdb[0] = opcode;
    EXPECT_EQ(SenseOf(Send(cdb, TData::In, buffer)), "5/20/00") << int{opcode};
  }
  EXPECT_EQ(CountLines(rig.Journal(), "CHECK CONDITION 5/20/00"), 5);
}

} // namespace
