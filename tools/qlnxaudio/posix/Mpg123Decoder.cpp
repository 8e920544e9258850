// Linux backend: libmpg123 in feed mode. Its own gapless handling is off, since the frame
// reader keeps the info frame away from it and the stream trims the delay and padding.
#include "tools/qlnxaudio/FrameDecoder.h"

#include <mpg123.h>

#include <mutex>

namespace qlnx {

namespace {

class TMpg123Decoder : public TFrameDecoder {
public:
  ~TMpg123Decoder() override {
    if (handle_ != nullptr)
      mpg123_delete(handle_);
  }

  bool Start(const TFrameHeader &format) override {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mpg123_init(); });
    int error = MPG123_OK;
    handle_ = mpg123_new(nullptr, &error);
    if (handle_ == nullptr)
      return false;
    channels_ = format.Channels;
    return mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK &&
           mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) == MPG123_OK &&
           mpg123_format_none(handle_) == MPG123_OK &&
           mpg123_format(handle_, static_cast<long>(format.SampleRate),
                         format.Channels == 1 ? MPG123_MONO : MPG123_STEREO,
                         MPG123_ENC_SIGNED_16) == MPG123_OK &&
           mpg123_open_feed(handle_) == MPG123_OK;
  }

  bool Decode(const uint8_t *frame, size_t size, std::vector<uint8_t> &pcm) override {
    if (mpg123_feed(handle_, frame, size) != MPG123_OK)
      return false;
    return Drain(pcm);
  }

  void Finish(std::vector<uint8_t> &pcm) override { Drain(pcm); }

private:
  bool Drain(std::vector<uint8_t> &pcm) {
    for (;;) {
      off_t number = 0;
      unsigned char *audio = nullptr;
      size_t bytes = 0;
      const int result = mpg123_decode_frame(handle_, &number, &audio, &bytes);
      if (result == MPG123_NEW_FORMAT) {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK ||
            static_cast<uint32_t>(channels) != channels_ || encoding != MPG123_ENC_SIGNED_16)
          return false;
        continue;
      }
      if (result == MPG123_NEED_MORE || result == MPG123_DONE)
        return true;
      if (result != MPG123_OK)
        return false;
      pcm.insert(pcm.end(), audio, audio + bytes);
    }
  }

  mpg123_handle *handle_ = nullptr;
  uint32_t channels_ = 0;
};

} // namespace

std::unique_ptr<TFrameDecoder> NewFrameDecoder() { return std::make_unique<TMpg123Decoder>(); }

} // namespace qlnx
