// The applet's adapter bound to the real library, which lies beside this test program.
#include "applet/recording/GetMP3DecodedData.h"
#include "applet/recording/XAudio.h"
#include "tests/support/TestSupport.h"
#include "tools/qlnxaudio/qlnxaudio.h"
#include "tools/qlnxaudio/tests/SyntheticMp3.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>
#include <vector>

namespace {

using synth::operator+;
namespace r = recording;

// The adapter's view of each entry point must be the library's signature, type for type.
template <typename T> struct AdapterType { using Type = T; };
template <> struct AdapterType<qlnx_decoder *> { using Type = r::TXAudioDecoder *; };
template <> struct AdapterType<qlnx_decoder **> { using Type = r::TXAudioDecoder **; };
template <> struct AdapterType<qlnx_input_module *> { using Type = r::TXAudioInputModule *; };
template <> struct AdapterType<const qlnx_input_module *> {
  using Type = const r::TXAudioInputModule *;
};
template <> struct AdapterType<const qlnx_output_module *> {
  using Type = const r::TXAudioOutputModule *;
};
template <typename F> struct AdapterFunction;
template <typename R, typename... A> struct AdapterFunction<R (*)(A...)> {
  using Type = typename AdapterType<R>::Type (*)(typename AdapterType<A>::Type...);
};
template <typename Library, typename Adapter> constexpr bool Matches() {
  return std::is_same_v<typename AdapterFunction<Library>::Type, Adapter>;
}

static_assert(Matches<decltype(&file_input_module_register), r::TFileInputModuleRegister>());
static_assert(Matches<decltype(&decoder_new), r::TDecoderNew>());
static_assert(Matches<decltype(&decoder_delete), r::TDecoderDelete>());
static_assert(Matches<decltype(&decoder_input_module_register), r::TDecoderInputModuleRegister>());
static_assert(Matches<decltype(&decoder_input_new), r::TDecoderInputNew>());
static_assert(Matches<decltype(&decoder_input_delete), r::TDecoderInputDelete>());
static_assert(Matches<decltype(&decoder_input_open), r::TDecoderInputOpen>());
static_assert(Matches<decltype(&decoder_input_close), r::TDecoderInputClose>());
static_assert(Matches<decltype(&decoder_input_read), r::TDecoderInputRead>());
static_assert(
    Matches<decltype(&decoder_output_module_register), r::TDecoderOutputModuleRegister>());
static_assert(Matches<decltype(&decoder_output_new), r::TDecoderOutputNew>());
static_assert(Matches<decltype(&decoder_output_delete), r::TDecoderOutputDelete>());
static_assert(Matches<decltype(&decoder_output_open), r::TDecoderOutputOpen>());
static_assert(Matches<decltype(&decoder_output_close), r::TDecoderOutputClose>());
static_assert(Matches<decltype(&decoder_output_write), r::TDecoderOutputWrite>());
static_assert(Matches<decltype(&decoder_decode), r::TDecoderDecode>());
static_assert(sizeof(qlnx_input_module) == r::kInputModuleBytes);
static_assert(sizeof(qlnx_decoder) == sizeof(r::TXAudioDecoder));
static_assert(offsetof(qlnx_decoder, output) == offsetof(r::TXAudioDecoder, Output));
static_assert(offsetof(qlnx_output_buffer, size) == offsetof(r::TXAudioOutputBuffer, Size));
static_assert(sizeof(qlnx_output_buffer) == sizeof(r::TXAudioOutputBuffer));
static_assert(QLNX_MAX_DECODE_BYTES == r::kMaxDecodeBytes);
static_assert(QLNX_MODULE_ANY == r::kAnyInputModule);

class AdapterLibraryTest : public testing::Test {
protected:
  void SetUp() override {
    r::BindDecoder();
    ASSERT_TRUE(r::DecoderBound()) << "the library beside the test program did not bind";
  }
  void TearDown() override { r::UnbindDecoder(); }

  std::string Write(const synth::TBytes &bytes) {
    std::string path = dir_.File("t" + std::to_string(++files_) + ".mp3");
    synth::WriteBytes(path, bytes);
    return path;
  }

  testsupport::TTempDir dir_;
  int files_ = 0;
};

TEST_F(AdapterLibraryTest, MeasuresAndReadsTheSameStream) {
  const std::string path = Write(synth::InfoFrame(synth::kStereo44k, 30, 576, 1000) +
                                 synth::Frames(synth::kStereo44k, 30));
  const int64_t size = r::DecodedSize(path);
  EXPECT_EQ((int64_t{30} * 1152 - 576 - 1000) * 4, size);

  constexpr int32_t kRequest = 30576;
  std::vector<uint8_t> buffer(kRequest, 0xAA);
  int64_t read = 0;
  {
    r::TGetMP3DecodedData reader(path);
    EXPECT_TRUE(reader.Opened());
    int32_t got;
    while ((got = reader.ReadPCM(buffer.data(), kRequest)) == kRequest)
      read += got;
    read += got;
    EXPECT_EQ(0, reader.ReadPCM(buffer.data(), kRequest)); // past the end: zeros, at once
    EXPECT_EQ(std::vector<uint8_t>(kRequest, 0), buffer);
  }
  EXPECT_EQ(size, read);
  EXPECT_EQ(size, r::DecodedSize(path)); // the reader closed its input
}

TEST_F(AdapterLibraryTest, BadFilesMeasureAsWhatTheyHold) {
  struct TCase {
    const char *What;
    synth::TBytes Bytes;
    int64_t Size;
  };
  const TCase cases[] = {
      {"zero-length", {}, 0},
      {"random bytes", synth::Noise(300000, 5), 0},
      {"ID3v2 only", synth::Id3Tag(4000), 0},
      {"absurd ID3v2 size", synth::Id3Tag(0xFFFFFFF, false) + synth::Frames(synth::kStereo44k, 4),
       0},
      {"free format", synth::Frames(synth::kFreeFormat, 5), int64_t{5} * 1152 * 4},
      // mono is doubled into both channels of the stereo a CD holds
      {"mono 22.05 kHz", synth::Frames(synth::kMono22k, 5), int64_t{5} * 576 * 2 * 2},
  };
  for (const TCase &c : cases) {
    const std::string path = Write(c.Bytes);
    EXPECT_EQ(c.Size, r::DecodedSize(path)) << c.What;
    r::TGetMP3DecodedData reader(path);
    std::vector<uint8_t> buffer(63504);
    EXPECT_EQ(std::min<int64_t>(c.Size, 63504), reader.ReadPCM(buffer.data(), 63504)) << c.What;
  }
  EXPECT_EQ(0, r::DecodedSize(dir_.File("missing.mp3")));
  r::TGetMP3DecodedData missing(dir_.File("missing.mp3"));
  EXPECT_FALSE(missing.Opened());
}

} // namespace
