// The configuration: defaults, values refused with a clear reason, paths, and reading the file
// again when the medium can change.
#include "tools/virtual-recorder/Config.h"
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

using namespace vrec;
using namespace vrectest;

namespace {

std::string SenseOf(const drive::TOutcome &o) {
  char text[16];
  std::snprintf(text, sizeof text, "%X/%02X/%02X", unsigned{o.Sense.Key}, unsigned{o.Sense.Asc},
                unsigned{o.Sense.Ascq});
  return o.Ok() ? "GOOD" : text;
}

TEST(Config, DefaultsByKind) {
  TConfig c;
  std::string error;
  ASSERT_TRUE(ParseConfig("[device.0]\n[Device.1]\nKIND = Reader\n", "/d/", c, error)) << error;
  ASSERT_EQ(c.Devices.size(), 2u);
  const TDeviceConfig &r = c.Devices[0];
  EXPECT_EQ(r.Kind, TDeviceKind::Recorder);
  EXPECT_EQ(r.Target, 0);
  EXPECT_EQ(r.Vendor, "VIRTUAL");
  EXPECT_EQ(r.Product, "CD-R RECORDER");
  EXPECT_TRUE(r.CanSao && r.CanRaw && r.CanTao);
  EXPECT_EQ(r.Medium, TMediumKind::Blank);
  EXPECT_FALSE(r.TrayOpen);
  EXPECT_TRUE(r.Async);
  EXPECT_EQ(r.SpeedX, 0u);
  EXPECT_EQ(r.ImageStem, "/d/virtual-disc-0");
  EXPECT_EQ(r.JournalPath, "");
  EXPECT_EQ(r.MaxWriteKbps, 7056);
  const TDeviceConfig &d = c.Devices[1];
  EXPECT_EQ(d.Kind, TDeviceKind::Reader);
  EXPECT_EQ(d.Target, 1);
  EXPECT_EQ(d.Medium, TMediumKind::Audio);
  EXPECT_FALSE(d.CanSao || d.CanRaw || d.CanTao);
  EXPECT_EQ(d.MaxWriteKbps, 0);
}

TEST(Config, ValuesAndPaths) {
  TConfig c;
  std::string error;
  ASSERT_TRUE(ParseConfig("[device.0]\nadapter = 2\ntarget = 5\nwrite_types = tao raw\n"
                          "image = out/disc\njournal = \"C:\\logs\\j.txt\"\nspeed = 16\n"
                          "completion = sync\nfault.not_ready_ms = forever\n"
                          "fault.unit_attention = 29\nfault.write_error_lba = -150\n"
                          "fault.remove_medium_after_blocks = 1000\naudio_tracks = 10,20 30\n"
                          "fault.sync_cache_ms = 2500\n",
                          "/base/", c, error))
      << error;
  const TDeviceConfig &d = c.Devices[0];
  EXPECT_EQ(d.Adapter, 2);
  EXPECT_EQ(d.Target, 5);
  EXPECT_TRUE(d.CanTao && d.CanRaw && !d.CanSao);
  EXPECT_EQ(d.ImageStem, "/base/out/disc");
  EXPECT_EQ(d.JournalPath, "C:\\logs\\j.txt");
  EXPECT_EQ(d.SpeedX, 16u);
  EXPECT_FALSE(d.Async);
  EXPECT_TRUE(d.Faults.NotReadyForever);
  EXPECT_EQ(d.Faults.UnitAttentionAsc, 0x29);
  EXPECT_EQ(d.Faults.WriteErrorLba, -150);
  EXPECT_EQ(d.Faults.RemoveMediumAfterBlocks, 1000u);
  EXPECT_EQ(d.Faults.SyncCacheMs, 2500u);
  EXPECT_EQ(d.AudioTracks, (std::vector<int32_t>{10, 20, 30}));
  ASSERT_TRUE(ParseConfig("[device.0]\nimage = none\n", "", c, error));
  EXPECT_EQ(c.Devices[0].ImageStem, "");
}

TEST(Config, RefusedWithAReason) {
  struct TCase {
    const char *Text;
    const char *Reason;
  } cases[] = {
      {"[device.0]\ncolour = red\n", "colour = red: unknown key"},
      {"[device.0]\nkind = burner\n", "expected recorder, reader or other"},
      {"[device.0]\nvendor = TOOLONGNAME\n", "too long"},
      {"[device.0]\nadapter = 8\n", "from 0 to 7"},
      {"[device.0]\nkind = reader\nwrite_types = sao\n", "only a recorder writes"},
      {"[device.0]\nwrite_types = dao\n", "sao, raw and tao"},
      {"[device.0]\nkind = reader\nmedium = blank\n", "only a recorder"},
      {"[device.0]\nmedium = dvd\n", "blank, audio or none"},
      {"[device.0]\ntray = ajar\n", "open or closed"},
      {"[device.0]\nspeed = 0\n", "unlimited or a speed factor"},
      {"[device.0]\nbuffer_kb = 63\n", "from 64 to 65535 kB"},
      {"[device.0]\nbuffer_kb = 65536\n", "from 64 to 65535 kB"},
      {"[device.0]\ncompletion = later\n", "async or sync"},
      {"[device.0]\nfault.not_ready_ms = never\n", "milliseconds or forever"},
      {"[device.0]\nfault.unit_attention = x9\n", "hexadecimal ASC"},
      {"[device.0]\nfault.write_error_lba = soon\n", "none or an LBA"},
      {"[device.0]\nfault.reject_cue_sheet = maybe\n", "yes or no"},
      {"[device.0]\nfault.remove_medium_after_blocks = -1\n", "a number of blocks"},
      {"[device.0]\nfault.unit_attention_after_blocks = soon\n", "a number of blocks"},
      {"[device.0]\nfault.sync_cache_ms = 3600001\n", "milliseconds up to 3600000"},
      {"[device.0]\ncapabilities_page_length = 200\n", "from 14 to 60"},
      {"[device.0]\naudio_tracks = 0\n", "track lengths"},
      {"[device.0]\nspeed = 4\nspeed = 8\n", "given twice"},
      {"[device.1]\n", "numbered 0, 1, ... in order"},
      {"[device.0]\n[device.1]\ntarget = 0\n", "already taken"},
      {"[drives]\n", "unknown section"},
      {"speed = 4\n[device.0]\n", "line 1: expected key = value inside a section"},
      {"[device.0\n", "unterminated section"},
  };
  for (const TCase &c : cases) {
    TConfig config;
    std::string error;
    EXPECT_FALSE(ParseConfig(c.Text, "", config, error)) << c.Text;
    EXPECT_NE(error.find(c.Reason), std::string::npos) << c.Text << " -> " << error;
  }
}

TEST(Config, TheFileIsReadAgainWhenTheDiscCanChange) {
  testsupport::TTempDir dir;
  const std::string ini = dir.File("vr.ini");
  testsupport::WriteFile(ini, std::string(kRecorder));
  std::string error;
  vrec::TRecorderOptions options;
  options.SignalEvent = [](void *) {};
  auto set = TRecorderSet::FromFile(ini, error, options);
  ASSERT_NE(set, nullptr) << error;
  const TRecorder *device = set->Device(0, 0);
  InstallRecorderSet(std::move(set));
  drive::THost host(drive::InProcessEntry(), 0, 0);
  std::string why;
  ASSERT_TRUE(drive::RecordSao(host, {Audio(300, 1)}, false, why)) << why;

  ASSERT_TRUE(host.StartStop(2).Ok());
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "2/3A/02") << "unchanged file: the tray stays open";
  ASSERT_TRUE(host.StartStop(3).Ok());
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "6/28/00");
  EXPECT_EQ(device->Disc().State, TDiscState::Complete) << "the same disc came back";

  ASSERT_TRUE(host.StartStop(2).Ok());
  testsupport::WriteFile(ini, std::string(kRecorder) + "; a fresh blank disc\n");
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "6/28/00") << "read at TEST UNIT READY";
  EXPECT_TRUE(host.TestUnitReady().Ok());
  EXPECT_EQ(device->Disc().State, TDiscState::Blank);

  testsupport::WriteFile(ini, std::string(kRecorder) + "medium = none\n");
  ASSERT_TRUE(host.StartStop(2).Ok()) << "read after the eject";
  EXPECT_FALSE(device->HasMedium());
  EXPECT_FALSE(device->TrayOpen()) << "the file closes the tray again";
  testsupport::WriteFile(ini, std::string(kRecorder) + "medium = cd\n");
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "2/3A/01");
  testsupport::WriteFile(ini, std::string(kRecorder) + "medium = audio\n");
  EXPECT_EQ(SenseOf(host.TestUnitReady()), "6/28/00");
  EXPECT_TRUE(host.TestUnitReady().Ok());
  const std::string journal = testsupport::ReadFile(dir.File("journal.txt"));
  EXPECT_EQ(CountLines(journal, "configuration not re-read: [device.0] medium = cd"), 1);
  EXPECT_EQ(CountLines(journal, "configuration changed, new disc"), 3);
  InstallRecorderSet(nullptr);
}

TEST(Config, JournalLinesAreStable) {
  TRig rig(kRecorder);
  std::vector<uint8_t> a;
  ASSERT_TRUE(rig.Host().Inquiry(a).Ok());
  ASSERT_FALSE(rig.Host().ReadToc(2, false, 0, a).Ok());
  const std::string journal = rig.Journal();
  EXPECT_EQ(CountLines(journal, "0:0 note: configured: VIRTUAL CD-R RECORDER 1.0, medium blank, "
                                "tray closed"),
            1);
  EXPECT_EQ(
      CountLines(journal, "0:0 12 00 00 00 24 00 | INQUIRY allocation 36 | GOOD, 36 bytes in"), 1);
  EXPECT_EQ(CountLines(journal, "0:0 43 00 02 00 00 00 00 04 00 00 | READ TOC format 2 track 0 "
                                "allocation 1024 | CHECK CONDITION 5/24/00 (the disc has no "
                                "table of contents)"),
            1)
      << journal;
}

} // namespace
