// The platform's Layer III decoder behind one small contract: whole frames in, 16-bit PCM out,
// one implementation per platform (posix/: libmpg123, win32/: the Audio Compression Manager).
#pragma once

#include "tools/qlnxaudio/Mp3Format.h"

#include <memory>
#include <vector>

namespace qlnx {

class TFrameDecoder {
public:
  virtual ~TFrameDecoder() = default;
  // Prepares for a stream of the header's version, rate and channel count.
  virtual bool Start(const TFrameHeader &format) = 0;
  // Decodes one whole frame, appending interleaved 16-bit samples to pcm (possibly samples of
  // earlier frames, or none yet); false when the decoder fails for good.
  virtual bool Decode(const uint8_t *frame, size_t size, std::vector<uint8_t> &pcm) = 0;
  // After the last frame: appends whatever the decoder still holds back.
  virtual void Finish(std::vector<uint8_t> &pcm) = 0;
};

std::unique_ptr<TFrameDecoder> NewFrameDecoder();

} // namespace qlnx
