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

int32_t TGetMP3DecodedData::ReadPiece(uint8_t *destination, int32_t length) {
  const TXAudioBinding &x = XAudio();
  uint8_t *work = work_.get();
  int32_t filled = leftoverCount_;
  if (leftoverCount_ > 0) {
    std::memcpy(work, leftover_.get(), static_cast<size_t>(leftoverCount_));
    leftoverCount_ = 0;
  }
  int empty = 0;
  while (filled < length && !ended_) {
    const int status = x.DecoderDecode(x.Decoder, work + filled);
    uint32_t size = x.Decoder->Output.Size;
    if (size > kMaxDecodeBytes) {
      ended_ = true; // more than a call may deliver: the library is not to be trusted further
      break;
    }
    if (x.Decoder->Output.Channels == 1) { // a CD is stereo: both channels carry the mono
      MonoToStereo(work + filled, size);
      size *= 2;
    }
    filled += static_cast<int32_t>(size);
    empty = status == 0 && size == 0 ? empty + 1 : 0;
    ended_ = status != 0 || empty >= kMaxEmptyDecodes;
  }
  const int32_t delivered = std::min(filled, length);
  if (filled < length)
    std::memset(work + filled, 0, static_cast<size_t>(length - filled));
  if (filled > length) {
    leftoverCount_ = filled - length;
    std::memcpy(leftover_.get(), work + length, static_cast<size_t>(leftoverCount_));
  }
  std::memcpy(destination, work, static_cast<size_t>(length));
  return delivered;
}

} // namespace recording
