// The transport and its retry rules against the recorder's ASPI layer: the request block both
// sides declare, completion through the program's event, and the recorder's fault windows
// waited out (or not) on the injected clock.
#include "RecorderFixture.h"
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"
#include "tools/virtual-recorder/AspiLayout.h"

#include <cstddef>

using namespace device;

namespace recordertest {
namespace {

// The program's request blocks and the recorder's must agree field by field, in the 32-bit
// Windows layout as much as in the native one.
#define SAME_OFFSET(Ours, Theirs, Field, TheirField)                                               \
  static_assert(offsetof(Ours, Field) == offsetof(Theirs, TheirField), #Field)
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, Cmd, SRB_Cmd);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, Status, SRB_Status);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, HaId, SRB_HaId);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, Flags, SRB_Flags);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, Target, SRB_Target);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, Lun, SRB_Lun);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, BufLen, SRB_BufLen);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, BufPointer, SRB_BufPointer);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, SenseLen, SRB_SenseLen);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, CdbLen, SRB_CDBLen);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, HaStat, SRB_HaStat);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, TargStat, SRB_TargStat);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, PostProc, SRB_PostProc);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, CdbByte, CDBByte);
SAME_OFFSET(TSrbExecScsiCmd, vrec::SRB_ExecSCSICmd, SenseArea, SenseArea);
static_assert(sizeof(TSrbExecScsiCmd) == sizeof(vrec::SRB_ExecSCSICmd), "SRB_ExecSCSICmd size");
SAME_OFFSET(TSrbHaInquiry, vrec::SRB_HAInquiry, HaId, SRB_HaId);
SAME_OFFSET(TSrbHaInquiry, vrec::SRB_HAInquiry, HaCount, HA_Count);
SAME_OFFSET(TSrbHaInquiry, vrec::SRB_HAInquiry, HaUnique, HA_Unique);
static_assert(sizeof(TSrbHaInquiry) == sizeof(vrec::SRB_HAInquiry), "SRB_HAInquiry size");
#undef SAME_OFFSET

const std::string kRecorder = std::string("[device.0]\n") + kSyncRecorder;

