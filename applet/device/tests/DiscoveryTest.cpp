#include "applet/device/Discovery.h"
#include "DeviceFixture.h"
#include "applet/device/BigEndian.h"
#include "applet/device/MMC.h"
#include "applet/device/MmcRequest.h"

using namespace device;
using fakeaspi::TFakeDrive;
using fakeaspi::TMedium;

namespace {

using TBytes = std::vector<uint8_t>;

std::vector<std::string> Texts(const TSpeedList &list) {
  std::vector<std::string> texts;
  for (const TSpeedEntry &e : list)
    texts.push_back(e.Text);
  return texts;
}

const TDriveData *Find(const TDriveList &list, uint8_t adapter, uint8_t target) {
  for (const TDriveListEntry &e : list)
    if (e.Drive->HaId == adapter && e.Drive->Target == target)
      return e.Drive;
  return nullptr;
}

const std::vector<std::string> kFullList = {"Max", "40x", "30x", "20x", "16x", "12x",
                                            "10x", "8x",  "6x",  "4x",  "2x",  "1x"};

} // namespace

TEST(DriveSpeeds, FactorsRoundHalvesToEven) {
  const std::pair<uint16_t, int16_t> cases[] = {
      {1411, 8}, {8467, 48}, {880, 5},  {0, 0},     {87, 0},
      {88, 0},   {264, 2},   {1496, 8}, {1672, 10}, {65535, 372},
  };
  for (const auto &c : cases)
    EXPECT_EQ(SpeedFactor(c.first), c.second) << c.first << " kB/s";
}

TEST(DriveSpeeds, ListsFromFactors) {
  EXPECT_EQ(Texts(SpeedList(8)), (std::vector<std::string>{"Max", "8x", "6x", "4x", "2x", "1x"}));
  std::vector<std::string> from48 = kFullList;
  from48.insert(from48.begin() + 1, "48x");
  EXPECT_EQ(Texts(SpeedList(48)), from48);
  EXPECT_EQ(Texts(SpeedList(5)), (std::vector<std::string>{"Max", "4x", "2x", "1x"}));
  EXPECT_EQ(Texts(SpeedList(40)), kFullList);
  EXPECT_EQ(Texts(SpeedList(kUnknownFactor)), kFullList);
  EXPECT_EQ(Texts(SpeedList(0)), std::vector<std::string>{"Max"});

  const TSpeedList list = SpeedList(48);
  EXPECT_EQ(list[0], (TSpeedEntry{"Max", 0xFFFF}));
  EXPECT_EQ(list[1], (TSpeedEntry{"48x", 8448}));
  EXPECT_EQ(list.back(), (TSpeedEntry{"1x", 176}));
}

TEST(DriveCapabilities, FieldsFromThePage) {
  TBytes answer(255, 0);
  const TBytes page = {0x2A, 0x18, 0x07, 0x05, 0x71, 0xA5, 0x29, 0x0A, 0x10, 0x8A, 0x01,
                       0x00, 0x04, 0x00, 0x05, 0x83, 0x00, 0x3E, 0x21, 0x13, 0x05, 0x83};
  std::copy(page.begin(), page.end(), answer.begin() + 8);
  TDriveData d;
  ASSERT_TRUE(ParseCapabilities(answer, d));
  EXPECT_EQ(d.CapPageLength, 0x18);
  EXPECT_TRUE(d.ReadMethod2 && d.ReadCDRW && d.ReadCDR);
  EXPECT_TRUE(d.CanTestWrite && !d.WriteCDRW && d.WriteCDR);
  EXPECT_TRUE(d.MultiSession && d.Mode2Form2 && d.Mode2Form1 && !d.DigitalPort2 && d.AudioPlay);
  EXPECT_TRUE(d.ReadBarCode && !d.UPC && d.ISRC && !d.C2Pointers && d.RWSupported &&
              d.CDDACommands && !d.CDDAStreamAccurate);
  EXPECT_TRUE(d.CanEject && !d.PreventJumper && !d.LockState && d.CanLock);
  EXPECT_TRUE(d.SideChange && !d.SlotSelection && d.SeparateChannelMute && !d.SeparateVolume);
  EXPECT_EQ(d.LoadingMechanism, "001");
  EXPECT_EQ(d.MaxReadSpeed, 0x108A);
  EXPECT_EQ(d.MaxReadX, 24);
  EXPECT_EQ(d.VolumeLevels, 256);
  EXPECT_EQ(d.BufferSize, 1024);
  EXPECT_EQ(d.CurrentReadSpeed, 1411);
  EXPECT_EQ(d.DigitalOutLength, "11");
  EXPECT_TRUE(d.LSBF && d.RCK && d.BCKF);
  EXPECT_EQ(d.MaxWriteSpeed, 0x2113);
  EXPECT_EQ(d.MaxWriteX, 48);
  EXPECT_EQ(d.CurrentWriteSpeed, 1411);
}

