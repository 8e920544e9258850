// The configurable faults and the write pacing, on a clock the tests move by hand.
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

using namespace vrec;
using namespace vrectest;

namespace {

std::string SenseOf(const drive::TOutcome &o) {
  char text[16];
  std::snprintf(text, sizeof text, "%X/%02X/%02X", unsigned{o.Sense.Key}, unsigned{o.Sense.Asc},
                unsigned{o.Sense.Ascq});
  return o.Ok() ? "GOOD" : o.TargetStatus == 8 ? "BUSY" : text;
}

TEST(Faults, NotReadyForAWhileAfterEachLoad) {
  TRig rig(std::string(kRecorder) + "fault.not_ready_ms = 500\n");
  drive::THost host = rig.Host();
  std::vector<uint8_t> a;
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "2/04/01");
  EXPECT_TRUE(host.Inquiry(a).Ok()) << "identification works while becoming ready";
  rig.AdvanceMs(499);
  EXPECT_EQ(SenseOf(host.ReadDiscInfo(a)), "2/04/01");
  rig.AdvanceMs(1);
  EXPECT_TRUE(host.TestUnitReady().Ok());
  ASSERT_TRUE(host.StartStop(2).Ok());
  ASSERT_TRUE(host.StartStop(3).Ok());
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "6/28/00");
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "2/04/01");
  rig.AdvanceMs(500);
  EXPECT_TRUE(host.TestUnitReady().Ok());
}

TEST(Faults, NotReadyForever) {
  TRig rig(std::string(kRecorder) + "fault.not_ready_ms = forever\n");
  rig.AdvanceMs(uint64_t{3600} * 1000);
  EXPECT_EQ(SenseOf(rig.Host().TestUnitReady()), "2/04/01");
}

TEST(Faults, BusyAnswersEveryCommandForAWhile) {
  TRig rig(std::string(kRecorder) + "fault.busy_ms = 300\n");
  drive::THost host = rig.Host();
  std::vector<uint8_t> a;
  EXPECT_EQ(SenseOf(host.Inquiry(a)), "BUSY");
  rig.AdvanceMs(299);
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "BUSY");
  rig.AdvanceMs(1);
  EXPECT_TRUE(host.Inquiry(a).Ok());
  EXPECT_EQ(CountLines(rig.Journal(), "| BUSY (fault: busy)"), 2);
}

TEST(Faults, UnitAttentionOnceAfterStartUp) {
  struct TCase {
    const char *Value;
    const char *Expected;
  } cases[] = {{"29", "6/29/00"}, {"2a/01", "6/2A/01"}};
  for (const TCase &c : cases) {
    TRig rig(std::string(kRecorder) + "fault.unit_attention = " + c.Value + "\n");
    drive::THost host = rig.Host();
    std::vector<uint8_t> a;
    EXPECT_TRUE(host.Inquiry(a).Ok()) << "INQUIRY does not take the attention";
    EXPECT_EQ(SenseOf(host.ReadDiscInfo(a)), c.Expected);
    EXPECT_TRUE(host.ReadDiscInfo(a).Ok());
  }
}

TEST(Faults, WriteErrorRuinsTheDisc) {
  TRig rig(std::string(kRecorder) + "fault.write_error_lba = 100\n");
  drive::THost host = rig.Host();
  std::string error;
  EXPECT_FALSE(drive::RecordSao(host, {Audio(400, 1)}, false, error));
  EXPECT_NE(error.find("sense 3/0C/00"), std::string::npos) << error;
  EXPECT_NE(rig.Journal().find("WRITE(10) LBA 81, 27 blocks, 63504 bytes | CHECK CONDITION "
                               "3/0C/00 (fault: write error)"),
            std::string::npos);
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Damaged);
  EXPECT_TRUE(testsupport::ReadFile(rig.File("disc.cue")).empty());
  std::vector<uint8_t> a;
  ASSERT_TRUE(host.ReadDiscInfo(a).Ok());
  EXPECT_EQ(a[2] & 3, 1) << "an incomplete disc";
  EXPECT_EQ(SenseOf(host.ReadToc(0, false, 0, a)), "5/24/00");
  std::vector<uint8_t> block(2352);
  EXPECT_EQ(SenseOf(host.Write10(120, 1, block.data(), 2352)), "5/30/05");
}

