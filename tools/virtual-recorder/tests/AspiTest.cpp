// The ASPI layer: support info, host adapter inquiry, device type, request block checks,
// completion by event and by posting, and the transfer checks of the bus.
#include "tools/virtual-recorder/AspiLayout.h"
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

using namespace vrec;
using namespace vrectest;
using drive::TData;

namespace {

const char kTwoAdapters[] = "[device.0]\ncompletion = sync\n"
                            "[device.1]\nadapter = 1\ntarget = 3\nkind = reader\n"
                            "max_transfer_bytes = 32768\n";

SRB_ExecSCSICmd Inquiry(uint8_t adapter, uint8_t target, uint8_t *answer) {
  SRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = adapter;
  srb.SRB_Target = target;
  srb.SRB_Flags = SRB_DIR_IN;
  srb.SRB_BufLen = 36;
  srb.SRB_BufPointer = answer;
  srb.SRB_SenseLen = 14;
  srb.SRB_CDBLen = 6;
  srb.CDBByte[0] = 0x12;
  srb.CDBByte[4] = 36;
  return srb;
}

uint32_t WaitFor(SRB_ExecSCSICmd &srb, uint32_t sent) {
  for (int i = 0; sent == SS_PENDING && i < 10000; ++i) {
    sent = __atomic_load_n(&srb.SRB_Status, __ATOMIC_ACQUIRE);
    if (sent == SS_PENDING)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return sent;
}

TEST(Aspi, SupportInfoCountsAdaptersOrReportsNone) {
  {
    TRig rig(kTwoAdapters);
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0102u);
  }
  TRig empty("; no devices\n");
  EXPECT_EQ(GetASPI32SupportInfo(), uint32_t{SS_NO_ADAPTERS} << 8);
}

TEST(Aspi, HostAdapterInquiryAnswersKnownAdaptersOnly) {
  TRig rig(kTwoAdapters);
  SRB_HAInquiry q;
  std::memset(&q, 0, sizeof q);
  q.SRB_Cmd = SC_HA_INQUIRY;
  q.SRB_HaId = 1;
  EXPECT_EQ(SendASPI32Command(&q), SS_COMP);
  EXPECT_EQ(q.SRB_Status, SS_COMP);
  EXPECT_EQ(q.HA_Count, 2);
  EXPECT_EQ(q.HA_SCSI_ID, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(q.HA_ManagerId), 14), "ASPI for WIN32");
  EXPECT_EQ(q.HA_Unique[3], 8);
  EXPECT_EQ(q.HA_Unique[5], 0x80); // 32768 bytes, little-endian
  q.SRB_HaId = 2;
  EXPECT_EQ(SendASPI32Command(&q), SS_INVALID_HA);
  EXPECT_EQ(q.SRB_Status, SS_INVALID_HA);
}

TEST(Aspi, DeviceTypeAndUnknownCommands) {
  TRig rig(kTwoAdapters);
  SRB_GDEVBlock g;
  std::memset(&g, 0, sizeof g);
  g.SRB_Cmd = SC_GET_DEV_TYPE;
  g.SRB_HaId = 1;
  g.SRB_Target = 3;
  EXPECT_EQ(SendASPI32Command(&g), SS_COMP);
  EXPECT_EQ(g.SRB_DeviceType, 5);
  g.SRB_Target = 4;
  EXPECT_EQ(SendASPI32Command(&g), SS_NO_DEVICE);
  SRB_Header h;
  std::memset(&h, 0, sizeof h);
  h.SRB_Cmd = 0x05;
  EXPECT_EQ(SendASPI32Command(&h), SS_INVALID_CMD);
  EXPECT_EQ(h.SRB_Status, SS_INVALID_CMD);
  EXPECT_EQ(SendASPI32Command(nullptr), SS_INVALID_SRB);
}

TEST(Aspi, MalformedRequestBlocksAreRefused) {
  TRig rig(kTwoAdapters);
  uint8_t answer[36];
  struct TCase {
    const char *What;
    void (*Spoil)(SRB_ExecSCSICmd &);
    uint8_t Status;
  } cases[] = {
      {"no adapter 5", [](SRB_ExecSCSICmd &s) { s.SRB_HaId = 5; }, SS_INVALID_HA},
      {"CDB length 0", [](SRB_ExecSCSICmd &s) { s.SRB_CDBLen = 0; }, SS_INVALID_SRB},
      {"CDB length 17", [](SRB_ExecSCSICmd &s) { s.SRB_CDBLen = 17; }, SS_INVALID_SRB},
      {"buffer missing", [](SRB_ExecSCSICmd &s) { s.SRB_BufPointer = nullptr; }, SS_INVALID_SRB},
      {"posting and event",
       [](SRB_ExecSCSICmd &s) { s.SRB_Flags |= SRB_POSTING | SRB_EVENT_NOTIFY; }, SS_INVALID_SRB},
      {"buffer above the adapter's maximum",
       [](SRB_ExecSCSICmd &s) {
         s.SRB_HaId = 1;
         s.SRB_Target = 3;
         s.SRB_BufLen = 32769;
       },
       SS_BUFFER_TOO_BIG},
  };
  for (const TCase &c : cases) {
    SRB_ExecSCSICmd srb = Inquiry(0, 0, answer);
    c.Spoil(srb);
    EXPECT_EQ(SendASPI32Command(&srb), c.Status) << c.What;
    EXPECT_EQ(srb.SRB_Status, c.Status) << c.What;
  }
}

