// Discovery against the recorder's emulated devices: the bus scan, the write methods each
// device accepts, its speed lists, and what a fault at start-up costs.
#include "applet/device/Discovery.h"
#include "RecorderFixture.h"
#include "applet/device/MMC.h"

using namespace device;

namespace recordertest {
namespace {

std::vector<std::string> Names(const TDriveList &list) {
  std::vector<std::string> names;
  for (const TDriveListEntry &entry : list)
    names.push_back(entry.Name);
  return names;
}

std::string Texts(const TSpeedList &list) {
  std::string text;
  for (const TSpeedEntry &entry : list)
    text += (text.empty() ? "" : ",") + entry.Text;
  return text;
}

TEST_F(TRecorderTest, BusScanSortsRecordersFromOtherDevices) {
  Start(std::string("[device.0]\ntarget = 5\nvendor = QLN\nproduct = LATE\n") +
        "[device.1]\ntarget = 2\nvendor = QLN\nproduct = EARLY\nwrite_types = tao\n" +
        "[device.2]\ntarget = 0\nkind = reader\n" +
        "[device.3]\ntarget = 1\nproduct = NO WRITE TYPE\nwrite_types = none\n" +
        "journal = journal.txt\ncompletion = sync\n" + "[device.4]\ntarget = 3\nkind = other\n" +
        "[device.5]\nadapter = 1\ntarget = 0\nwrite_types = sao, raw\n");
  EXPECT_EQ(Names(AllDevices()),
            (std::vector<std::string>{"00:00  VIRTUAL CD-ROM READER 1.0",
                                      "00:01  VIRTUAL NO WRITE TYPE 1.0", "00:02  QLN EARLY 1.0",
                                      "00:05  QLN LATE 1.0", "01:00  VIRTUAL CD-R RECORDER 1.0"}));
  // Of two recorders on one adapter the lower target comes first, and the session takes it.
  EXPECT_EQ(Names(Recorders()),
            (std::vector<std::string>{"00:02  QLN EARLY 1.0", "00:05  QLN LATE 1.0",
                                      "01:00  VIRTUAL CD-R RECORDER 1.0"}));

  struct TMethods {
    bool Recorder, Sao, Raw, Tao;
  };
  const TMethods expected[] = {{false, false, false, false},
                               {false, false, false, false},
                               {true, false, false, true},
                               {true, true, true, true},
                               {true, true, true, false}};
  for (size_t i = 0; i < AllDevices().size(); ++i) {
    SCOPED_TRACE(AllDevices()[i].Name);
    const TDriveData &d = *AllDevices()[i].Drive;
    EXPECT_EQ(d.IsRecorder, expected[i].Recorder);
    EXPECT_EQ(d.CanSAO, expected[i].Sao);
    EXPECT_EQ(d.CanRaw, expected[i].Raw);
    EXPECT_EQ(d.CanTAO, expected[i].Tao);
    EXPECT_TRUE(d.CapabilitiesRead);
  }
  EXPECT_EQ(Recorders()[1].Drive, AllDevices()[3].Drive); // one record in both lists

  // The device without write types was asked for all three, in the order SAO, raw, TAO.
  const std::string journal = Journal();
  const size_t sao = journal.find("write type 2 (session-at-once) is not supported");
  const size_t raw = journal.find("write type 3 (raw) is not supported");
  const size_t tao = journal.find("write type 1 (track-at-once) is not supported");
  ASSERT_NE(tao, std::string::npos);
  EXPECT_LT(sao, raw);
  EXPECT_LT(raw, tao);
}

TEST_F(TRecorderTest, SpeedListsFromTheCapabilitiesPage) {
  struct TCase {
    const char *Config;
    int16_t MaxWriteX;
    const char *WriteSpeeds;
    int16_t MaxReadX;
    const char *ReadSpeeds;
  };
  const TCase cases[] = {
      {"max_write_kbps = 1411\nmax_read_kbps = 4234\n", 8, "Max,8x,6x,4x,2x,1x", 24,
       "Max,20x,16x,12x,10x,8x,6x,4x,2x,1x"},
      {"max_write_kbps = 8467\n", 48, "Max,48x,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x", 48,
       "Max,48x,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x"},
      {"max_write_kbps = 880\nmax_read_kbps = 0\n", 5, "Max,4x,2x,1x", 0, "Max"},
      // A page too short to hold the write speeds: the factor is unknown.
      {"capabilities_page_length = 14\n", -1, "Max,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x", 48,
       "Max,48x,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Config);
    Start(std::string("[device.0]\ncompletion = sync\n") + c.Config);
    ASSERT_EQ(Recorders().size(), 1u);
    const TDriveData &d = *Recorders()[0].Drive;
    EXPECT_EQ(d.MaxWriteX, c.MaxWriteX);
    EXPECT_EQ(Texts(d.WriteSpeeds), c.WriteSpeeds);
    EXPECT_EQ(d.MaxReadX, c.MaxReadX);
    EXPECT_EQ(Texts(d.ReadSpeeds), c.ReadSpeeds);
  }
}

TEST_F(TRecorderTest, CapabilitiesAsTheRecorderReportsThem) {
  Start(std::string("[device.0]\ncompletion = sync\nvendor = QUILLON\nproduct = CDR-4800\n") +
        "revision = 2.5\nmax_write_kbps = 7056\ncapabilities_page_length = 24\n");
  ASSERT_EQ(Recorders().size(), 1u);
  const TDriveData &d = *Recorders()[0].Drive;
  EXPECT_EQ(d.Vendor, "QUILLON");
  EXPECT_EQ(d.Product, "CDR-4800");
  EXPECT_EQ(d.Revision, "2.5");
  EXPECT_EQ(d.CapPageLength, 24);
  EXPECT_EQ(d.MaxWriteSpeed, 7056);
  EXPECT_EQ(d.MaxWriteX, 40);
  EXPECT_TRUE(d.WriteCDR);
  EXPECT_TRUE(d.CanTestWrite);
  EXPECT_TRUE(d.ReadCDR);
  EXPECT_TRUE(d.CanEject);
  EXPECT_EQ(d.BufferSize, 2048);
}

// A drive that reports its power-on reset at the first command after INQUIRY makes that
// command, the one read of the capabilities page, fail: the recorder is kept, without its
// capabilities and with the speed lists of an unknown drive.
TEST_F(TRecorderTest, ResetReportedAtStartUpCostsTheCapabilities) {
  Start(std::string("[device.0]\n") + kSyncRecorder + "fault.unit_attention = 29\n");
  EXPECT_EQ(
      JournalLines("5A 00 AA 00 00 00 00 00 FF 00 | MODE SENSE(10) | CHECK CONDITION 6/29/00"), 1);
  EXPECT_EQ(JournalLines("5A 00 AA"), 1);
  ASSERT_EQ(Recorders().size(), 1u);
  const TDriveData &d = *Recorders()[0].Drive;
  EXPECT_FALSE(d.CapabilitiesRead);
  EXPECT_TRUE(d.CanSAO && d.CanRaw && d.CanTAO);
  EXPECT_EQ(Texts(d.WriteSpeeds), "Max,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x");
}

} // namespace
} // namespace recordertest
