// Track-at-once: each track at the next writable address, closed by SYNCHRONIZE CACHE; the
// session closed by CLOSE SESSION; the recorder's own pauses between tracks.
#include "tools/virtual-recorder/SectorCodec.h"
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

using namespace vrec;
using namespace vrectest;

namespace {

std::string SenseOf(const drive::TOutcome &o) {
  char text[16];
  std::snprintf(text, sizeof text, "%X/%02X/%02X", unsigned{o.Sense.Key}, unsigned{o.Sense.Asc},
                unsigned{o.Sense.Ascq});
  return o.Ok() ? "GOOD" : o.HaStatus != 0 ? "HA" : text;
}

int32_t NextWritable(drive::THost &host) {
  std::vector<uint8_t> a;
  EXPECT_TRUE(host.ReadTrackInfo(255, a).Ok());
  return static_cast<int32_t>(Get32(&a[12]));
}

void WriteTrack(drive::THost &host, const drive::TAudioTrack &t, int32_t lba) {
  for (int32_t done = 0; done < t.Blocks(); done += 13) {
    const int n = std::min(13, t.Blocks() - done);
    ASSERT_TRUE(host.Write10(lba + done, n, &t.Data[size_t(done) * 2352], n * 2352u).Ok());
  }
}

TEST(Tao, TracksFollowEachOtherWithTheRecordersPause) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  const drive::TAudioTrack one = Audio(310, 1), two = Audio(305, 2);
  ASSERT_TRUE(host.SetWriteParams(1, 0, 0, false).Ok());
  EXPECT_EQ(NextWritable(host), 0);
  WriteTrack(host, one, 0);
  std::vector<uint8_t> a;
  ASSERT_TRUE(host.ReadTrackInfo(255, a).Ok());
  EXPECT_EQ(a[6] & 0x40, 0) << "the open track is not blank";
  EXPECT_EQ(Get32(&a[12]), 310u);
  EXPECT_EQ(SenseOf(host.SetWriteParams(1, 0, 0, false)), "5/2C/00") << "track open";
  ASSERT_TRUE(host.SyncCache().Ok());
  EXPECT_EQ(NextWritable(host), 460);
  ASSERT_TRUE(host.ReadDiscInfo(a).Ok());
  EXPECT_EQ(a[2], 0x05) << "incomplete disc, incomplete session";
  EXPECT_EQ(a[6], 2) << "the next track is number 2";
  ASSERT_TRUE(host.ReadToc(0, false, 0, a).Ok()) << "the closed track is readable";
  EXPECT_EQ(SenseOf(host.ReadToc(2, false, 0, a)), "5/24/00") << "no lead-in yet";
  EXPECT_EQ(SenseOf(host.Write10(310, 1, two.Data.data(), 2352)), "5/21/02");
  WriteTrack(host, two, 460);
  ASSERT_TRUE(host.SyncCache().Ok());
  ASSERT_TRUE(host.CloseSession().Ok());
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Complete);
  EXPECT_EQ(rig.Device().Disc().LeadOut, 765);
  EXPECT_EQ(testsupport::ReadFile(rig.File("disc.cue")),
            "FILE \"disc.bin\" BINARY\n"
            "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    INDEX 00 00:04:10\n    INDEX 01 00:06:10\n");
  const std::string bin = testsupport::ReadFile(rig.File("disc.bin"));
  ASSERT_EQ(bin.size(), 765 * kSectorSize);
  EXPECT_EQ(bin.substr(310 * kSectorSize, 150 * kSectorSize), std::string(150 * kSectorSize, '\0'));
  EXPECT_TRUE(bin.substr(460 * kSectorSize) == std::string(two.Data.begin(), two.Data.end()));
  EXPECT_EQ(SenseOf(host.CloseSession()), "5/2C/00") << "nothing left open";
}

