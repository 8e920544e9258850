// Raw disc-at-once: 2368-byte blocks from the lead-in start through the lead-out, the image
// with its sub-channel file, and the Q sub-channel check that reports faults in the journal.
#include "tools/virtual-recorder/SectorCodec.h"
#include "tools/virtual-recorder/host/RawBlocks.h"
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vrec;
using namespace vrectest;

namespace {

using TTamper = std::function<void(int32_t lba, uint8_t *block)>;

const std::vector<drive::TAudioTrack> &Tracks() {
  static const std::vector<drive::TAudioTrack> tracks = {Audio(300, 1), Audio(320, 2)};
  return tracks;
}

// Records Tracks() raw with every block passed through tamper; stops after the lead-out's
// first leadOutBlocks blocks.
void RecordTampered(drive::THost &host, const TTamper &tamper, int32_t leadOutBlocks = 6750) {
  ASSERT_TRUE(host.SetWriteParams(3, 1, 0, false).Ok());
  const drive::TRawDisc disc(Tracks(), -11634);
  const int32_t end = disc.LeadOutStart() + leadOutBlocks;
  std::vector<uint8_t> packet(27 * kRawPqBlockSize);
  for (int32_t lba = disc.FirstLba(); lba < end;) {
    const int n = std::min(27, end - lba);
    for (int i = 0; i < n; ++i) {
      disc.Block(lba + i, &packet[size_t(i) * kRawPqBlockSize]);
      tamper(lba + i, &packet[size_t(i) * kRawPqBlockSize]);
    }
    ASSERT_TRUE(host.Write10(lba, n, packet.data(), n * uint32_t{kRawPqBlockSize}).Ok()) << lba;
    lba += n;
  }
  ASSERT_TRUE(host.SyncCache().Ok());
}

TEST(Raw, CleanRecordingMakesImageAndSubChannel) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  std::string error;
  ASSERT_TRUE(drive::RecordRaw(host, Tracks(), false, error)) << error;
  EXPECT_EQ(CountLines(rig.Journal(), "Q sub-channel check: 0 violation(s)"), 1) << rig.Journal();
  EXPECT_EQ(CountLines(rig.Journal(), "Q-check:"), 0);
  const std::string bin = testsupport::ReadFile(rig.File("disc.bin"));
  std::string expected(Tracks()[0].Data.begin(), Tracks()[0].Data.end());
  expected.append(150 * kSectorSize, '\0');
  expected.append(Tracks()[1].Data.begin(), Tracks()[1].Data.end());
  EXPECT_TRUE(bin == expected);
  const std::string sub = testsupport::ReadFile(rig.File("disc.sub"));
  const int32_t blocks = 11634 - 150 + 150 + 300 + 150 + 320 + 6750;
  ASSERT_EQ(sub.size(), size_t(blocks) * 16);
  EXPECT_EQ(sub[2], 0x01) << "the first lead-in block carries the entry of track 1";
  EXPECT_EQ(static_cast<uint8_t>(sub[size_t(blocks - 1) * 16 + 1]), 0xAA);
  EXPECT_NE(testsupport::ReadFile(rig.File("disc.cue")).find("INDEX 00 00:04:00"),
            std::string::npos);
  ASSERT_EQ(rig.Device().Disc().Tracks.size(), 2u);
  EXPECT_EQ(rig.Device().Disc().Tracks[1].Start(), 450);
  EXPECT_EQ(rig.Device().Disc().LeadOut, 770);
}

