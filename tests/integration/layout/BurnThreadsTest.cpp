// The burn module's recordings end to end over the virtual recorder linked in: each method
// succeeds, also when cancelled during the writer's last flush (the disc is finished); every
// failure path (a cancel at the cache thread's start, in the lead-in, the pregap, between
// track-at-once tracks, mid-track, with the cache full; a write error, a removed disc, a
// refused cue sheet, nothing to record, an album longer than the disc) ends as a failure with its
// log lines, never hangs, and leaves no thread behind.
#include "applet/device/Aspi.h"
#include "applet/device/DeviceModule.h"
#include "applet/device/Discovery.h"
#include "applet/layout/UnitBurn.h"
#include "applet/platform/Dispatcher.h"
#include "applet/recording/Cache.h"
#include "applet/recording/XAudio.h"
#include "tests/support/TestSupport.h"
#include "tools/virtual-recorder/VirtualRecorder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace layout {
namespace {

constexpr int kSectorBytes = 2352;
constexpr auto kTimeout = std::chrono::seconds(60);

class THost final : public TBurnHost {
public:
  void RecordingFinished() override { ++Finished; }
  void ReportLine(const std::string &line) override { Lines.push_back(line); }
  void ProcessMessages() override {}
  void ShowRecordingProgress(int percent, const std::string &title) override {
    Percent = percent;
    Title = title;
  }
  int Finished = 0;
  int Percent = -1;
  std::string Title;
  std::vector<std::string> Lines;
};

// A WAV file of sectors * 2352 bytes of a pattern after a 44-byte header.
void WriteWav(const std::string &path, int sectors) {
  std::string data(44, 'H');
  for (int i = 0; i < sectors * kSectorBytes; ++i)
    data.push_back(static_cast<char>(i * 7 + i / kSectorBytes));
  testsupport::WriteFile(path, data);
}

// A WAV file that claims minutes of audio without holding them (sparse).
void WriteLongWav(const std::string &path, long minutes) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(0, std::fseek(f, minutes * 60 * 75 * kSectorBytes + 43, SEEK_SET));
  std::fputc(0, f);
  std::fclose(f);
}

struct TCase {
  const char *Name;
  device::TWriteMethod Method;
  const char *Recorder;    // extra recorder keys
  std::vector<int> Tracks; // sectors of each WAV track
  const char *CancelAt;    // cancel once a log line holds this text (or null)
  bool CancelWhenCacheFull;
  bool Succeeds;
  std::vector<std::string> LogLines; // lines the log must hold
  const char *ReportedLine;          // a line reported to the session (or null)
};

class BurnThreadsTest : public ::testing::TestWithParam<TCase> {
protected:
  void SetUp() override {
    platform::TMainThread::Adopt();
    platform::TMainThread::Reset();
  }
  void TearDown() override {
    burn_.reset();
    module_.reset();
    vrec::InstallRecorderSet(nullptr);
  }

  void StartDevices(const std::string &keys) {
    std::string error;
    auto set = vrec::TRecorderSet::FromText(
        "[device.0]\ncompletion = sync\nimage = disc\njournal = journal.txt\n" + keys, dir_.Path(),
        error);
    ASSERT_NE(set, nullptr) << error;
    vrec::InstallRecorderSet(std::move(set));
    device::TAspiEntryPoints entry;
    entry.GetSupportInfo = &vrec::GetASPI32SupportInfo;
    entry.SendCommand = &vrec::SendASPI32Command;
    module_ = std::make_unique<device::TDeviceModule>(entry);
    burn_ = std::make_unique<TBurnDataModule>();
    if (!device::Recorders().empty())
      burn_->SetRecorder(*device::Recorders().front().Drive);
    burn_->Host = &host_;
    burn_->TestWrite = false;
  }

  bool LogHas(const std::string &text) const {
    for (const std::string &line : burn_->Status.Controls().Log)
      if (line.find(text) != std::string::npos)
        return true;
    return false;
  }

  std::string LogText() const { return burn_->Status.LogText(); }

  testsupport::TTempDir dir_;
  // Boxes are recorded, not shown; files pass through.
  testsupport::TFakePlatform fake_;
  platform::TPlatformOverride use_{fake_};
  THost host_;
  std::unique_ptr<device::TDeviceModule> module_;
  std::unique_ptr<TBurnDataModule> burn_;
};

