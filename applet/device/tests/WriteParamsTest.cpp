#include "DeviceFixture.h"
#include "applet/device/MMC.h"

using namespace device;
using fakeaspi::TFakeAspi;

namespace {

using TBytes = std::vector<uint8_t>;
constexpr size_t kHeader = 8;

struct TPagePlacement {
  size_t At = kHeader; // index of the page in the MODE SENSE answer
  uint8_t Length = 0x32;
};

// A drive record holding a write-parameters page where placement says.
TDriveData DriveWithPage(const TPagePlacement &placement = {}) {
  TDriveData drive;
  drive.HaId = 0;
  drive.Target = 3;
  TBytes page = fakeaspi::WriteParametersPage(placement.Length);
  page[8] = 0x10; // a session format the drive chose
  std::copy(page.begin(), page.end(),
            drive.ModePage5.begin() + static_cast<std::ptrdiff_t>(placement.At));
  return drive;
}

} // namespace

TEST_F(TDeviceTest, WriteParametersByMethodModeAndDisc) {
  struct TCase {
    TWriteMethod Method;
    TTrackMode Mode;
    TDiscType Disc;
    bool Test, Multi;
    uint8_t WriteType, TrackMode, BlockType, SessionFormat;
  };
  const TCase cases[] = {
      {Dao, TTrackMode::Audio, TDiscType::DaOrRom, false, false, 0x03, 0x00, 0x01, 0x00},
      {Dao, TTrackMode::Audio, TDiscType::DaOrRom, true, false, 0x13, 0x00, 0x01, 0x00},
      {Dao, TTrackMode::Mode1, TDiscType::Xa, false, false, 0x03, 0x04, 0x01, 0x20},
      {Tao, TTrackMode::Mode1, TDiscType::DaOrRom, false, false, 0x01, 0x04, 0x08, 0x00},
      {Tao, TTrackMode::Mode1, TDiscType::DaOrRom, false, true, 0x01, 0xC4, 0x08, 0x00},
      {Sao, TTrackMode::Audio, TDiscType::DaOrRom, true, false, 0x12, 0x00, 0x00, 0x00},
      {Sao, TTrackMode::Mode2, TDiscType::Xa, false, true, 0x02, 0xC4, 0x0D, 0x20},
  };
  Start();
  AnswerAllGood();
  const TDriveData drive = DriveWithPage();
  for (const TCase &c : cases) {
    SCOPED_TRACE(std::to_string(c.Method) + " " + TrackModeText(c.Mode) + " " +
                 DiscTypeText(c.Disc));
    Aspi.Seen.clear();
    EXPECT_FALSE(SetWriteParams(drive, c.Method, c.Mode, c.Disc, c.Test, c.Multi));
    ASSERT_EQ(Aspi.Seen.size(), 1u);
    const TBytes &list = Aspi.Last().DataOut;
    ASSERT_EQ(list.size(), 155u);
    EXPECT_EQ(list[kHeader + 2], c.WriteType);
    EXPECT_EQ(list[kHeader + 3], c.TrackMode);
    EXPECT_EQ(list[kHeader + 4], c.BlockType);
    EXPECT_EQ(list[kHeader + 8], c.SessionFormat);
  }
  EXPECT_TRUE(Fake.MessageBoxes.empty());
}

TEST_F(TDeviceTest, WriteParametersListLayout) {
  Start();
  AnswerAllGood();
  const TDriveData drive = DriveWithPage();
  EXPECT_FALSE(SetWriteParams(drive, Sao, TTrackMode::Audio, TDiscType::DaOrRom, false, false));
  const fakeaspi::TSeenRequest &r = Aspi.Last();
  EXPECT_EQ(r.Cdb, TBytes({0x55, 0x10, 0, 0, 0, 0, 0, 0x00, 0x3C, 0}));
  EXPECT_EQ(r.Flags, 0x50);
  EXPECT_EQ(r.BufLen, 155u);

  // Header zero; the drive's link size, host application code and pause high byte kept;
  // packet size zero; pause 150; everything from page byte 16 on cleared.
  TBytes expected(155, 0);
  const TBytes head = {0x05, 0x32, 0x02, 0x00, 0x00, 0x07, 0x00, 0x11,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 150};
  std::copy(head.begin(), head.end(), expected.begin() + kHeader);
  EXPECT_EQ(r.DataOut, expected);
}

TEST_F(TDeviceTest, WriteParametersPageLocationAndLength) {
  struct TCase {
    const char *Name;
    size_t At;
    uint8_t PageLength;
    bool Sent;
  };
  const TCase cases[] = {
      {"page at index 32", 32, 0x32, true},      {"page at index 33", 33, 0x32, false},
      {"page of 129 bytes", kHeader, 129, true}, {"page of 130 bytes", kHeader, 130, false},
      {"page of 255 bytes", 0, 255, false},
  };
  Start();
  AnswerAllGood();
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    Aspi.Seen.clear();
    TDriveData drive;
    if (c.At + c.PageLength + 2 <= kModePageBufferSize) {
      drive = DriveWithPage({c.At, c.PageLength});
    } else {
      drive.ModePage5[c.At] = 0x05;
      drive.ModePage5[c.At + 1] = c.PageLength;
    }
    EXPECT_EQ(SetWriteParams(drive, Tao, TTrackMode::Audio, TDiscType::DaOrRom, true, false),
              !c.Sent);
    ASSERT_EQ(Aspi.Seen.size(), c.Sent ? 1u : 0u);
    if (c.Sent) {
      EXPECT_EQ(Aspi.Last().Cdb[8], c.PageLength + 10);
      EXPECT_EQ(Aspi.Last().DataOut[154], 0);
    }
  }

  Aspi.Seen.clear();
  EXPECT_TRUE(
      SetWriteParams(TDriveData(), Tao, TTrackMode::Audio, TDiscType::DaOrRom, true, false));
  EXPECT_TRUE(Aspi.Seen.empty());
  EXPECT_TRUE(Fake.MessageBoxes.empty());
}

TEST_F(TDeviceTest, WriteParametersIllegalMethodAndRefusal) {
  Start();
  AnswerAllGood();
  const TDriveData drive = DriveWithPage();
  EXPECT_FALSE(SetWriteParams(drive, static_cast<TWriteMethod>(4), TTrackMode::Audio,
                              TDiscType::DaOrRom, true, false));
  ASSERT_EQ(Fake.MessageBoxes.size(), 1u);
  EXPECT_EQ(Fake.MessageBoxes[0].Text, "Critical error - Illegal burning mode in setwriteparams");
  EXPECT_EQ(Fake.MessageBoxes[0].Flags, platform::kMbOk | platform::kMbIconError);
  ASSERT_EQ(Aspi.Seen.size(), 1u);
  EXPECT_EQ(Aspi.Last().DataOut[kHeader + 2], 0x51); // the drive's byte with the test bit
  EXPECT_EQ(Aspi.Last().DataOut[kHeader + 4], 0x00);

  Aspi.Script = [](TSrbExecScsiCmd &srb) {
    TFakeAspi::CheckCondition(srb, {5, 0x26, 0});
    return true;
  };
  TCommandStatus status;
  EXPECT_TRUE(
      SetWriteParams(drive, Dao, TTrackMode::Audio, TDiscType::DaOrRom, true, false, &status));
  EXPECT_EQ(status.SenseKey, 5);
  EXPECT_EQ(status.Asc, 0x26);
}