TEST(Raw, QFaultsGoToTheJournal) {
  struct TCase {
    const char *What;
    TTamper Tamper;
    const char *Expected;
    int32_t LeadOutBlocks;
  } cases[] = {
      {"absolute time", [](int32_t lba, uint8_t *b) { b[2361] ^= lba == 10 ? 0x01 : 0; },
       "block 10: absolute time does not match the address", 6750},
      {"pause without P", [](int32_t lba, uint8_t *b) { b[2367] = lba == -100 ? 0 : b[2367]; },
       "block -100: P clear in a pause", 6750},
      {"P inside a track", [](int32_t lba, uint8_t *b) { b[2367] |= lba == 20 ? 0x80 : 0; },
       "block 20: P set inside track 1", 6750},
      {"relative time", [](int32_t lba, uint8_t *b) { b[2357] ^= lba == 50 ? 0x02 : 0; },
       "block 50: relative time does not count up from index 1", 6750},
      {"lead-in entry for track 2",
       [](int32_t lba, uint8_t *b) { b[2361] ^= lba < -150 && b[2354] == 0x02 ? 0x01 : 0; },
       "lead-in entry for track 2 does not match its start 450", 6750},
      {"lead-in entry that changes",
       [](int32_t lba, uint8_t *b) { b[2360] ^= lba == -11004 && b[2354] == 0x01 ? 0x01 : 0; },
       "block -11004: lead-in entry for point 01 changes", 6750},
      {"track number jumps",
       [](int32_t lba, uint8_t *b) { b[2353] = lba >= 300 && lba < 770 ? 0x03 : b[2353]; },
       "block 300: track 3 follows track 1", 6750},
      {"lead-out that never blinks",
       [](int32_t lba, uint8_t *b) { b[2367] = lba >= 770 ? 0 : b[2367]; },
       "P never blinks in the lead-out", 6750},
      {"short lead-out", [](int32_t, uint8_t *) {},
       "lead-out of 6000 blocks is shorter than 90 seconds", 6000},
      {"lead-in running time", [](int32_t lba, uint8_t *b) { b[2357] ^= lba == -5000 ? 0x01 : 0; },
       "block -5000: lead-in running time does not count up", 6750},
  };
  for (const TCase &c : cases) {
    TRig rig(kRecorder);
    drive::THost host = rig.Host();
    RecordTampered(host, c.Tamper, c.LeadOutBlocks);
    const std::string journal = rig.Journal();
    EXPECT_EQ(CountLines(journal, std::string("Q-check: ") + c.Expected), 1)
        << c.What << "\n"
        << journal.substr(journal.find("Q-check"), 2000);
    EXPECT_EQ(CountLines(journal, "Q sub-channel check: 0 violation(s)"), 0) << c.What;
    EXPECT_EQ(rig.Device().Disc().State, TDiscState::Complete) << c.What;
  }
}

TEST(Raw, StreamMustStartAtTheLeadInAndUseFullBlocks) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  std::vector<uint8_t> blocks(27 * kRawPqBlockSize);
  EXPECT_FALSE(host.SetWriteParams(3, 0, 0, false).Ok()) << "raw takes 2368-byte blocks only";
  ASSERT_TRUE(host.SetWriteParams(3, 1, 0, false).Ok());
  EXPECT_EQ(host.Write10(-150, 27, blocks.data(), 27 * 2368).Sense.Ascq, 0x02) << "not lead-in";
  EXPECT_EQ(host.Write10(-11634, 27, blocks.data(), 27 * 2352).HaStatus, 0x12);
  ASSERT_TRUE(host.Write10(-11634, 27, blocks.data(), 27 * 2368).Ok());
  EXPECT_EQ(host.Write10(-11634, 27, blocks.data(), 27 * 2368).Sense.Ascq, 0x02) << "gap";
  EXPECT_TRUE(host.SyncCache().Ok());
  EXPECT_NE(rig.Device().Disc().State, TDiscState::Complete) << "no lead-out yet";
  EXPECT_TRUE(host.StartStop(2).Ok());
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Damaged);
  EXPECT_EQ(CountLines(rig.Journal(), "recording broken off by an eject"), 1);
}

TEST(Raw, TestWriteChecksButLeavesTheDiscBlank) {
  TRig rig(kRecorder);
  drive::THost host = rig.Host();
  std::string error;
  ASSERT_TRUE(drive::RecordRaw(host, Tracks(), true, error)) << error;
  EXPECT_EQ(rig.Device().Disc().State, TDiscState::Blank);
  EXPECT_EQ(CountLines(rig.Journal(), "Q sub-channel check: 0 violation(s)"), 1);
  EXPECT_TRUE(testsupport::ReadFile(rig.File("disc.sub")).empty());
}

} // namespace
