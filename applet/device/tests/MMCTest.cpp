#include "applet/device/MMC.h"
#include "DeviceFixture.h"
#include "applet/device/MmcRequest.h"

#include <functional>

using namespace device;
using fakeaspi::TFakeAspi;

namespace {

using TBytes = std::vector<uint8_t>;
const uint8_t kHa = 1, kTarget = 2;

void Set(TBytes &bytes, size_t at, std::initializer_list<uint8_t> values) {
  std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

struct TCommandCase {
  const char *Name;
  std::function<bool(TCommandStatus *)> Run;
  TBytes Cdb;
  uint8_t Flags;
  uint32_t BufLen;
  size_t Attempts; // when every attempt fails
};

std::vector<uint8_t> gData(size_t{27} * 2352, 0x5A);
const TBytes kCue = {0x41, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00};

std::vector<TCommandCase> CommandCases() {
  static std::vector<uint8_t> buffer;
  TWriteRequest w10{gData.data(), static_cast<uint32_t>(gData.size()), 27, -150};
  TWriteRequest w12{gData.data(), 2352, 0x00010002, 0x01020304};
  return {
      {"TestUnitReady",
       [](TCommandStatus *s) { return TestUnitReady(kHa, kTarget, s); },
       {0x00, 0, 0, 0, 0, 0},
       0x40,
       0,
       3},
      {"Inquiry",
       [](TCommandStatus *s) { return Inquiry(kHa, kTarget, buffer, 36, s); },
       {0x12, 0, 0, 0, 36, 0},
       0x48,
       36,
       1},
      {"StartStopUnit Stop",
       [](TCommandStatus *s) { return StartStopUnit(kHa, kTarget, TStartStopAction::Stop, s); },
       {0x1B, 0, 0, 0, 0, 0},
       0x40,
       0,
       3},
      {"StartStopUnit Start",
       [](TCommandStatus *s) { return StartStopUnit(kHa, kTarget, TStartStopAction::Start, s); },
       {0x1B, 0, 0, 0, 1, 0},
       0x40,
       0,
       3},
      {"StartStopUnit Eject",
       [](TCommandStatus *s) { return StartStopUnit(kHa, kTarget, TStartStopAction::Eject, s); },
       {0x1B, 0, 0, 0, 2, 0},
       0x40,
       0,
       3},
      {"StartStopUnit Load",
       [](TCommandStatus *s) { return StartStopUnit(kHa, kTarget, TStartStopAction::Load, s); },
       {0x1B, 0, 0, 0, 3, 0},
       0x40,
       0,
       3},
      {"Write10",
       [w10](TCommandStatus *s) { return Write10(kHa, kTarget, w10, s); },
       {0x2A, 0, 0xFF, 0xFF, 0xFF, 0x6A, 0, 0x00, 0x1B, 0},
       0x50,
       27 * 2352,
       1},
      {"Write12",
       [w12](TCommandStatus *s) { return Write12(kHa, kTarget, w12, s); },
       {0xAA, 0, 0x01, 0x02, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02, 0, 0},
       0x50,
       2352,
       1},
      {"SyncCache",
       [](TCommandStatus *s) { return SyncCache(kHa, kTarget, s); },
       {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       0x40,
       0,
       9},
      {"ReadTOC TOC msf",
       [](TCommandStatus *s) {
         return ReadTOC(kHa, kTarget, TTocFormat::Toc, true, false, buffer, 1, s);
       },
       {0x43, 0x02, 0, 0, 0, 0, 1, 0x04, 0x00, 0},
       0x48,
       1024,
       1},
      {"ReadTOC sessioninfo",
       [](TCommandStatus *s) {
         return ReadTOC(kHa, kTarget, TTocFormat::SessionInfo, false, false, buffer, 0, s);
       },
       {0x43, 0, 1, 0, 0, 0, 0, 0x04, 0x00, 0},
       0x48,
       1024,
       1},
      {"ReadTOC tocfull",
       [](TCommandStatus *s) {
         return ReadTOC(kHa, kTarget, TTocFormat::TocFull, false, false, buffer, 0, s);
       },
       {0x43, 0, 2, 0, 0, 0, 0, 0x04, 0x00, 0},
       0x48,
       1024,
       1},
      {"ReadTOC PMA",
       [](TCommandStatus *s) {
         return ReadTOC(kHa, kTarget, TTocFormat::Pma, false, false, buffer, 0, s);
       },
       {0x43, 0, 3, 0, 0, 0, 0, 0x04, 0x00, 0},
       0x48,
       1024,
       1},
      {"ReadTOC ATIP",
       [](TCommandStatus *s) {
         return ReadTOC(kHa, kTarget, TTocFormat::Atip, false, false, buffer, 0, s);
       },
       {0x43, 0, 4, 0, 0, 0, 0, 0x04, 0x00, 0},
       0x48,
       1024,
       1},
      {"ReadTOC legacy TOC",
       [](TCommandStatus *s) {
         return ReadTOC(kHa, kTarget, TTocFormat::Toc, false, true, buffer, 2, s);
       },
       {0x43, 0, 0, 0, 0, 0, 2, 0x04, 0x00, 0x00},
       0x48,
       1024,
       1},
      {"ReadTOC legacy SESSIONINFO",
       [](TCommandStatus *s) {
         return ReadTOC(kHa, kTarget, TTocFormat::SessionInfo, false, true, buffer, 0, s);
       },
       {0x43, 0, 0, 0, 0, 0, 0, 0x04, 0x00, 0x40},
       0x48,
       1024,
       1},
      {"ReadTOC legacy TOCFULL",
       [](TCommandStatus *s) {
         return ReadTOC(kHa, kTarget, TTocFormat::TocFull, false, true, buffer, 0, s);
       },
       {0x43, 0, 0, 0, 0, 0, 0, 0x04, 0x00, 0x80},
       0x48,
       1024,
       1},
      {"ReadDiscInfo",
       [](TCommandStatus *s) {
         TDiscInfo info;
         return ReadDiscInfo(kHa, kTarget, info, s);
       },
       {0x51, 0, 0, 0, 0, 0, 0, 0x00, 0x64, 0},
       0x48,
       100,
       3},
      {"ReadTrackInfo 255",
       [](TCommandStatus *s) {
         TTrackInfo info;
         return ReadTrackInfo(kHa, kTarget, kInvisibleTrack, info, s);
       },
       {0x52, 0x01, 0, 0, 0, 0xFF, 0, 0x00, 0x64, 0},
       0x48,
       100,
       3},
      {"SendOPC",
       [](TCommandStatus *s) { return SendOPC(kHa, kTarget, s); },
       {0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0},
       0x40,
       0,
       3},
      {"ModeSense capabilities defaults",
       [](TCommandStatus *s) {
         return ModeSense(kHa, kTarget, TPageControl::Default, kPageCapabilities, buffer, 255, s);
       },
       {0x5A, 0, 0xAA, 0, 0, 0, 0, 0x00, 0xFF, 0},
       0x48,
       255,
       1},
      {"ModeSense write parameters current",
       [](TCommandStatus *s) {
         return ModeSense(kHa, kTarget, TPageControl::Current, kPageWriteParameters, buffer, 60, s);
       },
       {0x5A, 0, 0x05, 0, 0, 0, 0, 0x00, 60, 0},
       0x48,
       60,
       1},
      {"CloseSession",
       [](TCommandStatus *s) { return CloseSession(kHa, kTarget, s); },
       {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0},
       0x40,
       0,
       3},
      {"SendCueSheet",
       [](TCommandStatus *s) {
         return SendCueSheet(kHa, kTarget, kCue.data(), static_cast<uint16_t>(kCue.size()), s);
       },
       {0x5D, 0, 0, 0, 0, 0, 0, 0x00, 24, 0},
       0x50,
       24,
       1},
      {"SetCDSpeed",
       [](TCommandStatus *s) { return SetCDSpeed(kHa, kTarget, kSpeedMax, 1411, s); },
       {0xBB, 0, 0xFF, 0xFF, 0x05, 0x83, 0, 0, 0, 0, 0, 0},
       0x40,
       0,
       3},
  };
}

} // namespace

TEST_F(TDeviceTest, EachCommandSendsItsDocumentedBlock) {
  Start();
  AnswerAllGood();
  for (const TCommandCase &c : CommandCases()) {
    SCOPED_TRACE(c.Name);
    Aspi.Seen.clear();
    TCommandStatus status{9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(c.Run(&status));
    EXPECT_EQ(status.AspiStatus, 0);
    ASSERT_EQ(Aspi.Seen.size(), 1u);
    const fakeaspi::TSeenRequest &r = Aspi.Last();
    EXPECT_EQ(r.Cdb, c.Cdb);
    EXPECT_EQ(r.Flags, c.Flags);
    EXPECT_EQ(r.BufLen, c.BufLen);
    EXPECT_EQ(r.Adapter, kHa);
    EXPECT_EQ(r.Target, kTarget);
  }
  Aspi.Seen.clear();
  TWriteRequest w{gData.data(), 4, 1, 0};
  EXPECT_FALSE(Write10(kHa, kTarget, w));
  EXPECT_EQ(Aspi.Last().DataOut, TBytes(4, 0x5A));
  EXPECT_FALSE(SendCueSheet(kHa, kTarget, kCue.data(), static_cast<uint16_t>(kCue.size())));
  EXPECT_EQ(Aspi.Last().DataOut, kCue);
  EXPECT_TRUE(Fake.MessageBoxes.empty());
}

// Failed attempts: how many each command makes, the pause after each, and the status of the
// last one.
TEST_F(TDeviceTest, AttemptsOfEachCommand) {
  Start();
  Aspi.Script = [&](TSrbExecScsiCmd &srb) {
    TFakeAspi::CheckCondition(srb, {3, 0x0C, static_cast<uint8_t>(Aspi.Seen.size())});
    return true;
  };
  for (const TCommandCase &c : CommandCases()) {
    SCOPED_TRACE(c.Name);
    Aspi.Seen.clear();
    Fake.Slept = 0;
    TCommandStatus status;
    EXPECT_TRUE(c.Run(&status));
    EXPECT_EQ(Aspi.Seen.size(), c.Attempts);
    EXPECT_EQ(Fake.Slept, 250 * c.Attempts);
    EXPECT_EQ(status.AspiStatus, kSsErr);
    EXPECT_EQ(status.TargetStatus, kStatusChkCond);
    EXPECT_EQ(status.SenseKey, 3);
    EXPECT_EQ(status.Asc, 0x0C);
    EXPECT_EQ(status.Ascq, c.Attempts);
  }

  // A later attempt that succeeds ends the loop with an all-zero status.
  Aspi.Seen.clear();
  Aspi.Script = [&](TSrbExecScsiCmd &srb) {
    if (Aspi.Seen.size() < 9)
      TFakeAspi::CheckCondition(srb, {3, 0x0C, 0});
    else
      TFakeAspi::Good(srb);
    return true;
  };
  TCommandStatus status;
  EXPECT_FALSE(SyncCache(kHa, kTarget, &status));
  EXPECT_EQ(Aspi.Seen.size(), 9u);
  EXPECT_EQ(status.SenseKey, 0);
}

TEST_F(TDeviceTest, AnswerBuffersAreZeroFilled) {
  Start();
  Aspi.Script = [](TSrbExecScsiCmd &srb) {
    for (int i = 0; i < 4; ++i)
      srb.BufPointer[i] = 0x11;
    TFakeAspi::Good(srb);
    return true;
  };
  TBytes buffer(2000, 0xEE);
  EXPECT_FALSE(Inquiry(kHa, kTarget, buffer, 36));
  TBytes expected(36, 0);
  std::fill_n(expected.begin(), 4, 0x11);
  EXPECT_EQ(buffer, expected);

  buffer.assign(2000, 0xEE);
  EXPECT_FALSE(ReadTOC(kHa, kTarget, TTocFormat::Toc, false, false, buffer));
  expected.assign(1024, 0);
  std::fill_n(expected.begin(), 4, 0x11);
  EXPECT_EQ(buffer, expected);
}

TEST_F(TDeviceTest, NamesAndWarnings) {
  Start();
  AnswerAllGood();
  TBytes buffer;

  // Legacy drives know no PMA or ATIP: the message, then a plain TOC read.
  EXPECT_FALSE(ReadTOC(kHa, kTarget, TTocFormat::Atip, false, true, buffer));
  ASSERT_EQ(Fake.MessageBoxes.size(), 1u);
  EXPECT_EQ(Fake.MessageBoxes[0].Text,
            "PMA or ATIP Read TOC command not supported on legacy devices");
  ASSERT_EQ(Aspi.Seen.size(), 1u);
  EXPECT_EQ(Aspi.Last().Cdb, TBytes({0x43, 0, 0, 0, 0, 0, 0, 0x04, 0x00, 0x00}));

  // A MODE SENSE longer than 255 bytes warns and still goes out.
  Fake.MessageBoxes.clear();
  EXPECT_FALSE(ModeSense(kHa, kTarget, TPageControl::Current, kPageCapabilities, buffer, 300));
  ASSERT_EQ(Fake.MessageBoxes.size(), 1u);
  EXPECT_EQ(Fake.MessageBoxes[0].Text, "Warning!  Mode Sense input buffer exceeds 255 bytes");
  EXPECT_EQ(Fake.MessageBoxes[0].Flags, platform::kMbOk | platform::kMbIconError);
  EXPECT_EQ(Aspi.Last().Cdb, TBytes({0x5A, 0, 0x2A, 0, 0, 0, 0, 0x01, 0x2C, 0}));
  EXPECT_EQ(Aspi.Last().BufLen, 300u);
  EXPECT_EQ(buffer.size(), 300u);
}

TEST_F(TDeviceTest, DiscAndTrackInformationRecords) {
  Start();
  TBytes answer;
  Aspi.Script = [&](TSrbExecScsiCmd &srb) {
    std::copy(answer.begin(), answer.end(), srb.BufPointer);
    TFakeAspi::Good(srb);
    return true;
  };

  answer.assign(100, 0);
  Set(answer, 1, {0x20});    // data length
  Set(answer, 2, {0x1E});    // erasable, last session state 0x0C, disc status 2
  Set(answer, 6, {7, 0xA0}); // last track in the last session; disc id valid, unrestricted
  Set(answer, 12, {0x12, 0x34, 0x56, 0x78});
  Set(answer, 17, {97, 26, 66}); // lead-in start
  Set(answer, 21, {79, 59, 74}); // last possible lead-out
  Set(answer, 33, {0x99});
  Set(answer, 40, {0x77}); // past the 34 raw bytes
  TDiscInfo disc;
  EXPECT_FALSE(ReadDiscInfo(kHa, kTarget, disc));
  EXPECT_EQ(disc.DataLength, 0x20);
  EXPECT_TRUE(disc.Erasable);
  EXPECT_EQ(disc.LastSessionState, 0x0C);
  EXPECT_EQ(disc.DiscStatus, 2);
  EXPECT_TRUE(disc.DiscIdValid);
  EXPECT_FALSE(disc.BarCodeValid);
  EXPECT_TRUE(disc.UnrestrictedUse);
  EXPECT_EQ(disc.DiscIdentification, 0x12345678u);
  EXPECT_EQ(disc.LastSessionLeadInStart, -11634);
  EXPECT_EQ(disc.LastPossibleLeadOutStart, 359849);
  EXPECT_EQ(disc.Raw[6], 7);
  EXPECT_EQ(disc.Raw[33], 0x99);

  answer.assign(100, 0);
  Set(answer, 1, {0x22, 1, 1});
  Set(answer, 5, {0x14, 0x4F});             // copy, track mode 4; blank, data mode 15
  Set(answer, 8, {0xFF, 0xFF, 0xFF, 0x6A}); // -150
  Set(answer, 14, {0x01, 0x00});            // next writable 256
  Set(answer, 18, {0x01, 0x02});
  Set(answer, 23, {0x10});
  Set(answer, 24, {0x00, 0x05, 0x7E, 0x40});
  TTrackInfo track;
  EXPECT_FALSE(ReadTrackInfo(kHa, kTarget, kInvisibleTrack, track));
  EXPECT_EQ(track.DataLength, 0x22);
  EXPECT_EQ(track.TrackNumber, 1);
  EXPECT_EQ(track.SessionNumber, 1);
  EXPECT_FALSE(track.Damage);
  EXPECT_TRUE(track.Copy);
  EXPECT_EQ(track.TrackMode, 4);
  EXPECT_FALSE(track.RT);
  EXPECT_TRUE(track.Blank);
  EXPECT_EQ(track.DataMode, 15);
  EXPECT_EQ(track.TrackStart, -150);
  EXPECT_EQ(track.NextWritable, 256);
  EXPECT_EQ(track.FreeBlockCount, 0x102);
  EXPECT_EQ(track.FixedPacketSize, 0x10);
  EXPECT_EQ(track.TrackSize, 0x57E40);

  // An answer without data length counts as a failure after three attempts; the record keeps
  // everything but its data length.
  answer.assign(100, 0);
  answer[6] = 9;
  Aspi.Seen.clear();
  disc.DiscStatus = 3;
  EXPECT_TRUE(ReadDiscInfo(kHa, kTarget, disc));
  EXPECT_EQ(Aspi.Seen.size(), 3u);
  EXPECT_EQ(disc.DataLength, 0);
  EXPECT_EQ(disc.DiscStatus, 3);
  EXPECT_EQ(disc.Raw[6], 7);
  track.TrackStart = 12;
  EXPECT_TRUE(ReadTrackInfo(kHa, kTarget, 1, track));
  EXPECT_EQ(track.DataLength, 0);
  EXPECT_EQ(track.TrackStart, 12);
}