TEST(DriveCapabilities, ShortOddAndMissingPages) {
  // A page too short for write speeds keeps the write factor unknown; a drive that claims
  // neither CD-R reading nor writing is taken to read CD-R.
  TBytes answer(255, 0);
  const TBytes shortPage = {0x2A, 0x12, 0x00, 0x00, 0, 0, 0, 0, 0x05, 0x83};
  std::copy(shortPage.begin(), shortPage.end(), answer.begin() + 8);
  answer[8 + 18] = 0x21;
  TDriveData d;
  ASSERT_TRUE(ParseCapabilities(answer, d));
  EXPECT_EQ(d.MaxWriteSpeed, 0);
  EXPECT_EQ(d.MaxWriteX, -1);
  EXPECT_EQ(d.MaxReadX, 8);
  EXPECT_TRUE(d.ReadCDR);

  // A page whose length runs past the answer reads zero there.
  answer.assign(255, 0x01);
  answer[245] = 0x2A;
  answer[246] = 0x14;
  d = TDriveData();
  ASSERT_TRUE(ParseCapabilities(answer, d));
  EXPECT_EQ(d.MaxReadSpeed, 0x0101);
  EXPECT_EQ(d.BufferSize, 0);
  EXPECT_EQ(d.MaxWriteSpeed, 0);
  EXPECT_EQ(d.MaxWriteX, 0);

  answer.assign(255, 0x01);
  d = TDriveData();
  EXPECT_FALSE(ParseCapabilities(answer, d));
  EXPECT_EQ(d.MaxReadX, -1);
  EXPECT_FALSE(d.ReadCDR);
}

namespace {

// A MODE SENSE(10) answer: the header with its lengths, the block descriptors, then the page.
TBytes ModeAnswer(const TBytes &descriptors, const TBytes &page) {
  TBytes answer(8, 0);
  answer.insert(answer.end(), descriptors.begin(), descriptors.end());
  answer.insert(answer.end(), page.begin(), page.end());
  PutBe16(answer.data(), static_cast<uint16_t>(answer.size() - 2));
  PutBe16(answer.data() + 6, static_cast<uint16_t>(descriptors.size()));
  return answer;
}

} // namespace

