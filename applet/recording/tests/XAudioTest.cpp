#include "applet/recording/XAudio.h"
#include "applet/recording/GetMP3DecodedData.h"
#include "applet/recording/tests/FakeXAudio.h"

#include <gtest/gtest.h>

#include <vector>

namespace recording {
namespace {

using Calls = std::vector<std::string>;

class XAudioTest : public testing::Test {
protected:
  void TearDown() override { UnbindDecoder(); }
  fake::TFakeLibraryPlatform platform_;
  platform::TPlatformOverride override_{platform_};
};

TEST_F(XAudioTest, BindLooksUpTheSixteenEntryPointsInOrderAndRegistersTheFileInput) {
  BindDecoder();
  ASSERT_TRUE(DecoderBound());
  EXPECT_EQ(Calls{"qlnxaudio.dll"}, platform_.Loaded);
  EXPECT_EQ(Calls(std::begin(kXAudioEntryPoints), std::end(kXAudioEntryPoints)),
            platform_.LookedUp);
  EXPECT_EQ((Calls{"decoder_new", "file_input_module_register", "decoder_input_module_register"}),
            fake::Library().Calls);
  EXPECT_EQ(&fake::Library().Decoder, XAudio().Decoder);

  BindDecoder(); // already bound: nothing happens
  EXPECT_EQ(1u, platform_.Loaded.size());
  EXPECT_EQ(3u, fake::Library().Calls.size());

  UnbindDecoder();
  EXPECT_FALSE(DecoderBound());
  EXPECT_EQ("decoder_delete", fake::Library().Calls.back());
  EXPECT_EQ(1, platform_.Freed);
  UnbindDecoder();
  EXPECT_EQ(1, platform_.Freed);
}

TEST_F(XAudioTest, AnUnusableLibraryLeavesTheBindingEmptyAndImportsRefuse) {
  struct TCase {
    const char *What;
    bool Present;
    const char *Missing;
    int NewStatus;
    int Freed;
  };
  const TCase cases[] = {
      {"no library", false, "", 0, 0},
      {"an entry point missing", true, "decoder_input_read", 0, 1},
      {"no decoder created", true, "", -2, 1},
  };
  for (const TCase &c : cases) {
    fake::TFakeLibraryPlatform platform;
    platform::TPlatformOverride use(platform);
    platform.Present = c.Present;
    platform.Missing = c.Missing;
    fake::Library().NewStatus = c.NewStatus;
    BindDecoder();
    EXPECT_FALSE(DecoderBound()) << c.What;
    EXPECT_EQ(nullptr, XAudio().DecoderDecode) << c.What;
    EXPECT_EQ(c.Freed, platform.Freed) << c.What;
    EXPECT_THROW(DecodedSize("a.mp3"), EDecoderUnavailable) << c.What;
    {
      TGetMP3DecodedData reader("a.mp3");
      uint8_t buffer[16];
      EXPECT_THROW(reader.ReadPCM(buffer, sizeof buffer), EDecoderUnavailable) << c.What;
      EXPECT_FALSE(reader.Opened());
    }
    // Nothing was called but the attempt to create the decoder.
    EXPECT_EQ(c.NewStatus != 0 ? Calls{"decoder_new"} : Calls{}, fake::Library().Calls) << c.What;
  }
  EXPECT_STREQ("The MP3 decoder library \"qlnxaudio.dll\" is not loaded",
               EDecoderUnavailable().what());
}

TEST_F(XAudioTest, DecodedSizeCountsEveryCallIncludingTheFailingOne) {
  BindDecoder();
  fake::TFakeLibrary &lib = fake::Library();
  lib.Calls.clear();
  lib.Pieces = {4608, 1152, 4608};
  lib.FinalPiece = 700;
  EXPECT_EQ(4608 + 1152 + 4608 + 700, DecodedSize("a.mp3"));
  EXPECT_EQ(
      (Calls{"decoder_input_new", "decoder_input_open", "decoder_decode", "decoder_decode",
             "decoder_decode", "decoder_decode", "decoder_input_close", "decoder_input_delete"}),
      lib.Calls);

  // A failed open measures 0 and still closes the input.
  lib.Calls.clear();
  lib.OpenStatus = -5;
  EXPECT_EQ(0, DecodedSize("b.mp3"));
  EXPECT_EQ((Calls{"decoder_input_new", "decoder_input_open", "decoder_input_close",
                   "decoder_input_delete"}),
            lib.Calls);
}

TEST_F(XAudioTest, AMisbehavingLibraryCannotHangOrOverrunTheMeasure) {
  BindDecoder();
  fake::TFakeLibrary &lib = fake::Library();
  lib.Pieces = {1000, 0, 2000};
  lib.EndlessSilence = true;
  EXPECT_EQ(3000, DecodedSize("a.mp3"));
  EXPECT_EQ(3 + kMaxEmptyDecodes, lib.DecodeCalls());

  lib = fake::TFakeLibrary{};
  lib.Pieces = {1000};
  lib.ClaimTooMuch = true;
  EXPECT_EQ(1000, DecodedSize("a.mp3"));
}

TEST_F(XAudioTest, MeasuringPumpsTheWindowAndStopsWhenACancelUnbinds) {
  struct TCase {
    const char *What;
    bool Unbind;
    int64_t Size;
    int Pumps;
  };
  // The clock moves 30 ms per measuring call: the pump runs before every second one from the
  // third (the seventh is the final call).
  const TCase cases[] = {{"pumped", false, 6 * 1000, 3}, {"cancelled", true, 2 * 1000, 1}};
  for (const TCase &c : cases) {
    BindDecoder();
    fake::Library() = fake::TFakeLibrary{};
    fake::Library().Pieces.assign(6, 1000);
    static TCase current;
    static int pumps;
    current = c;
    pumps = 0;
    static fake::TFakeLibraryPlatform *clock;
    clock = &platform_;
    fake::Library().OnDecode = [] { clock->Now += 30; };
    SetMeasurePump(
        [](void *) {
          ++pumps;
          if (current.Unbind)
            UnbindDecoder();
        },
        nullptr);
    EXPECT_EQ(c.Size, DecodedSize("a.mp3")) << c.What;
    EXPECT_EQ(c.Pumps, pumps) << c.What;
    SetMeasurePump(nullptr, nullptr);
  }
}

} // namespace
} // namespace recording