TEST(Faults, CueSheetRejected) {
  TRig rig(std::string(kRecorder) + "fault.reject_cue_sheet = yes\n");
  drive::THost host = rig.Host();
  std::string error;
  EXPECT_FALSE(drive::RecordSao(host, {Audio(400, 1)}, false, error));
  EXPECT_NE(error.find("cue sheet: status 04, host adapter 00, target 02, sense 5/26/00"),
            std::string::npos)
      << error;
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Blank);
}

TEST(Faults, MediumDisappearsAfterSomeBlocks) {
  TRig rig(std::string(kRecorder) + "fault.remove_medium_after_blocks = 54\n");
  drive::THost host = rig.Host();
  std::string error;
  EXPECT_FALSE(drive::RecordSao(host, {Audio(400, 1)}, false, error));
  EXPECT_NE(rig.Journal().find("WRITE(10) LBA -96, 27 blocks, 63504 bytes | CHECK CONDITION "
                               "2/3A/01 (fault: medium removed)"),
            std::string::npos);
  EXPECT_EQ(CountLines(rig.Journal(), "| GOOD"), 7) << "MODE SENSE/SELECT, disc and track "
                                                       "information, cue sheet, two writes";
  EXPECT_FALSE(rig.Device().HasMedium());
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "2/3A/01") << "an unchanged configuration";
}

TEST(Faults, UnitAttentionMidRecordingBreaksItOff) {
  TRig rig(std::string(kRecorder) + "fault.unit_attention_after_blocks = 54\n");
  drive::THost host = rig.Host();
  std::string error;
  EXPECT_FALSE(drive::RecordSao(host, {Audio(400, 1)}, false, error));
  EXPECT_NE(rig.Journal().find("WRITE(10) LBA -96, 27 blocks, 63504 bytes | CHECK CONDITION "
                               "6/29/00 (fault: unit attention, the drive was reset)"),
            std::string::npos)
      << rig.Journal();
  EXPECT_EQ(CountLines(rig.Journal(), "6/29/00"), 1) << "once";
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Damaged);
  EXPECT_TRUE(host.TestUnitReady().Ok()) << "the disc stays in";
}

TEST(Faults, SlowFlushCompletesLaterAndStillFinishes) {
  TRig rig(std::string(kRecorder) + "fault.sync_cache_ms = 1500\n");
  drive::THost host = rig.Host();
  const uint64_t start = rig.NowUs();
  std::string error;
  ASSERT_TRUE(drive::RecordSao(host, {Audio(100, 1)}, false, error)) << error;
  EXPECT_EQ(rig.NowUs() - start, 1500u * 1000) << "one flush, no other delay";
  EXPECT_EQ(CountLines(rig.Journal(), "| GOOD (fault: the flush takes 1500 ms)"), 1);
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Complete);
}

TEST(Faults, PacingHoldsWritesToTheConfiguredSpeed) {
  const int32_t blocks = 3000;
  const double bytes = (blocks + 150) * 2352.0;
  const double bufferBytes = 2048 * 1024;
  {
    TRig rig(std::string(kRecorder) + "speed = 4\n");
    drive::THost host = rig.Host();
    const uint64_t start = rig.NowUs();
    std::string error;
    ASSERT_TRUE(drive::RecordSao(host, {Audio(blocks, 1)}, false, error)) << error;
    const double seconds = double(rig.NowUs() - start) / 1e6;
    EXPECT_NEAR(seconds, (bytes - bufferBytes) / (4 * 176400.0), 0.05);
  }
  TRig rig(std::string(kRecorder) + "speed = unlimited\n");
  const uint64_t start = rig.NowUs();
  drive::THost host = rig.Host();
  std::string error;
  ASSERT_TRUE(drive::RecordSao(host, {Audio(blocks, 1)}, false, error)) << error;
  EXPECT_EQ(rig.NowUs(), start);
}

} // namespace
