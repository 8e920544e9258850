// The library's C interface with the platform's real decoder, on synthetic files.
#include "tests/support/TestSupport.h"
#include "tools/qlnxaudio/qlnxaudio.h"
#include "tools/qlnxaudio/tests/SyntheticMp3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

using synth::operator+;

synth::TBytes Cut(synth::TBytes bytes, size_t tail) {
  bytes.resize(bytes.size() - tail);
  return bytes;
}

synth::TBytes NoiseFrames(int count) {
  synth::TBytes bytes;
  for (int i = 0; i < count; ++i) {
    synth::TBytes frame = synth::Frame(synth::kStereo44k);
    const synth::TBytes noise = synth::Noise(frame.size(), static_cast<uint32_t>(i + 1));
    std::copy(noise.begin() + 4, noise.end(), frame.begin() + 4);
    bytes = bytes + frame;
  }
  return bytes;
}

class DecoderApiTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(QLNX_OK, decoder_new(&decoder_));
    qlnx_input_module module;
    ASSERT_EQ(QLNX_OK, file_input_module_register(&module));
    ASSERT_EQ(44u, module.size);
    ASSERT_EQ(0, decoder_input_module_register(decoder_, &module));
  }
  void TearDown() override { EXPECT_EQ(QLNX_OK, decoder_delete(decoder_)); }

  std::string Write(const synth::TBytes &bytes) {
    std::string path = dir_.File("t" + std::to_string(++files_) + ".mp3");
    synth::WriteBytes(path, bytes);
    return path;
  }

  // Measures a whole file, then decodes it; returns the bytes decoded (which the measure must
  // equal), or -1 when it does not open.
  int64_t DecodeAll(const std::string &path, std::string *pcm = nullptr) {
    const int64_t measured = Pass(path, false, nullptr);
    const int64_t decoded = Pass(path, true, pcm);
    EXPECT_EQ(measured, decoded) << path;
    return decoded;
  }

  int64_t Pass(const std::string &path, bool decode, std::string *pcm) {
    EXPECT_EQ(QLNX_OK, decoder_input_new(decoder_, path.c_str(), QLNX_MODULE_ANY));
    int64_t total = -1;
    if (decoder_input_open(decoder_) == QLNX_OK) {
      total = 0;
      uint8_t buffer[QLNX_MAX_DECODE_BYTES];
      uint8_t *target = decode ? buffer : nullptr;
      int status;
      while ((status = decoder_decode(decoder_, target)) == QLNX_OK) {
        EXPECT_GT(decoder_->output.size, 0u);
        EXPECT_LE(decoder_->output.size, uint32_t{QLNX_MAX_DECODE_BYTES});
        EXPECT_EQ(target, decoder_->output.pcm);
        total += decoder_->output.size;
        if (pcm != nullptr)
          pcm->append(reinterpret_cast<const char *>(buffer), decoder_->output.size);
      }
      EXPECT_EQ(QLNX_END, status);
      EXPECT_EQ(0u, decoder_->output.size);
      EXPECT_EQ(QLNX_OK, decoder_input_close(decoder_));
    }
    EXPECT_EQ(QLNX_OK, decoder_input_delete(decoder_));
    return total;
  }

  qlnx_decoder *decoder_ = nullptr;
  testsupport::TTempDir dir_;
  int files_ = 0;
};

