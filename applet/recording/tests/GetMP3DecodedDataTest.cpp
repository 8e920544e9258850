#include "applet/recording/GetMP3DecodedData.h"
#include "applet/recording/XAudio.h"
#include "applet/recording/tests/FakeXAudio.h"

#include <gtest/gtest.h>

#include <vector>

namespace recording {
namespace {

using TBytes = std::vector<uint8_t>;
constexpr int32_t kSector = 2352;

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TBytes Expected(uint32_t from, uint32_t count) {
  TBytes bytes(count);
  for (uint32_t i = 0; i < count; ++i)
    bytes[i] = fake::FakeStreamByte(from + i);
  return bytes;
}

// Decode calls of uneven sizes, as frames of changing formats and trims give them.
std::vector<uint32_t> UnevenPieces(uint32_t total) {
  const uint32_t sizes[] = {4608, 1152, 333, 4608, 2, 4000, 0, 4607};
  std::vector<uint32_t> pieces;
  for (size_t i = 0; total > 0; ++i) {
    const uint32_t n = std::min(total, sizes[i % 8]);
    pieces.push_back(n);
    total -= n;
  }
  return pieces;
}

class GetMP3DecodedDataTest : public testing::Test {
protected:
  void SetUp() override {
    BindDecoder();
    ASSERT_TRUE(DecoderBound());
  }
  void TearDown() override { UnbindDecoder(); }

