// Session-at-once: cue sheet, then every block it describes in order; the disc image and the
// recorded disc that result, and the sequence errors a drive reports.
#include "tools/virtual-recorder/SectorCodec.h"
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
  return o.Ok() ? "GOOD" : o.HaStatus != 0 ? "HA" : text;
}

TEST(Sao, TwoTracksMakeAnImageAndARecordedDisc) {
  TRig rig(kRecorder);
  const std::vector<drive::TAudioTrack> tracks = {Audio(400, 1), Audio(333, 2)};
  drive::THost host = rig.Host();
  std::string error;
  ASSERT_TRUE(drive::RecordSao(host, tracks, false, error)) << error;
  const std::string bin = testsupport::ReadFile(rig.File("disc.bin"));
  std::string expected(tracks[0].Data.begin(), tracks[0].Data.end());
  expected.append(150 * kSectorSize, '\0');
  expected.append(tracks[1].Data.begin(), tracks[1].Data.end());
  EXPECT_TRUE(bin == expected) << "LBA 0 to the lead-out, the pause as silence";
  EXPECT_EQ(testsupport::ReadFile(rig.File("disc.cue")),
            "FILE \"disc.bin\" BINARY\n"
            "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    INDEX 00 00:05:25\n    INDEX 01 00:07:25\n");
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Complete);
  std::vector<uint8_t> a;
  ASSERT_TRUE(host.ReadToc(0, false, 0, a).Ok());
  EXPECT_EQ(Get32(&a[4 + 8 + 4]), 550u);
  EXPECT_EQ(Get32(&a[4 + 16 + 4]), 883u) << "lead-out";
  EXPECT_EQ(SenseOf(host.ReadTrackInfo(255, a)), "5/24/00") << "the session is closed";
  EXPECT_EQ(CountLines(rig.Journal(), "session-at-once recording complete: 2 track(s)"), 1);
  EXPECT_EQ(SenseOf(host.SendCueSheet(drive::AudioCueSheet(tracks))), "5/30/05");
}

TEST(Sao, TestWriteRecordsNothing) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  std::string error;
  ASSERT_TRUE(drive::RecordSao(host, {Audio(300, 1)}, true, error)) << error;
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Blank);
  EXPECT_TRUE(testsupport::ReadFile(rig.File("disc.bin")).empty());
  EXPECT_EQ(CountLines(rig.Journal(), "test write complete: nothing recorded"), 1);
  ASSERT_TRUE(drive::RecordSao(host, {Audio(300, 1)}, false, error)) << "still blank: " << error;
}

TEST(Sao, WritesMustFollowTheCueSheet) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  const std::vector<drive::TAudioTrack> tracks = {Audio(100, 1)};
  std::vector<uint8_t> block(27 * kSectorSize);
  ASSERT_TRUE(host.SetWriteParams(2, 0, 0, false).Ok());
  EXPECT_EQ(SenseOf(host.Write10(-150, 1, block.data(), 2352)), "5/2C/00") << "no cue sheet";
  ASSERT_TRUE(host.SendCueSheet(drive::AudioCueSheet(tracks)).Ok());
  EXPECT_EQ(SenseOf(host.Write10(0, 1, block.data(), 2352)), "5/21/02") << "starts at -150";
  EXPECT_EQ(SenseOf(host.Write10(-150, 2, block.data(), 2352)), "HA") << "short buffer";
  EXPECT_EQ(SenseOf(host.Write10(-150, 1, block.data(), 2048)), "HA") << "wrong block size";
  ASSERT_TRUE(host.Write10(-150, 27, block.data(), 27 * 2352).Ok());
  EXPECT_EQ(SenseOf(host.Write10(-150, 27, block.data(), 27 * 2352)), "5/21/02") << "repeat";
  EXPECT_EQ(SenseOf(host.SetWriteParams(2, 0, 0, false)), "5/2C/00") << "parameters locked";
  EXPECT_EQ(SenseOf(host.SendCueSheet(drive::AudioCueSheet(tracks))), "5/2C/00");
  for (int32_t lba = -123; lba < 93; lba += 27)
    ASSERT_TRUE(host.Write10(lba, 27, block.data(), 27 * 2352).Ok()) << lba;
  EXPECT_EQ(SenseOf(host.Write10(93, 8, block.data(), 8 * 2352)), "5/21/00") << "lead-out";
  EXPECT_EQ(SenseOf(host.Write10(93, 7, block.data(), 6 * 2352)), "HA");
  EXPECT_EQ(SenseOf(host.Write10(93, 7, nullptr, 0)), "HA");
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Blank);
  ASSERT_TRUE(host.Write10(93, 7, block.data(), 7 * 2352).Ok());
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Complete);
  EXPECT_TRUE(host.SyncCache().Ok());
}