TEST_F(DecoderApiTest, DecodesTrimmedSilence) {
  struct TCase {
    const char *What;
    synth::TBytes Bytes;
    int64_t PcmBytes;
  };
  const synth::TBytes ten = synth::Frames(synth::kStereo44k, 10);
  const TCase cases[] = {
      {"no info frame", ten, int64_t{10} * 1152 * 4},
      {"delay and padding", synth::InfoFrame(synth::kStereo44k, 10, 576, 1000) + ten,
       (int64_t{10} * 1152 - 576 - 1000) * 4},
      {"no encoder: the decoder delay",
       synth::InfoFrame(synth::kStereo44k, 10, 576, 1000, "") + ten,
       (int64_t{10} * 1152 - 529) * 4},
      {"frames beyond the declared ones are kept",
       synth::InfoFrame(synth::kStereo44k, 7, 576, 1000) + ten,
       (int64_t{10} * 1152 - 576 - 1000) * 4},
      {"fewer frames than declared", synth::InfoFrame(synth::kStereo44k, 20, 576, 1000) + ten,
       (int64_t{10} * 1152 - 576 - 529) * 4},
      {"mono 22.05 kHz",
       synth::InfoFrame(synth::kMono22k, 8, 576, 800) + synth::Frames(synth::kMono22k, 8),
       (int64_t{8} * 576 - 576 - 800) * 2},
      {"padding shorter than the decoder delay",
       synth::InfoFrame(synth::kMono22k, 8, 576, 300) + synth::Frames(synth::kMono22k, 8),
       (int64_t{8} * 576 - 576 - 529) * 2},
      {"ID3v2 first", synth::Id3Tag(999) + ten, int64_t{10} * 1152 * 4},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(c.PcmBytes, DecodeAll(Write(c.Bytes))) << c.What;

  // Silence decodes to silence (the Windows codec's rounding may leave 1 or 2).
  std::string pcm;
  DecodeAll(Write(ten), &pcm);
  int loudest = 0;
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
    const auto sample = static_cast<int16_t>(static_cast<uint8_t>(pcm[i]) |
                                             (static_cast<uint8_t>(pcm[i + 1]) << 8));
    loudest = std::max(loudest, std::abs(int{sample}));
  }
  EXPECT_LE(loudest, 2);
}

