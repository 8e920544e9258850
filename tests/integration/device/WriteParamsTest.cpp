// SetWriteParams against the recorder: the page it receives (read back as its current page),
// how it reads the page, and a write type it refuses.
#include "RecorderFixture.h"
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"

using namespace device;

namespace recordertest {
namespace {

constexpr size_t kHeader = 8;
constexpr size_t kRecorderPageSize = 52; // page 0x05 with its length byte 0x32

// The recorder's current write-parameters page.
std::vector<uint8_t> CurrentPage() {
  std::vector<uint8_t> answer;
  if (ModeSense(0, 0, TPageControl::Current, kPageWriteParameters, answer, 255))
    return {};
  return std::vector<uint8_t>(answer.begin() + kHeader,
                              answer.begin() + kHeader + kRecorderPageSize);
}

TEST_F(TRecorderTest, WriteParametersPageAsTheRecorderReceivesIt) {
  Start(std::string("[device.0]\n") + kSyncRecorder);
  ASSERT_EQ(Recorders().size(), 1u);
  const TDriveData drive = *Recorders()[0].Drive;

  // Discovery leaves the last page the drive accepted selected: a test write with TAO.
  EXPECT_EQ(CurrentPage().at(2), 0x11);

  // The whole page for a raw test write of audio.
  Forget();
  ASSERT_FALSE(SetWriteParams(drive, Dao, TTrackMode::Audio, TDiscType::DaOrRom, true, false));
  std::vector<uint8_t> expected(kRecorderPageSize, 0);
  expected[0] = 0x05;
  expected[1] = 0x32;
  expected[2] = 0x13;
  expected[4] = 0x01;
  expected[15] = 150;
  EXPECT_EQ(CurrentPage(), expected);
  EXPECT_EQ(JournalLines("MODE SELECT(10) 60 bytes: page 05: write type 3 (raw), test write, "
                         "data block type 1, track mode 0, session format 00 | GOOD"),
            1);

  struct TCase {
    TWriteMethod Method;
    TTrackMode TrackMode;
    TDiscType DiscType;
    bool TestWrite, Multisession;
    uint8_t Byte2, Byte3, Byte4, Byte8;
    const char *Described;
  };
  const TCase cases[] = {
      {Dao, TTrackMode::Audio, TDiscType::DaOrRom, false, false, 0x03, 0x00, 0x01, 0x00,
       "write type 3 (raw), data block type 1, track mode 0, session format 00"},
      {Sao, TTrackMode::Audio, TDiscType::DaOrRom, false, false, 0x02, 0x00, 0x00, 0x00,
       "write type 2 (session-at-once), data block type 0, track mode 0, session format 00"},
      {Tao, TTrackMode::Mode1, TDiscType::DaOrRom, false, false, 0x01, 0x04, 0x08, 0x00,
       "write type 1 (track-at-once), data block type 8, track mode 4, session format 00"},
      {Tao, TTrackMode::Mode1, TDiscType::DaOrRom, false, true, 0x01, 0xC4, 0x08, 0x00,
       "write type 1 (track-at-once), data block type 8, track mode 4, session format 00"},
      {Sao, TTrackMode::Mode2, TDiscType::Xa, true, false, 0x12, 0x04, 0x0D, 0x20,
       "write type 2 (session-at-once), test write, data block type 13, track mode 4, "
       "session format 20"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Described);
    Forget();
    ASSERT_FALSE(
        SetWriteParams(drive, c.Method, c.TrackMode, c.DiscType, c.TestWrite, c.Multisession));
    const std::vector<uint8_t> page = CurrentPage();
    ASSERT_EQ(page.size(), kRecorderPageSize);
    EXPECT_EQ(page[2], c.Byte2);
    EXPECT_EQ(page[3], c.Byte3);
    EXPECT_EQ(page[4], c.Byte4);
    EXPECT_EQ(page[8], c.Byte8);
    EXPECT_EQ(page[15], 150);
    EXPECT_EQ(
        JournalLines(std::string("MODE SELECT(10) 60 bytes: page 05: ") + c.Described + " | GOOD"),
        1);
  }
}

TEST_F(TRecorderTest, RefusedWriteTypeLeavesTheAcceptedPage) {
  Start(std::string("[device.0]\n") + kSyncRecorder + "write_types = tao\n");
  ASSERT_EQ(Recorders().size(), 1u);
  const TDriveData drive = *Recorders()[0].Drive;
  TCommandStatus status;
  EXPECT_TRUE(
      SetWriteParams(drive, Sao, TTrackMode::Audio, TDiscType::DaOrRom, false, false, &status));
  EXPECT_TRUE(SameStatus(status, {kSsErr, 0, kStatusChkCond, 5, 0x26, 0}));
  EXPECT_EQ(CurrentPage().at(2), 0x11);
}

} // namespace
} // namespace recordertest
