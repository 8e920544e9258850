// The raw disc-at-once block: sub-channel fields, lead-in, pauses, lead-out P and track data.
#include "applet/recording/RawBlock.h"
#include "applet/recording/Scramble.h"
#include "applet/recording/edc_ecc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace recording {
namespace {

using TBlock = std::vector<uint8_t>;

TBlock Fresh() { return TBlock(kRawBlockSize, 0xEE); } // every byte must be set by a builder

TEST(RawBlock, SubChannelFieldsInBcd) {
  TBlock b = Fresh();
  PutSubChannel(b.data(), TQFrame{0x01, 12, 3, 149, 0, true});
  const uint8_t expected[16] = {0x01, 0x12, 0x03, 0x00, 0x01, 0x74, 0, 0x00,
                                0x02, 0x00, 0,    0,    0,    0,    0, 0x80};
  EXPECT_EQ(0, std::memcmp(expected, &b[kSubChannelOffset], 16));
  PutSubChannel(b.data(), TQFrame{0x41, kLeadOutTrack, 1, 0, 4500 - 150, false});
  EXPECT_EQ(0xAA, b[kQTrack]);
  EXPECT_EQ(0x01, b[kQAbsolute]); // 01:00:00
  EXPECT_EQ(0, b[kPByte]);
}

TEST(RawBlock, LeadInCarriesItsEntryWithTheBlockCounterAsRelativeTime) {
  uint8_t entry[16] = {0x41, 0x00, 0xA2, 0x99, 0x99, 0x99, 0, 0x05, 0x06, 0x07};
  TBlock audio = Fresh();
  BuildLeadInBlock(audio.data(), TTrackMode::Audio, 76, entry);
  EXPECT_EQ(TBlock(kRawSectorSize, 0), TBlock(audio.begin(), audio.begin() + kRawSectorSize));
  EXPECT_EQ(0xA2, audio[kQIndex]);
  EXPECT_EQ((TBlock{0x00, 0x01, 0x01}), TBlock(&audio[kQRelative], &audio[kQRelative + 3]));
  EXPECT_EQ((TBlock{0x05, 0x06, 0x07}), TBlock(&audio[kQAbsolute], &audio[kQAbsolute + 3]));

  TBlock data = Fresh();
  BuildLeadInBlock(data.data(), TTrackMode::Mode1, 76, entry);
  ScrambleSector(data.data());
  EXPECT_EQ((TBlock{0xA0, 0x01, 0x01, 0x01}), TBlock(&data[12], &data[16])); // A0 + 00:01:01
  EXPECT_EQ(EdcOf(data.data(), 2064), data[2064] | data[2065] << 8 | data[2066] << 16 |
                                          static_cast<uint32_t>(data[2067]) << 24);
}

TEST(RawBlock, LeadOutBlinksFromAStartThatDependsOnTheMode) {
  struct TRow {
    TTrackMode Kind;
    int32_t FirstSet;
  };
  for (const TRow &r :
       {TRow{TTrackMode::Audio, 155}, TRow{TTrackMode::Mode1, 156}, TRow{TTrackMode::Mode2, 161}}) {
    EXPECT_FALSE(LeadOutP(r.Kind, 0));
    EXPECT_FALSE(LeadOutP(r.Kind, r.FirstSet - 1));
    EXPECT_TRUE(LeadOutP(r.Kind, r.FirstSet));
    EXPECT_TRUE(LeadOutP(r.Kind, r.FirstSet + 18));
    EXPECT_FALSE(LeadOutP(r.Kind, r.FirstSet + 19));
    EXPECT_FALSE(LeadOutP(r.Kind, r.FirstSet + 37));
    EXPECT_TRUE(LeadOutP(r.Kind, r.FirstSet + 38));
  }
}

TEST(RawBlock, TrackDataBecomesWholeSectors) {
  std::vector<uint8_t> user(2352);
  for (size_t i = 0; i < user.size(); ++i)
    user[i] = static_cast<uint8_t>(i * 13 + 5);
  const TQFrame q{0x41, 1, 1, 0, 0, false};

  TBlock audio = Fresh();
  BuildTrackBlock(audio.data(), TTrackMode::Audio, user.data(), 2352, TQFrame{0x01, 1, 1, 0, 0});
  EXPECT_EQ(user, TBlock(audio.begin(), audio.begin() + kRawSectorSize));

  // A 2048-byte Mode 1 track becomes a full Mode 1 sector at its address, scrambled.
  TBlock cooked = Fresh();
  BuildTrackBlock(cooked.data(), TTrackMode::Mode1, user.data(), 2048, q);
  ScrambleSector(cooked.data());
  EXPECT_EQ((TBlock{0x00, 0x02, 0x00, 0x01}), TBlock(&cooked[12], &cooked[16]));
  EXPECT_EQ(TBlock(user.begin(), user.begin() + 2048), TBlock(&cooked[16], &cooked[2064]));
  TBlock check(cooked.begin(), cooked.begin() + kRawSectorSize);
  std::memset(&check[kEdcOffset], 0, kRawSectorSize - kEdcOffset);
  ComputeEDC(check.data(), TTrackMode::Mode1);
  ComputeParityP(check.data());
  ComputeParityQ(check.data());
  EXPECT_EQ(check, TBlock(cooked.begin(), cooked.begin() + kRawSectorSize));

  // A 2336-byte Mode 2 sector gets sync and header in front.
  TBlock formless = Fresh();
  BuildTrackBlock(formless.data(), TTrackMode::Mode2, user.data(), 2336, q);
  ScrambleSector(formless.data());
  EXPECT_EQ(2, formless[15]);
  EXPECT_EQ(TBlock(user.begin(), user.begin() + 2336), TBlock(&formless[16], &formless[2352]));
  EXPECT_EQ(0, formless[kPByte]);
}

} // namespace
} // namespace recording
