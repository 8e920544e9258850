#include "DeviceFixture.h"
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"
#include "applet/device/MmcRequest.h"

#include <functional>

using namespace device;
using fakeaspi::TFakeAspi;

namespace {
bool operator==(const TCommandStatus &a, const TCommandStatus &b) {
  return a.AspiStatus == b.AspiStatus && a.HaStatus == b.HaStatus &&
         a.TargetStatus == b.TargetStatus && a.SenseKey == b.SenseKey && a.Asc == b.Asc &&
         a.Ascq == b.Ascq;
}
} // namespace

TEST(AspiModule, MissingLibraryLeavesTheLayerUnloaded) {
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride override(fake);
  EXPECT_FALSE(MmcStartup("no-such-aspi-layer.dll"));
  EXPECT_FALSE(AspiLoaded());
  EXPECT_TRUE(AllDevices().empty());
  EXPECT_TRUE(Recorders().empty());
  EXPECT_EQ(AdapterCount(), 0);

  // A command without a layer reports the missing event and fails instead of crashing.
  TCommandStatus status;
  EXPECT_TRUE(TestUnitReady(0, 0, &status));
  EXPECT_EQ(status.AspiStatus, kSsNoAspi);
  ASSERT_FALSE(fake.MessageBoxes.empty());
  EXPECT_EQ(fake.MessageBoxes[0].Text, "CreateEvent Error trapped in ExecSCSICommand!");
  EXPECT_TRUE(HostAdapterInquiry(0));
  EXPECT_EQ(fake.MessageBoxes.back().Text, "CreateEvent Error trapped in Host Adapter Inquiry!");

  MmcShutdown();
  EXPECT_FALSE(AspiLoaded());
}