  // Reads the requests in turn from a fresh stream of the given pieces.
  TBytes Read(const std::vector<uint32_t> &pieces, const std::vector<int32_t> &requests) {
    fake::Library().Pieces = pieces;
    fake::Library().NextPiece = 0;
    fake::Library().Position = 0;
    TGetMP3DecodedData reader("a.mp3");
    TBytes all;
    for (int32_t request : requests) {
      TBytes part(static_cast<size_t>(request), 0xEE);
      reader.ReadPCM(part.data(), request);
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  }

  fake::TFakeLibraryPlatform platform_;
  platform::TPlatformOverride override_{platform_};
};

TEST_F(GetMP3DecodedDataTest, RequestsOfAnySizeCutOneSeamlessStream) {
  const std::vector<uint32_t> pieces = UnevenPieces(400000);
  EXPECT_EQ(Read(pieces, {61152}), Read(pieces, {30576, 30576}));
  EXPECT_EQ(Expected(0, 61152), Read(pieces, {30576, 30576}));
  const std::vector<std::vector<int32_t>> patterns = {
      {63504, 63504, 63504},
      std::vector<int32_t>(81, kSector),
      {1, 2, 3, 4608, 4609, 177143},
      {200000, 190000}, // larger than the work buffer
  };
  for (const std::vector<int32_t> &requests : patterns) {
    uint32_t total = 0;
    for (int32_t r : requests)
      total += static_cast<uint32_t>(r);
    EXPECT_EQ(Expected(0, total), Read(pieces, requests)) << requests.size();
  }
}

TEST_F(GetMP3DecodedDataTest, OpensOnCreateAndClosesOnDestroy) {
  fake::TFakeLibrary &lib = fake::Library();
  lib.Calls.clear();
  {
    TGetMP3DecodedData reader("a.mp3");
    EXPECT_TRUE(reader.Opened());
    EXPECT_EQ((std::vector<std::string>{"decoder_input_new", "decoder_input_open"}), lib.Calls);
  }
  EXPECT_EQ((std::vector<std::string>{"decoder_input_new", "decoder_input_open",
                                      "decoder_input_close", "decoder_input_delete"}),
            lib.Calls);
  lib.OpenStatus = -5;
  TGetMP3DecodedData failed("b.mp3");
  EXPECT_FALSE(failed.Opened());
}

TEST_F(GetMP3DecodedDataTest, LeftoverBytesServeARequestWithoutDecoding) {
  fake::TFakeLibrary &lib = fake::Library();
  lib.Pieces = std::vector<uint32_t>(20, 4608);
  TGetMP3DecodedData reader("a.mp3");
  TBytes part(4000);
  EXPECT_EQ(1000, reader.ReadPCM(part.data(), 1000));
  EXPECT_EQ(1, lib.DecodeCalls());
  EXPECT_EQ(3608, reader.ReadPCM(part.data(), 3608)); // exactly the leftover
  EXPECT_EQ(1, lib.DecodeCalls());
  part.resize(3608);
  EXPECT_EQ(Expected(1000, 3608), part);
  reader.ReadPCM(part.data(), 1);
  EXPECT_EQ(2, lib.DecodeCalls());
}

TEST_F(GetMP3DecodedDataTest, TheStreamsEndIsFollowedByZeroBytes) {
  // Three sectors and 1,000 bytes: the last sector is partly filled.
  fake::TFakeLibrary &lib = fake::Library();
  lib.Pieces = {4608, 2448};
  lib.FinalPiece = 1000;
  EXPECT_EQ(3 * kSector + 1000, DecodedSize("a.mp3"));
  lib.NextPiece = 0;
  lib.Position = 0;
  lib.FinalPiece = 1000;
  TGetMP3DecodedData reader("a.mp3");
  TBytes sector(kSector);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(kSector, reader.ReadPCM(sector.data(), kSector));
  EXPECT_EQ(1000, reader.ReadPCM(sector.data(), kSector));
  TBytes last = Expected(3 * kSector, 1000);
  last.resize(kSector, 0);
  EXPECT_EQ(last, sector);
  const int calls = lib.DecodeCalls();
  EXPECT_EQ(0, reader.ReadPCM(sector.data(), kSector));
  EXPECT_EQ(TBytes(kSector, 0), sector);
  EXPECT_EQ(calls, lib.DecodeCalls()); // the ended stream is not asked again
}

TEST_F(GetMP3DecodedDataTest, AMisbehavingLibraryCannotHangOrOverrunARead) {
  fake::TFakeLibrary &lib = fake::Library();
  lib.Pieces = {100};
  lib.EndlessSilence = true;
  TBytes buffer(63504, 0xEE);
  {
    TGetMP3DecodedData reader("a.mp3");
    EXPECT_EQ(100, reader.ReadPCM(buffer.data(), 63504));
  }
  TBytes expected = Expected(0, 100);
  expected.resize(63504, 0);
  EXPECT_EQ(expected, buffer);

  lib = fake::TFakeLibrary{};
  lib.Pieces = {100};
  lib.ClaimTooMuch = true;
  TGetMP3DecodedData reader("a.mp3");
  EXPECT_EQ(100, reader.ReadPCM(buffer.data(), 63504));
}

TEST_F(GetMP3DecodedDataTest, AReaderWhoseDecoderIsGoneRefuses) {
  fake::TFakeLibrary &lib = fake::Library();
  lib.Pieces = std::vector<uint32_t>(20, 4608);
  uint8_t buffer[100];
  auto reader = std::make_unique<TGetMP3DecodedData>("a.mp3");
  UnbindDecoder();
  EXPECT_THROW(reader->ReadPCM(buffer, sizeof buffer), EDecoderUnavailable);
  BindDecoder(); // a new binding is not the reader's
  EXPECT_THROW(reader->ReadPCM(buffer, sizeof buffer), EDecoderUnavailable);
  lib.Calls.clear();
  reader.reset();
  EXPECT_TRUE(lib.Calls.empty());
}

} // namespace
} // namespace recording

namespace recording {
namespace {

TEST_F(GetMP3DecodedDataTest, MonoIsDoubledIntoBothChannels) {
  fake::TFakeLibrary &lib = fake::Library();
  lib.Pieces = {4608, 2000};
  lib.FinalPiece = 0;
  lib.Decoder.Output.Channels = 1;
  lib.Decoder.Output.SampleRate = 22050;
  TDecodedFormat format;
  EXPECT_EQ(2 * (4608 + 2000), DecodedSize("a.mp3", &format));
  EXPECT_EQ(1u, format.Channels);
  EXPECT_EQ(22050u, format.SampleRate);
  lib.NextPiece = 0;
  lib.Position = 0;
  TGetMP3DecodedData reader("a.mp3");
  TBytes stereo(size_t{2} * (4608 + 2000));
  // Requests of odd sizes cut the doubled stream anywhere.
  const int32_t first = 3001;
  reader.ReadPCM(stereo.data(), first);
  reader.ReadPCM(stereo.data() + first, static_cast<int32_t>(stereo.size()) - first);
  for (uint32_t k = 0; k < 4608 + 2000; k += 2) {
    const TBytes sample = Expected(k, 2);
    const size_t at = size_t{2} * k;
    ASSERT_EQ(sample, TBytes(&stereo[at], &stereo[at + 2])) << k;
    ASSERT_EQ(sample, TBytes(&stereo[at + 2], &stereo[at + 4])) << k;
  }
  lib.Decoder.Output.Channels = 0;
  lib.Decoder.Output.SampleRate = 0;
}

} // namespace
} // namespace recording