TEST_P(BurnThreadsTest, EndsAsExpected) {
  const TCase &c = GetParam();
  StartDevices(c.Recorder);
  for (size_t i = 0; i < c.Tracks.size(); ++i) {
    const std::string name = dir_.File("t" + std::to_string(i + 1) + ".wav");
    if (c.Tracks[i] < 0)
      WriteLongWav(name, -c.Tracks[i]);
    else
      WriteWav(name, c.Tracks[i]);
    burn_->ExplicitTracks.push_back(name);
  }
  if (c.Tracks.empty())
    burn_->ExplicitTracks.push_back(dir_.File("missing.wav"));

  const bool nothingStarted = c.Method == device::Dao   ? burn_->StartDaoRecording()
                              : c.Method == device::Tao ? burn_->StartTaoRecording()
                                                        : burn_->StartSaoRecording();
  bool cancelled = false;
  const auto deadline = std::chrono::steady_clock::now() + kTimeout;
  while (!nothingStarted && host_.Finished == 0 && !cancelled) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "hangs; log:\n" << LogText();
    platform::TMainThread::ProcessPending();
    const recording::TPacketList *cache = recording::CurrentCache();
    if ((c.CancelAt && LogHas(c.CancelAt)) ||
        (c.CancelWhenCacheFull && cache && cache->PercentFull() == 100)) {
      burn_->CancelRecording();
      cancelled = true;
    }
    platform::TMainThread::WaitPending(5);
  }
  platform::TMainThread::ProcessPending();

  EXPECT_EQ(c.Succeeds, !nothingStarted && burn_->RecordingSucceeded()) << LogText();
  EXPECT_FALSE(burn_->Recording());
  if (cancelled) {
    EXPECT_TRUE(burn_->Status.UserCancelled);
    EXPECT_EQ(0, host_.Finished); // the cancel ends the recording itself
    EXPECT_EQ(nullptr, recording::CurrentCache());
    EXPECT_FALSE(recording::DecoderBound());
  }
  if (!cancelled && !nothingStarted) {
    EXPECT_EQ(1, host_.Finished);
  }
  if (nothingStarted) {
    EXPECT_EQ(nullptr, recording::CurrentCache());
    EXPECT_FALSE(recording::DecoderBound());
  }
  for (const std::string &line : c.LogLines)
    EXPECT_TRUE(LogHas(line)) << line << " missing in\n" << LogText();
  if (c.Tracks.empty()) { // the missing file was reported in a box, not in the memo
    EXPECT_EQ(1u, fake_.MessageBoxes.size());
    EXPECT_TRUE(host_.Lines.empty());
  }
  if (c.ReportedLine) {
    ASSERT_FALSE(host_.Lines.empty());
    EXPECT_EQ(c.ReportedLine, host_.Lines.back());
  }
  if (c.Succeeds) {
    EXPECT_EQ(100, host_.Percent);
    EXPECT_EQ("Burn [100%]", host_.Title);
    EXPECT_TRUE(testsupport::ReadFile(dir_.File("disc.cue")).size() > 0);
  }
}

const TCase kCases[] = {
    {"sao",
     device::Sao,
     "",
     {300, 200},
     nullptr,
     false,
     true,
     {"Thread1: Executing (Cache enabled)", "Thread1: Sending Cue Sheet",
      "Track 2 (t2.wav) lasts 2.67 s; silence extends it to 4 s [300 Sectors]",
      "Thread1: Processing Track 2  [Audio]  [300 Sectors]", "Thread2: Synchronizing Cache",
      "Thread1: Thread 2 has terminated"},
     nullptr},
    {"dao",
     device::Dao,
     "",
     {300, 200},
     nullptr,
     false,
     true,
     {"Thread1: Start LBA is -11634", "Thread1: Processing Lead-in",
      "Thread1: Processing Lead-out"},
     nullptr},
    {"tao",
     device::Tao,
     "",
     {300, 200, 100},
     nullptr,
     false,
     true,
     {"Thread1: Processing Track 3  [Audio]  [300 Sectors]", "Thread2: Closing Session"},
     nullptr},
    {"cancel at the start", device::Sao, "", {3000}, "Executing", false, false, {}, nullptr},
    {"cancel in the lead-in",
     device::Dao,
     "",
     {3000},
     "Processing Lead-in",
     false,
     false,
     {},
     nullptr},
    {"cancel mid-track",
     device::Tao,
     "",
     {3000, 3000},
     "Processing Track 2",
     false,
     false,
     {},
     nullptr},
    {"cancel in the pregap",
     device::Sao,
     "speed = 1\nbuffer_kb = 64\n",
     {3000},
     "Pregap [150 Sectors]",
     false,
     false,
     {},
     nullptr},
    {"cancel between tao tracks",
     device::Tao,
     "",
     {300, 3000},
     "Thread 2 has terminated",
     false,
     false,
     {},
     nullptr},
    {"cancel during the flush",
     device::Sao,
     "fault.sync_cache_ms = 400\n",
     {300},
     "Synchronizing Cache",
     false,
     true, // all sent: the flush finishes the disc
     {},
     nullptr},
    {"cancel during the dao flush",
     device::Dao,
     "fault.sync_cache_ms = 400\n",
     {300},
     "Synchronizing Cache",
     false,
     true, // all sent: the flush finishes the disc
     {},
     nullptr},
    {"cancel with the cache full",
     device::Sao,
     "speed = 4\n",
     {20000},
     nullptr,
     true,
     false,
     {},
     nullptr},
    {"write error",
     device::Sao,
     "fault.write_error_lba = 100\n",
     {300},
     nullptr,
     false,
     false,
     {"Thread2: Write Error @ Sector 81"},
     nullptr},
    {"medium removed",
     device::Dao,
     "fault.remove_medium_after_blocks = 5000\n",
     {300},
     nullptr,
     false,
     false,
     {"Thread2: Write Error @ Sector "},
     nullptr},
    {"cue sheet refused",
     device::Sao,
     "fault.reject_cue_sheet = yes\n",
     {300},
     nullptr,
     false,
     false,
     {"Thread1: Error sending cue sheet"},
     nullptr},
    {"tao-only recorder refuses sao",
     device::Sao,
     "write_types = tao\n",
     {300},
     nullptr,
     false,
     false,
     {"Thread1: Error setting write parameters"},
     nullptr},
    {"tao-only recorder records tao",
     device::Tao,
     "write_types = tao\n",
     {300},
     nullptr,
     false,
     true,
     {},
     nullptr},
    {"empty layout", device::Sao, "", {}, nullptr, false, false, {}, nullptr},
    {"album longer than the disc",
     device::Dao,
     "",
     {-81},
     nullptr,
     false,
     false,
     {},
     "*** Error - This album needs 81:02 minutes but the blank CD holds only 80:00 minutes. "
     "Nothing was recorded."},
};

INSTANTIATE_TEST_SUITE_P(Recordings, BurnThreadsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TCase> &info) {
                           std::string name;
                           for (const char *p = info.param.Name; *p; ++p)
                             name += (std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
                           return name;
                         });

} // namespace
} // namespace layout
