// Any bytes through the frame reader, the platform decoder and the trim: no crash, no hang,
// and never more PCM than the frames can hold.
#include "tools/qlnxaudio/DecodeStream.h"
#include "tools/qlnxaudio/qlnxaudio.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  qlnx::TMemorySource source(data, size);
  qlnx::TDecodeStream stream(source);
  if (stream.Open() != QLNX_OK)
    return 0;
  uint8_t pcm[QLNX_MAX_DECODE_BYTES];
  size_t total = 0;
  // A frame of at least 24 bytes yields at most 1152 stereo samples.
  const size_t limit = (size / 24 + 1) * QLNX_MAX_DECODE_BYTES;
  while (size_t n = stream.Read(pcm, sizeof pcm)) {
    total += n;
    if (total > limit)
      std::abort();
  }
  return 0;
}
