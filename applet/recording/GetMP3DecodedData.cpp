#include "applet/recording/GetMP3DecodedData.h"

#include "applet/recording/XAudio.h"

#include <algorithm>
#include <cstring>

namespace recording {

namespace {
// Room after a piece for one decode call's output, doubled when it is mono.
constexpr int32_t kMaxPiece = TGetMP3DecodedData::kWorkBytes - 2 * int32_t{kMaxDecodeBytes};

bool SameBinding(uint32_t generation) {
  return generation != 0 && DecoderBound() && XAudio().Generation == generation;
}
} // namespace

TGetMP3DecodedData::TGetMP3DecodedData(const std::string &fileName)
    : leftover_(new uint8_t[kLeftoverBytes]), work_(new uint8_t[kWorkBytes]) {
  if (!DecoderBound())
    return;
  const TXAudioBinding &x = XAudio();
  generation_ = x.Generation;
  x.DecoderInputNew(x.Decoder, fileName.c_str(), kAnyInputModule);
  opened_ = x.DecoderInputOpen(x.Decoder) == 0;
}

TGetMP3DecodedData::~TGetMP3DecodedData() {
  if (!SameBinding(generation_))
    return;
  const TXAudioBinding &x = XAudio();
  x.DecoderInputClose(x.Decoder);
  x.DecoderInputDelete(x.Decoder);
}

int32_t TGetMP3DecodedData::ReadPCM(void *destination, int32_t length) {
  if (!SameBinding(generation_))
    throw EDecoderUnavailable();
  auto *out = static_cast<uint8_t *>(destination);
  int32_t delivered = 0;
  while (length > 0) {
    const int32_t piece = std::min(length, kMaxPiece);
    delivered += ReadPiece(out, piece);
    out += piece;
    length -= piece;
  }
  return delivered;
}

// Leftover bytes first; then the decoder writes straight into the destination while a whole
// call's output (doubled when mono) fits there; the tail goes through the work buffer, whose
// surplus becomes the next leftover.
int32_t TGetMP3DecodedData::ReadPiece(uint8_t *destination, int32_t length) {
  int32_t filled = std::min(leftoverCount_, length);
  if (filled > 0) {
    std::memcpy(destination, leftover_.get(), static_cast<size_t>(filled));
    leftoverCount_ -= filled;
    std::memmove(leftover_.get(), leftover_.get() + filled, static_cast<size_t>(leftoverCount_));
  }
  constexpr int32_t kRoom = 2 * int32_t{kMaxDecodeBytes};
  while (!ended_ && length - filled >= kRoom)
    filled += Decode(destination + filled);
  if (filled < length && !ended_) {
    uint8_t *work = work_.get();
    int32_t worked = 0;
    while (!ended_ && worked < length - filled)
      worked += Decode(work + worked);
    const int32_t taken = std::min(worked, length - filled);
    std::memcpy(destination + filled, work, static_cast<size_t>(taken));
    leftoverCount_ = worked - taken;
    std::memcpy(leftover_.get(), work + taken, static_cast<size_t>(leftoverCount_));
    filled += taken;
  }
  if (filled < length)
    std::memset(destination + filled, 0, static_cast<size_t>(length - filled));
  return filled;
}

// One decode call into out (which has room for twice kMaxDecodeBytes); returns the bytes it
// gave, mono doubled into stereo, and notes the end of the stream.
int32_t TGetMP3DecodedData::Decode(uint8_t *out) {
  const TXAudioBinding &x = XAudio();
  const int status = x.DecoderDecode(x.Decoder, out);
  uint32_t size = x.Decoder->Output.Size;
  if (size > kMaxDecodeBytes) {
    ended_ = true; // more than a call may deliver: the library is not to be trusted further
    return 0;
  }
  if (x.Decoder->Output.Channels == 1) { // a CD is stereo: both channels carry the mono
    MonoToStereo(out, size);
    size *= 2;
  }
  empty_ = status == 0 && size == 0 ? empty_ + 1 : 0;
  ended_ = status != 0 || empty_ >= kMaxEmptyDecodes;
  return static_cast<int32_t>(size);
}

} // namespace recording