TEST_F(TRecorderTest, CompletionOnTheRecordersThreadAndInsideTheCall) {
  // Device 0 completes on its own thread and signals the program's event; device 1 completes
  // before SendASPI32Command returns.
  Start("[device.0]\nproduct = ASYNC\n"
        "[device.1]\nproduct = SYNC\ncompletion = sync\nkind = reader\n");
  ASSERT_EQ(AllDevices().size(), 2u);
  EXPECT_EQ(AllDevices()[0].Name, "00:00  VIRTUAL ASYNC 1.0");
  EXPECT_EQ(AllDevices()[1].Name, "00:01  VIRTUAL SYNC 1.0");
  Forget();
  for (uint8_t target : {0, 1}) {
    SCOPED_TRACE(int{target});
    TCommandStatus status{9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(TestUnitReady(0, target, &status));
    EXPECT_TRUE(SameStatus(status, {}));
  }

  // Host errors come back at once: an empty target (selection time-out), an unknown adapter.
  constexpr uint8_t kSsInvalidHa = 0x81, kHaSelectionTimeOut = 0x11;
  TCommandStatus status;
  EXPECT_TRUE(TestUnitReady(0, 5, &status));
  EXPECT_TRUE(SameStatus(status, {kSsErr, kHaSelectionTimeOut, 0, 0, 0, 0}));
  EXPECT_TRUE(TestUnitReady(1, 0, &status));
  EXPECT_TRUE(SameStatus(status, {kSsInvalidHa, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Fake.Slept, 2 * 3 * 250u); // three attempts each, no retry rounds
  EXPECT_TRUE(Fake.MessageBoxes.empty());
}

TEST_F(TRecorderTest, BusyDriveIsWaitedOut) {
  OpenTransportOnly(kRecorder + "fault.busy_ms = 3000\n");
  TCommandStatus status{9, 9, 9, 9, 9, 9};
  EXPECT_FALSE(TestUnitReady(0, 0, &status));
  EXPECT_TRUE(SameStatus(status, {}));
  EXPECT_EQ(JournalLines("TEST UNIT READY | BUSY"), 30);
  EXPECT_EQ(JournalLines("TEST UNIT READY | GOOD"), 1);
  EXPECT_EQ(Fake.Slept, 3000u);
  EXPECT_TRUE(Fake.MessageBoxes.empty());
}

TEST_F(TRecorderTest, StartUpWaitsForABusyDrive) {
  Start("[device.0]\njournal = journal.txt\nfault.busy_ms = 3000\n");
  EXPECT_EQ(JournalLines("12 00 00 00 24 00 | INQUIRY | BUSY"), 30);
  // The busy rounds, then the pause after each of the seven empty targets.
  EXPECT_EQ(Fake.Slept, 3000u + 7 * 250u);
  ASSERT_EQ(Recorders().size(), 1u);
  EXPECT_TRUE(Recorders()[0].Drive->CapabilitiesRead);
  EXPECT_TRUE(Recorders()[0].Drive->CanSAO);
}

TEST_F(TRecorderTest, NotReadyForeverTimesOutAfter3001Attempts) {
  OpenTransportOnly(kRecorder + "fault.not_ready_ms = forever\n");
  std::vector<uint8_t> toc;
  TCommandStatus status;
  EXPECT_TRUE(ReadTOC(0, 0, TTocFormat::TocFull, false, true, toc, 0, &status));
  EXPECT_EQ(JournalLines("43 00 00 00 00 00 00 04 00 80 | READ TOC | CHECK CONDITION 2/04/01"),
            3001);
  EXPECT_EQ(JournalLines("READ TOC"), 3001);
  EXPECT_TRUE(SameStatus(status, {kSsErr, 0, kStatusChkCond, 2, 0x04, 0x01}));
  EXPECT_EQ(Fake.Slept, 3000 * 100u + 250u); // the rounds, then the command's own pause
  ASSERT_EQ(Fake.MessageBoxes.size(), 1u);
  EXPECT_EQ(Fake.MessageBoxes[0].Text, "Operation has timed out");
}

TEST_F(TRecorderTest, UnitAttentionAfterResetIsNotRetried) {
  OpenTransportOnly(kRecorder + "fault.unit_attention = 29\n");
  std::vector<uint8_t> page;
  TCommandStatus status;
  EXPECT_TRUE(ModeSense(0, 0, TPageControl::Default, kPageCapabilities, page, 255, &status));
  EXPECT_TRUE(SameStatus(status, {kSsErr, 0, kStatusChkCond, 6, 0x29, 0}));
  EXPECT_EQ(JournalLines("MODE SENSE"), 1);
  EXPECT_EQ(Fake.Slept, 250u); // the command's pause after its one attempt, no retry rounds
  // Reported once: the same command then succeeds.
  EXPECT_FALSE(ModeSense(0, 0, TPageControl::Default, kPageCapabilities, page, 255, &status));
  EXPECT_EQ(page[8], kPageCapabilities);
}

TEST_F(TRecorderTest, SyncCacheFailingNineTimesGivesTheLastStatus) {
  // Without a disc the recorder refuses SYNCHRONIZE CACHE every time (2/3A/01).
  OpenTransportOnly(kRecorder + "medium = none\n");
  TCommandStatus status;
  EXPECT_TRUE(SyncCache(0, 0, &status));
  EXPECT_TRUE(SameStatus(status, {kSsErr, 0, kStatusChkCond, 2, 0x3A, 0x01}));
  EXPECT_EQ(JournalLines("SYNCHRONIZE CACHE | CHECK CONDITION 2/3A/01"), 9);
  EXPECT_EQ(Fake.Slept, 9 * 250u);
}

} // namespace
} // namespace recordertest