TEST(ModePages, FoundAfterTheHeaderAndBlockDescriptors) {
  const TBytes caps34 = fakeaspi::CapabilitiesPage({8467, 7056}, 34);
  const TBytes write = fakeaspi::WriteParametersPage();
  const TBytes lure = {0x00, 0x2A, 0x05, 0x00, 0x00, 0x2A, 0x05, 0x00}; // one block descriptor
  TBytes psBit = caps34;
  psBit[0] |= 0x80;
  TBytes zeroHeader(8, 0);
  zeroHeader.insert(zeroHeader.end(), caps34.begin(), caps34.end());
  TBytes descriptorsPastEnd = ModeAnswer({}, fakeaspi::CapabilitiesPage({8467, 7056}));
  descriptorsPastEnd[7] = 0xF0;
  struct TCase {
    const char *Name;
    TBytes Answer;
    uint8_t Page;
    size_t Want;
  };
  const TCase cases[] = {
      {"34-byte page: the header's length byte is 0x2A", ModeAnswer({}, caps34), 0x2A, 8},
      {"page after a block descriptor holding both codes", ModeAnswer(lure, caps34), 0x2A, 16},
      {"write page after a block descriptor", ModeAnswer(lure, write), 0x05, 16},
      {"parameters-savable bit set", ModeAnswer({}, psBit), 0x2A, 8},
      {"another page where the header points", ModeAnswer({}, write), 0x2A, kNoModePage},
      {"zero header: scanned", zeroHeader, 0x2A, 8},
      {"descriptors past the answer: scanned", descriptorsPastEnd, 0x2A, 8},
      {"shorter than a header: scanned", {0x00, 0x01, 0x05, 0x2A}, 0x2A, 3},
      {"nothing anywhere", TBytes(255, 0x01), 0x05, kNoModePage},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(FindModePage(c.Answer.data(), c.Answer.size(), c.Page), c.Want) << c.Name;

  TDriveData d;
  ASSERT_TRUE(ParseCapabilities(ModeAnswer({}, caps34), d));
  EXPECT_EQ(d.CapPageLength, 34);
  EXPECT_EQ(d.MaxWriteX, 40);
  EXPECT_EQ(d.MaxReadX, 48);
  EXPECT_TRUE(d.WriteCDR && d.CanTestWrite);
  d = TDriveData();
  EXPECT_FALSE(ParseCapabilities(ModeAnswer({}, write), d));

  const TBytes sense = ModeAnswer(lure, write);
  std::copy(sense.begin(), sense.end(), d.ModePage5.begin());
  TBytes list;
  ASSERT_FALSE(BuildWriteParams(d, Sao, TTrackMode::Audio, TDiscType::DaOrRom, false, false, list));
  EXPECT_EQ(TBytes(list.begin() + 8, list.begin() + 16),
            (TBytes{0x05, write[1], 0x02, 0x00, 0x00, 0x07, 0x00, 0x11}));
}

TEST_F(TDeviceTest, BusScanFindsEveryCdDeviceInBusOrder) {
  Aspi.Adapters = 2;
  TFakeDrive reader = fakeaspi::Recorder({0, 0}, {});
  reader.Product = "CD-ROM";
  reader.Revision = "2.10 ";
  reader.Capabilities = fakeaspi::CapabilitiesPage({7040, 0});
  TFakeDrive disk = fakeaspi::Recorder({0, 2});
  disk.DeviceType = 0x00;
  TFakeDrive taoOnly = fakeaspi::Recorder({1, 5}, {1});
  taoOnly.Vendor = "OLD";
  taoOnly.Product = "WRITER";
  Aspi.Drives = {fakeaspi::Recorder({0, 3}), reader, disk, fakeaspi::Recorder({0, 1}), taoOnly};
  Start();

  std::vector<std::string> names;
  for (const TDriveListEntry &e : AllDevices())
    names.push_back(e.Name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"00:00  VIRTUAL CD-ROM 2.10", "00:01  VIRTUAL CD-R 1.0",
                                      "00:03  VIRTUAL CD-R 1.0", "01:05  OLD WRITER 1.0"}));
  ASSERT_EQ(Recorders().size(), 3u);
  EXPECT_EQ(Recorders()[0].Name, "00:01  VIRTUAL CD-R 1.0");
  EXPECT_EQ(Recorders()[0].Drive, Find(AllDevices(), 0, 1));
  EXPECT_EQ(Recorders()[1].Drive->Target, 3);
  EXPECT_EQ(Recorders()[2].Drive->HaId, 1);

  const TDriveData *r = Find(AllDevices(), 0, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(r->CapabilitiesRead);
  EXPECT_FALSE(r->IsRecorder || r->CanSAO || r->CanRaw || r->CanTAO);
  EXPECT_EQ(r->MaxReadX, 40);
  EXPECT_EQ(r->MaxWriteX, 0);
  EXPECT_EQ(Texts(r->WriteSpeeds), std::vector<std::string>{"Max"});
  EXPECT_EQ(Texts(r->ReadSpeeds), kFullList);

  const TDriveData *w = Find(AllDevices(), 1, 5);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->IsRecorder && w->CanTAO);
  EXPECT_FALSE(w->CanSAO || w->CanRaw);
  const TDriveData *all = Find(AllDevices(), 0, 3);
  EXPECT_TRUE(all->CanSAO && all->CanRaw && all->CanTAO);
  EXPECT_EQ(all->Vendor, "VIRTUAL");
}

TEST_F(TDeviceTest, WriteMethodsAreTriedInOrder) {
  Aspi.Drives = {fakeaspi::Recorder({0, 1}, {3, 1})};
  ASSERT_TRUE(MmcStartup(Aspi.EntryPoints()));
  std::vector<TBytes> pages;
  for (const fakeaspi::TSeenRequest &r : Aspi.Seen)
    if (r.Cdb[0] == kOpModeSelect10)
      pages.emplace_back(r.DataOut.begin() + 8 + 2, r.DataOut.begin() + 8 + 5);
  EXPECT_EQ(pages, (std::vector<TBytes>{{0x12, 0, 0}, {0x13, 0, 1}, {0x11, 0, 0}}));
  const TDriveData &d = *Recorders().at(0).Drive;
  EXPECT_TRUE(!d.CanSAO && d.CanRaw && d.CanTAO);
  EXPECT_EQ(d.ModePage5[8], 0x05);
  MmcShutdown();
}