TEST_F(TDeviceTest, StartUpRunsOnceAndShutDownUndoesIt) {
  Aspi.Adapters = 2;
  Aspi.Drives.push_back(fakeaspi::Recorder({1, 4}));
  ASSERT_TRUE(MmcStartup(Aspi.EntryPoints()));
  EXPECT_TRUE(AspiLoaded());
  EXPECT_EQ(Aspi.SupportInfoCalls, 2); // once at start-up, once for the adapter count
  EXPECT_EQ(Aspi.HaInquiries, (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(Aspi.Count(kOpInquiry), 16u);
  ASSERT_EQ(AllDevices().size(), 1u);
  EXPECT_EQ(AllDevices()[0].Name, "01:04  VIRTUAL CD-R 1.0");

  EXPECT_TRUE(MmcStartup(Aspi.EntryPoints()));
  EXPECT_EQ(Aspi.SupportInfoCalls, 2);
  EXPECT_EQ(AllDevices().size(), 1u);
  MmcShutdown();
  EXPECT_TRUE(AspiLoaded());
  EXPECT_EQ(Recorders().size(), 1u);
  MmcShutdown();
  EXPECT_FALSE(AspiLoaded());
  EXPECT_TRUE(AllDevices().empty());
  EXPECT_TRUE(Recorders().empty());
  MmcShutdown();
  EXPECT_FALSE(AspiLoaded());
}

TEST_F(TDeviceTest, RequestBlockAndCompletion) {
  Aspi.Adapters = 3;
  Aspi.Drives.push_back(fakeaspi::Recorder({0, 6}));
  Start();
  EXPECT_EQ(AdapterCount(), 3);
  EXPECT_FALSE(HostAdapterInquiry(2));
  EXPECT_TRUE(HostAdapterInquiry(3));

  for (bool pending : {true, false}) {
    SCOPED_TRACE(pending ? "pending" : "synchronous");
    Aspi.Pending = pending;
    Aspi.Seen.clear();
    EXPECT_FALSE(TestUnitReady(0, 6));
    ASSERT_EQ(Aspi.Seen.size(), 1u);
    const fakeaspi::TSeenRequest &r = Aspi.Last();
    EXPECT_EQ(r.Adapter, 0);
    EXPECT_EQ(r.Target, 6);
    EXPECT_EQ(r.Lun, 0);
    EXPECT_EQ(r.SenseLen, 14);
    EXPECT_TRUE(r.HasEvent);
  }
  EXPECT_TRUE(Fake.MessageBoxes.empty());
}

// The retry rules: which conditions are waited out, for how long, and what comes back.
TEST_F(TDeviceTest, RetryRulesOnTheClock) {
  using TAnswer = std::function<void(TSrbExecScsiCmd &, uint32_t elapsed)>;
  struct TCase {
    const char *Name;
    TAnswer Answer;
    bool Failed;
    size_t Attempts;
    uint64_t Slept;
    TCommandStatus Status;
    bool TimedOut;
  };
  auto busyFor = [](uint32_t ms) {
    return [ms](TSrbExecScsiCmd &srb, uint32_t elapsed) {
      elapsed < ms ? TFakeAspi::Busy(srb) : TFakeAspi::Good(srb);
    };
  };
  auto checkFor = [](uint32_t ms, uint8_t key, uint8_t asc, uint8_t ascq) {
    return [=](TSrbExecScsiCmd &srb, uint32_t elapsed) {
      elapsed < ms ? TFakeAspi::CheckCondition(srb, {key, asc, ascq}) : TFakeAspi::Good(srb);
    };
  };
  constexpr uint32_t kForever = 0xFFFFFFFFu;
  const TCase cases[] = {
      {"busy for three seconds", busyFor(3000), false, 31, 3000, {}, false},
      {"not ready forever",
       checkFor(kForever, 2, 0x04, 0x01),
       true,
       3001,
       300000,
       {4, 0, 2, 2, 0x04, 0x01},
       true},
      {"becoming ready for two seconds", checkFor(2000, 2, 0x04, 0x07), false, 21, 2000, {}, false},
      {"needs more time for one second", checkFor(1000, 6, 0x2E, 0), false, 11, 1000, {}, false},
      {"power on or reset",
       checkFor(kForever, 6, 0x29, 0),
       true,
       1,
       0,
       {4, 0, 2, 6, 0x29, 0},
       false},
      {"medium not present",
       checkFor(kForever, 2, 0x3A, 1),
       true,
       1,
       0,
       {4, 0, 2, 2, 0x3A, 1},
       false},
      {"busy behind a host adapter error",
       [](TSrbExecScsiCmd &srb, uint32_t) {
         TFakeAspi::Busy(srb);
         srb.HaStat = 0x11;
       },
       true,
       1,
       0,
       {4, 0x11, 8, 0, 0, 0},
       false},
  };
  Start();
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    const uint32_t start = Fake.Now;
    Aspi.Script = [&](TSrbExecScsiCmd &srb) {
      c.Answer(srb, Fake.Now - start);
      return true;
    };
    Aspi.Seen.clear();
    Fake.Slept = 0;
    Fake.MessageBoxes.clear();
    TSrbExecScsiCmd srb = NewRequest(0, 1, kOpTestUnitReady, kCdb6, kFlagsNoData);
    TCommandStatus status{9, 9, 9, 9, 9, 9};
    EXPECT_EQ(ExecWithRetry(srb, status), c.Failed);
    EXPECT_EQ(Aspi.Seen.size(), c.Attempts);
    EXPECT_EQ(Fake.Slept, c.Slept);
    EXPECT_TRUE(status == c.Status);
    if (c.TimedOut) {
      ASSERT_EQ(Fake.MessageBoxes.size(), 1u);
      EXPECT_EQ(Fake.MessageBoxes[0].Text, "Operation has timed out");
      EXPECT_EQ(Fake.MessageBoxes[0].Flags, platform::kMbOk | platform::kMbIconError);
    } else {
      EXPECT_TRUE(Fake.MessageBoxes.empty());
    }
  }
}

// A layer that answers a host adapter inquiry as pending is not waited on: the inquiry carries
// no completion event.
TEST(AspiModule, HostAdapterInquiryIsNotWaitedOn) {
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride override(fake);
  TAspiEntryPoints entry;
  entry.GetSupportInfo = [] { return uint32_t{kSsComp} << 8; };
  entry.SendCommand = [](void *srb) {
    static_cast<TSrbHaInquiry *>(srb)->Status = kSsComp;
    return uint32_t{kSsPending};
  };
  TDeviceModule module(entry);
  EXPECT_FALSE(HostAdapterInquiry(0));
}