TEST(Aspi, EmptyTargetTimesOutOnSelection) {
  TRig rig(kTwoAdapters);
  uint8_t answer[36];
  SRB_ExecSCSICmd srb = Inquiry(0, 6, answer);
  EXPECT_EQ(SendASPI32Command(&srb), SS_ERR);
  EXPECT_EQ(srb.SRB_HaStat, HASTAT_SEL_TO);
}

TEST(Aspi, CompletionIsSignalledByEventOrPostingOrStatus) {
  TRig rig(kTwoAdapters);
  uint8_t answer[36];
  SRB_ExecSCSICmd polled = Inquiry(0, 0, answer);
  EXPECT_EQ(SendASPI32Command(&polled), SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(answer + 8), 8), "VIRTUAL ");

  static void *posted = nullptr;
  SRB_ExecSCSICmd post = Inquiry(0, 0, answer);
  post.SRB_Flags |= SRB_POSTING;
  post.SRB_PostProc = reinterpret_cast<void *>(+[](void *srb) { posted = srb; });
  EXPECT_EQ(SendASPI32Command(&post), SS_COMP);
  EXPECT_EQ(posted, &post);

  // The reader completes on its own thread; the caller polls the status here.
  SRB_ExecSCSICmd pending = Inquiry(1, 3, answer);
  EXPECT_EQ(WaitFor(pending, SendASPI32Command(&pending)), SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(answer + 16), 13), "CD-ROM READER");
}

TEST(Aspi, TransfersMustSuitTheCommand) {
  TRig rig(kRecorder);
  std::vector<uint8_t> small(20), none;
  drive::THost host = rig.Host();
  struct TCase {
    const char *What;
    std::vector<uint8_t> Cdb;
    TData Data;
    std::vector<uint8_t> *Buffer;
    uint8_t HaStatus;
  } cases[] = {
      {"data in declared as out", {0x12, 0, 0, 0, 36, 0}, TData::Out, &small, HASTAT_PHASE_ERR},
      {"answer larger than the buffer", {0x12, 0, 0, 0, 36, 0}, TData::In, &small, HASTAT_DO_DU},
      {"CDB shorter than its group", {0x51, 0, 0, 0, 0, 0}, TData::In, &small, HASTAT_PHASE_ERR},
      {"cue sheet longer than the buffer",
       {0x5D, 0, 0, 0, 0, 0, 0, 0, 40, 0},
       TData::Out,
       &small,
       HASTAT_DO_DU},
      {"write declared as in",
       {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0},
       TData::In,
       &small,
       HASTAT_PHASE_ERR},
  };
  for (const TCase &c : cases) {
    const drive::TOutcome o =
        host.Exec(c.Cdb, c.Data, c.Buffer->data(), static_cast<uint32_t>(c.Buffer->size()));
    EXPECT_EQ(o.Status, SS_ERR) << c.What;
    EXPECT_EQ(o.HaStatus, c.HaStatus) << c.What;
  }
  const drive::TOutcome cut = host.Exec({0x12, 0, 0, 0, 20, 0}, TData::In, small.data(), 20);
  EXPECT_TRUE(cut.Ok()) << "an allocation shorter than the answer truncates it";
  EXPECT_EQ(CountLines(rig.Journal(), "host adapter status 14"), 3);
}

TEST(Aspi, OtherLogicalUnitsAreAbsent) {
  TRig rig(kRecorder);
  uint8_t answer[36];
  SRB_ExecSCSICmd srb = Inquiry(0, 0, answer);
  srb.SRB_Lun = 1;
  EXPECT_EQ(SendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(answer[0], 0x7F);
  srb.CDBByte[0] = 0x00;
  srb.SRB_BufLen = 0;
  EXPECT_EQ(SendASPI32Command(&srb), SS_ERR);
  EXPECT_EQ(srb.SRB_TargStat, 2);
  EXPECT_EQ(srb.SenseArea[12], 0x25);
}

} // namespace