TEST(Tao, Write12TakesA32BitBlockCount) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  const drive::TAudioTrack t = Audio(312, 4);
  ASSERT_TRUE(host.SetWriteParams(1, 0, 0, false).Ok());
  for (int32_t lba = 0; lba < 312; lba += 24) {
    std::vector<uint8_t> cdb = {0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 24, 0, 0};
    Put32(&cdb[2], static_cast<uint32_t>(lba));
    ASSERT_TRUE(host.Exec(cdb, drive::TData::Out,
                          const_cast<uint8_t *>(&t.Data[size_t(lba) * 2352u]), 24 * 2352u)
                    .Ok())
        << lba;
  }
  std::vector<uint8_t> cdb = {0xAA, 0, 0, 0, 0x01, 0x38, 0x01, 0, 0, 0, 0, 0};
  EXPECT_EQ(SenseOf(host.Exec(cdb, drive::TData::Out, nullptr, 0)), "5/21/00")
      << "2^24 blocks pass the end of the disc";
  ASSERT_TRUE(host.SyncCache().Ok());
  ASSERT_TRUE(host.CloseSession().Ok());
  EXPECT_TRUE(testsupport::ReadFile(rig.File("disc.bin")) ==
              std::string(t.Data.begin(), t.Data.end()));
  EXPECT_EQ(CountLines(rig.Journal(), "WRITE(12) LBA 288, 24 blocks, 56448 bytes | GOOD"), 1);
}

TEST(Tao, TestTracksLeaveTheDiscBlank) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  std::string error;
  ASSERT_TRUE(drive::RecordTao(host, {Audio(300, 1), Audio(300, 2)}, true, error)) << error;
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Blank);
  EXPECT_EQ(CountLines(rig.Journal(), "test track closed: nothing recorded"), 2);
  EXPECT_EQ(CountLines(rig.Journal(), "WRITE(10) LBA 0, 13 blocks"), 2) << "both at 0";
  ASSERT_TRUE(drive::RecordTao(host, {Audio(300, 3)}, false, error)) << error;
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Complete);
}

TEST(Tao, SessionCommandsNeedSomethingToClose) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  EXPECT_EQ(SenseOf(host.CloseSession()), "5/2C/00");
  EXPECT_EQ(SenseOf(host.Exec({0x5B, 0, 3, 0, 0, 0, 0, 0, 0, 0}, drive::TData::None, nullptr, 0)),
            "5/24/00");
  EXPECT_TRUE(host.Exec({0x5B, 0, 1, 0, 0, 1, 0, 0, 0, 0}, drive::TData::None, nullptr, 0).Ok())
      << "closing a track that is not open does nothing";
  EXPECT_TRUE(host.SyncCache().Ok());
}

TEST(Tao, DataTracksAreWrittenInTheirBlockFormat) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  ASSERT_TRUE(host.SetWriteParams(1, 8, 4, false).Ok());
  std::vector<uint8_t> user(size_t{16} * 2352, 0x33);
  EXPECT_EQ(SenseOf(host.Write10(0, 16, user.data(), 16 * 2352)), "HA") << "2048-byte blocks";
  for (int32_t lba = 0; lba < 320; lba += 16)
    ASSERT_TRUE(host.Write10(lba, 16, user.data(), 16 * 2048).Ok());
  ASSERT_TRUE(host.SyncCache().Ok());
  ASSERT_TRUE(host.CloseSession().Ok());
  const std::string bin = testsupport::ReadFile(rig.File("disc.bin"));
  ASSERT_EQ(bin.size(), 320 * kSectorSize);
  EXPECT_EQ(static_cast<uint8_t>(bin[15]), 1) << "Mode 1 header";
  EXPECT_EQ(static_cast<uint8_t>(bin[16]), 0x33);
  EXPECT_NE(testsupport::ReadFile(rig.File("disc.cue")).find("TRACK 01 MODE1/2352"),
            std::string::npos);
  std::vector<uint8_t> a;
  ASSERT_TRUE(host.ReadToc(0, false, 0, a).Ok());
  EXPECT_EQ(a[5], 0x14) << "ADR 1, data track";
}

} // namespace