TEST_F(TDeviceTest, WriteParameterPageSources) {
  TFakeDrive currentOnly = fakeaspi::Recorder({0, 0});
  currentOnly.DefaultWritePageFails = true;
  TFakeDrive noPage = fakeaspi::Recorder({0, 1});
  noPage.WritePage.clear();
  TFakeDrive noCapabilities = fakeaspi::Recorder({0, 2});
  noCapabilities.Capabilities.clear();
  Aspi.Drives = {currentOnly, noPage, noCapabilities};
  ASSERT_TRUE(MmcStartup(Aspi.EntryPoints()));
  std::vector<std::pair<uint8_t, uint8_t>> senses; // target, CDB byte 2
  for (const fakeaspi::TSeenRequest &r : Aspi.Seen)
    if (r.Cdb[0] == kOpModeSense10 && (r.Cdb[2] & 0x3F) == kPageWriteParameters)
      senses.emplace_back(r.Target, r.Cdb[2]);
  EXPECT_EQ(senses, (std::vector<std::pair<uint8_t, uint8_t>>{
                        {0, 0x85}, {0, 0x05}, {1, 0x85}, {1, 0x05}, {2, 0x85}}));
  EXPECT_TRUE(Find(AllDevices(), 0, 0)->CanSAO);
  EXPECT_FALSE(Find(AllDevices(), 0, 1)->IsRecorder);
  EXPECT_EQ(Recorders().size(), 2u);

  const TDriveData *d = Find(AllDevices(), 0, 2);
  EXPECT_FALSE(d->CapabilitiesRead);
  EXPECT_TRUE(d->IsRecorder);
  EXPECT_EQ(d->MaxWriteX, -1);
  EXPECT_EQ(Texts(d->WriteSpeeds), kFullList);
  EXPECT_EQ(Texts(d->ReadSpeeds), kFullList);
  MmcShutdown();
}

TEST_F(TDeviceTest, WriteSpeedListsOfDiscoveredRecorders) {
  Aspi.Drives = {fakeaspi::Recorder({0, 0}, {2}, 1411), fakeaspi::Recorder({0, 1}, {2}, 8467),
                 fakeaspi::Recorder({0, 2}, {2}, 880)};
  Start();
  ASSERT_EQ(Recorders().size(), 3u);
  EXPECT_EQ(Texts(Recorders()[0].Drive->WriteSpeeds),
            (std::vector<std::string>{"Max", "8x", "6x", "4x", "2x", "1x"}));
  EXPECT_EQ(Recorders()[1].Drive->MaxWriteX, 48);
  EXPECT_EQ(Texts(Recorders()[1].Drive->WriteSpeeds).at(1), "48x");
  EXPECT_EQ(Texts(Recorders()[1].Drive->WriteSpeeds).size(), 13u);
  EXPECT_EQ(Texts(Recorders()[2].Drive->WriteSpeeds),
            (std::vector<std::string>{"Max", "4x", "2x", "1x"}));
}

TEST_F(TDeviceTest, BlankDiscTestAndEject) {
  struct TCase {
    const char *Name;
    TMedium Medium;
    bool TrayOpen;
    bool Blank;
    size_t Loads;
  };
  const TCase cases[] = {
      {"blank disc", TMedium::Blank, false, true, 0},
      {"blank disc in an open tray", TMedium::Blank, true, true, 1},
      {"closed drive without a disc", TMedium::None, false, false, 1},
      {"audio CD", TMedium::Audio, false, false, 0},
  };
  Aspi.Drives = {fakeaspi::Recorder({0, 1})};
  Start();
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    Aspi.Drives[0].Medium = c.Medium;
    Aspi.Drives[0].TrayOpen = c.TrayOpen;
    Aspi.Seen.clear();
    EXPECT_EQ(IsDiscBlank(0, 1), c.Blank);
    EXPECT_EQ(Aspi.Count(kOpStartStopUnit), c.Loads);
    EXPECT_FALSE(Aspi.Drives[0].TrayOpen);
    ASSERT_EQ(Aspi.Count(kOpReadToc), 1u);
    EXPECT_EQ(Aspi.Last().Cdb, TBytes({0x43, 0, 0, 0, 0, 0, 0, 0x04, 0x00, 0x80}));
  }

  Aspi.Seen.clear();
  EXPECT_FALSE(EjectDisc(0, 1));
  EXPECT_TRUE(Aspi.Drives[0].TrayOpen);
  EXPECT_EQ(Aspi.Last().Cdb, TBytes({0x1B, 0, 0, 0, 2, 0}));
  EXPECT_TRUE(Fake.MessageBoxes.empty());
}