TEST_F(DecoderApiTest, BadInputEndsQuietly) {
  struct TCase {
    const char *What;
    synth::TBytes Bytes;
    int64_t PcmBytes; // -1: the input does not open
  };
  const TCase cases[] = {
      {"zero-length", {}, -1},
      {"random bytes", synth::Noise(100000, 9), -1},
      {"ID3v2 only", synth::Id3Tag(64), -1},
      {"absurd ID3v2 size", synth::Id3Tag(0xFFFFFFF, false) + synth::Frames(synth::kStereo44k, 4),
       -1},
      {"junk first", synth::TBytes(5000, 0) + synth::Frames(synth::kStereo44k, 3),
       int64_t{3} * 1152 * 4},
      {"truncated", Cut(synth::Frames(synth::kStereo44k, 10), 100), int64_t{9} * 1152 * 4},
      // Frames with noise for audio data: whatever the decoder makes of them, each gives its
      // full count of samples.
      {"noise frames", NoiseFrames(12), int64_t{12} * 1152 * 4},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(c.PcmBytes, DecodeAll(Write(c.Bytes))) << c.What;
  EXPECT_EQ(-1, DecodeAll(dir_.File("missing.mp3")));
}

TEST_F(DecoderApiTest, CallsOutOfOrderAreRefused) {
  uint8_t buffer[QLNX_MAX_DECODE_BYTES];
  EXPECT_EQ(QLNX_ERR_STATE, decoder_decode(decoder_, buffer));
  EXPECT_EQ(QLNX_ERR_STATE, decoder_input_open(decoder_));
  EXPECT_EQ(QLNX_ERR_STATE, decoder_input_delete(decoder_));
  EXPECT_EQ(QLNX_ERR_NO_MODULE, decoder_input_new(decoder_, "x.mp3", 5));
  EXPECT_EQ(QLNX_ERR_ARGUMENT, decoder_input_new(decoder_, nullptr, QLNX_MODULE_ANY));
  const std::string path = Write(synth::Frames(synth::kStereo44k, 2));
  ASSERT_EQ(QLNX_OK, decoder_input_new(decoder_, path.c_str(), QLNX_MODULE_ANY));
  EXPECT_EQ(QLNX_ERR_STATE, decoder_input_new(decoder_, path.c_str(), QLNX_MODULE_ANY));
  EXPECT_EQ(QLNX_ERR_STATE, decoder_decode(decoder_, buffer));
  ASSERT_EQ(QLNX_OK, decoder_input_open(decoder_));
  EXPECT_EQ(44100u, decoder_->output.sample_rate);
  EXPECT_EQ(2u, decoder_->output.channels);
  EXPECT_EQ(QLNX_ERR_STATE, decoder_input_open(decoder_));
  EXPECT_EQ(QLNX_ERR_STATE, decoder_output_open(decoder_));
  // Deleting the decoder with its input still open closes it.

  qlnx_decoder *fresh = nullptr;
  ASSERT_EQ(QLNX_OK, decoder_new(&fresh));
  EXPECT_EQ(QLNX_ERR_NO_MODULE, decoder_input_new(fresh, path.c_str(), QLNX_MODULE_ANY));
  qlnx_input_module bad{};
  EXPECT_EQ(QLNX_ERR_ARGUMENT, decoder_input_module_register(fresh, &bad));
  EXPECT_EQ(QLNX_OK, decoder_delete(fresh));
  EXPECT_EQ(QLNX_ERR_ARGUMENT, decoder_delete(nullptr));
}

struct TSink {
  std::string Name;
  uint32_t Rate = 0;
  int64_t Bytes = 0;
  bool Closed = false;
};

TEST_F(DecoderApiTest, OutputModuleAndRawReadsSeeTheInput) {
  TSink sink;
  qlnx_output_module module{};
  module.size = sizeof module;
  module.context = &sink;
  module.open = [](void *c, const char *name, const qlnx_output_buffer *format) {
    static_cast<TSink *>(c)->Name = name;
    static_cast<TSink *>(c)->Rate = format->sample_rate;
    return 0;
  };
  module.write = [](void *c, const void *, uint32_t size) {
    static_cast<TSink *>(c)->Bytes += size;
    return 0;
  };
  module.close = [](void *c) { static_cast<TSink *>(c)->Closed = true; };
  ASSERT_EQ(0, decoder_output_module_register(decoder_, &module));

  const synth::TBytes file = synth::Frames(synth::kMono22k, 6);
  ASSERT_EQ(QLNX_OK, decoder_input_new(decoder_, Write(file).c_str(), QLNX_MODULE_ANY));
  ASSERT_EQ(QLNX_OK, decoder_input_open(decoder_));
  ASSERT_EQ(QLNX_OK, decoder_output_new(decoder_, "sink", QLNX_MODULE_ANY));
  ASSERT_EQ(QLNX_OK, decoder_output_open(decoder_));
  EXPECT_EQ("sink", sink.Name);
  EXPECT_EQ(22050u, sink.Rate);
  while (decoder_decode(decoder_, nullptr) == QLNX_OK) {
  }
  EXPECT_EQ(int64_t{6} * 576 * 2, sink.Bytes);
  const uint8_t extra[8] = {};
  EXPECT_EQ(QLNX_OK, decoder_output_write(decoder_, extra, sizeof extra));
  EXPECT_EQ(int64_t{6} * 576 * 2 + 8, sink.Bytes);
  EXPECT_EQ(QLNX_OK, decoder_output_delete(decoder_));
  EXPECT_TRUE(sink.Closed);

  synth::TBytes raw(file.size() + 10);
  EXPECT_EQ(100, decoder_input_read(decoder_, raw.data(), 100));
  EXPECT_EQ(
      static_cast<int>(file.size() - 100),
      decoder_input_read(decoder_, raw.data() + 100, static_cast<uint32_t>(raw.size() - 100)));
  raw.resize(file.size());
  EXPECT_EQ(file, raw);
  EXPECT_EQ(0, decoder_input_read(decoder_, raw.data(), 10));
}

} // namespace
