// Buffer underruns of a paced recorder: the buffer fills with each write and, once full,
// drains at the configured speed; a host that stalls too long while a recording streams
// empties it.
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

using namespace vrec;
using namespace vrectest;

namespace {

constexpr int kPacket = 27;
constexpr int32_t kTrackBlocks = 3000;
constexpr int32_t kNoStall = INT32_MAX;
// At 4x (705,600 bytes/s) the default 2 MB buffer holds 2.97 s, 256 kB 0.37 s.
constexpr char kPaced[] = "speed = 4\n";

struct TRun {
  bool Ok = false;
  int32_t StallLba = 0; // the write the host stalled before
  std::string Failure;  // the failing step's sense
};

std::string SenseOf(const drive::TOutcome &o) {
  char text[16];
  std::snprintf(text, sizeof text, "%X/%02X/%02X", unsigned{o.Sense.Key}, unsigned{o.Sense.Asc},
                unsigned{o.Sense.Ascq});
  return text;
}

// Records one audio track session-at-once in 27-block packets. The host stalls stallMs before
// the first write at or after stallLba (or, when stallLba is past the track, before
// SYNCHRONIZE CACHE).
TRun RecordSao(TRig &rig, bool test, bool protection, int32_t stallLba, uint64_t stallMs) {
  drive::THost host = rig.Host();
  const drive::TAudioTrack track = Audio(kTrackBlocks, 7, 150);
  TRun run;
  drive::TOutcome o = host.SetWriteParams(2, 0, 0, test, protection);
  if (o.Ok())
    o = host.SendCueSheet(drive::AudioCueSheet({track}));
  const std::vector<uint8_t> silence(size_t{kPacket} * 2352, 0);
  bool stalled = false;
  for (int32_t lba = -150; o.Ok() && lba < kTrackBlocks; lba += kPacket) {
    const int32_t n = std::min(kPacket, kTrackBlocks - lba);
    if (!stalled && lba >= stallLba) {
      rig.AdvanceMs(stallMs);
      stalled = true;
      run.StallLba = lba;
    }
    const uint8_t *data = lba < 0 ? silence.data() : &track.Data[size_t(lba) * 2352];
    o = host.Write10(lba, n, data, n * 2352u);
  }
  if (o.Ok() && !stalled)
    rig.AdvanceMs(stallMs);
  if (o.Ok())
    o = host.SyncCache();
  run.Ok = o.Ok();
  run.Failure = o.Ok() ? "" : SenseOf(o);
  return run;
}

TEST(Underrun, AStallWhileTheRecordingStreams) {
  const struct {
    const char *Name;
    const char *Keys;
    bool Test;
    bool Protection;
    int32_t StallLba;
    uint64_t StallMs;
    bool Underrun;
    bool Fails;
  } cases[] = {
      {"a host that keeps up", kPaced, false, false, kNoStall, 0, false, false},
      {"a stall while the buffer first fills", kPaced, false, false, -100, 10000, false, false},
      {"a stall shorter than the buffer", kPaced, false, false, 1500, 2900, false, false},
      {"a stall longer than the buffer", kPaced, false, false, 1500, 3100, true, true},
      {"the same stall with underrun protection", kPaced, false, true, 1500, 3100, true, false},
      {"a stall after the last block", kPaced, false, false, kTrackBlocks, 10000, false, false},
      {"a smaller buffer", "speed = 4\nbuffer_kb = 256\n", false, false, 1500, 500, true, true},
      {"a faster drive", "speed = 52\n", false, false, 1500, 300, true, true},
      {"a faster drive with protection", "speed = 52\n", false, true, 1500, 300, true, false},
      {"a test write", kPaced, true, false, 1500, 3100, true, true},
      {"an unpaced drive", "", false, false, 1500, 100000, false, false},
  };
  for (const auto &c : cases) {
    TRig rig(std::string(kRecorder) + c.Keys);
    const TRun run = RecordSao(rig, c.Test, c.Protection, c.StallLba, c.StallMs);
    const std::string journal = rig.Journal();
    const std::string line = "note: buffer underrun at LBA " + std::to_string(run.StallLba);
    EXPECT_EQ(CountLines(journal, "note: buffer underrun at LBA "), c.Underrun ? 1 : 0) << c.Name;
    EXPECT_EQ(run.Ok, !c.Fails) << c.Name << ": " << run.Failure;
    const TDiscState state = rig.Device().Disc().State;
    if (c.Fails) {
      EXPECT_EQ(run.Failure, "3/0C/09") << c.Name;
      EXPECT_EQ(CountLines(journal, line), 1) << c.Name << "\n" << journal;
      EXPECT_EQ(CountLines(journal, "underrun protection"), 0) << c.Name;
      EXPECT_EQ(CountLines(journal, "recording broken off by a buffer underrun at LBA " +
                                        std::to_string(run.StallLba)),
                c.Test ? 0 : 1)
          << c.Name;
      EXPECT_EQ(CountLines(journal, "| CHECK CONDITION 3/0C/09 (" + line.substr(6) + ")"), 1)
          << c.Name;
      EXPECT_EQ(state, c.Test ? TDiscState::Blank : TDiscState::Damaged) << c.Name;
      EXPECT_TRUE(testsupport::ReadFile(rig.File("disc.cue")).empty()) << c.Name;
    } else {
      EXPECT_EQ(state, c.Test ? TDiscState::Blank : TDiscState::Complete) << c.Name;
      EXPECT_FALSE(testsupport::ReadFile(rig.File("disc.cue")).empty()) << c.Name;
    }
    if (c.Underrun && !c.Fails) {
      EXPECT_EQ(CountLines(journal, line + " (underrun protection: the recording resumes)"), 1)
          << c.Name << "\n"
          << journal;
    }
  }
}

TEST(Underrun, TrackAtOnceStopsBetweenTracks) {
  for (const uint64_t stallMs : {uint64_t{0}, uint64_t{3100}}) {
    TRig rig(std::string(kRecorder) + kPaced);
    drive::THost host = rig.Host();
    std::vector<uint8_t> answer;
    ASSERT_TRUE(host.SetWriteParams(1, 0, 0, false).Ok());
    for (unsigned t = 1; t <= 2; ++t) {
      const drive::TAudioTrack track = Audio(1200, t, 0);
      ASSERT_TRUE(host.ReadTrackInfo(255, answer).Ok());
      int32_t lba = static_cast<int32_t>(Get32(&answer[12]));
      for (int32_t done = 0; done < track.Blocks(); done += kPacket, lba += kPacket) {
        const int32_t n = std::min(kPacket, track.Blocks() - done);
        // In the middle of a track a stall is an underrun; between tracks it is not.
        if (t == 2 && done == 1080)
          rig.AdvanceMs(stallMs);
        const drive::TOutcome o = host.Write10(lba, n, &track.Data[size_t(done) * 2352], n * 2352u);
        ASSERT_EQ(o.Ok(), stallMs == 0 || t == 1 || done < 1080) << stallMs << " " << done;
        if (!o.Ok()) {
          EXPECT_EQ(SenseOf(o), "3/0C/09");
          break;
        }
      }
      if (t == 1) {
        ASSERT_TRUE(host.SyncCache().Ok());
        rig.AdvanceMs(10000);
      }
    }
    EXPECT_EQ(CountLines(rig.Journal(), "note: buffer underrun at LBA"), stallMs == 0 ? 0 : 1)
        << rig.Journal();
  }
}

TEST(Underrun, TheBufferSizeIsInTheCapabilitiesPage) {
  for (const auto &[keys, kb] :
       {std::pair<const char *, int>{"", 2048}, {"buffer_kb = 512\n", 512}}) {
    TRig rig(std::string(kRecorder) + keys);
    std::vector<uint8_t> page;
    ASSERT_TRUE(rig.Host().ModeSense(0x2A, 0, page).Ok());
    EXPECT_EQ(page[8 + 12] << 8 | page[8 + 13], kb) << keys;
  }
}

} // namespace