TEST(Sao, CueSheetNeedsSessionAtOnceAndABlankDisc) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  const std::vector<uint8_t> sheet = drive::AudioCueSheet({Audio(300, 1)});
  EXPECT_EQ(SenseOf(host.SendCueSheet(sheet)), "5/2C/00") << "default write type is TAO";
  ASSERT_TRUE(host.SetWriteParams(2, 0, 0, false).Ok());
  std::vector<uint8_t> bad = sheet;
  bad[8 * 2 + 7] = 80;
  EXPECT_EQ(SenseOf(host.SendCueSheet(bad)), "5/26/00");
  EXPECT_NE(rig.Journal().find("cue sheet: entry 3: invalid absolute time"), std::string::npos);
  ASSERT_TRUE(host.SendCueSheet(sheet).Ok());
  ASSERT_TRUE(host.SetWriteParams(2, 0, 0, false).Ok());
  std::vector<uint8_t> block(kSectorSize);
  EXPECT_EQ(SenseOf(host.Write10(-150, 1, block.data(), 2352)), "5/2C/00")
      << "new write parameters discard the cue sheet";
  EXPECT_NE(rig.Journal().find("01 00 00 01 00 00 00 00 / 01 01 00 00 00 00 00 00"),
            std::string::npos)
      << "the journal shows the cue sheet";
}

TEST(Sao, DataTrackSectorsAreBuiltWithGeneratedPregaps) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  const std::vector<uint8_t> sheet = {
      0x41, 0, 0, 0x14, 0, 0, 0, 0, 0x41, 1,    0, 0x14, 0, 0, 0, 0,
      0x41, 1, 1, 0x10, 0, 0, 2, 0, 0x41, 0xAA, 1, 0x14, 0, 0, 6, 0}; // 300 blocks of Mode 1
  ASSERT_TRUE(host.SetWriteParams(2, 8, 4, false).Ok());
  ASSERT_TRUE(host.SendCueSheet(sheet).Ok());
  std::vector<uint8_t> user(size_t{31} * 2048, 0x5A);
  std::vector<uint8_t> b;
  EXPECT_EQ(SenseOf(host.Write10(-150, 1, user.data(), 2048)), "5/21/02") << "pregap is made";
  for (int32_t lba = 0; lba < 300; lba += 30)
    ASSERT_TRUE(host.Write10(lba, 30, user.data(), 30 * 2048).Ok()) << lba;
  const std::string bin = testsupport::ReadFile(rig.File("disc.bin"));
  ASSERT_EQ(bin.size(), 300 * kSectorSize);
  const auto *s = reinterpret_cast<const uint8_t *>(bin.data()) + 299 * kSectorSize;
  EXPECT_EQ(s[1], 0xFF);
  EXPECT_EQ(s[12], 0x00);
  EXPECT_EQ(s[13], 0x05);
  EXPECT_EQ(s[14], 0x74) << "LBA 299 is 00:05:74";
  EXPECT_EQ(s[15], 1);
  EXPECT_EQ(s[16], 0x5A);
  EXPECT_EQ(s[2063], 0x5A);
  const uint32_t edc = s[2064] | s[2065] << 8 | s[2066] << 16 | uint32_t{s[2067]} << 24;
  EXPECT_EQ(edc, ComputeEdc(s, 2064));
  EXPECT_NE(testsupport::ReadFile(rig.File("disc.cue")).find("TRACK 01 MODE1/2352"),
            std::string::npos);
}

} // namespace
