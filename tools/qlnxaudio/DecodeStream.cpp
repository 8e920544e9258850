#include "tools/qlnxaudio/DecodeStream.h"

#include "tools/qlnxaudio/qlnxaudio.h"

#include <algorithm>
#include <cstring>

namespace qlnx {

namespace {
constexpr size_t kBytesPerSample = 2;
} // namespace

TDecodeStream::TDecodeStream(TByteSource &source) : reader_(source) {}

int TDecodeStream::Open() {
  if (!reader_.Start())
    return QLNX_ERR_FORMAT;
  const TFrameHeader &format = reader_.Format();
  decoder_ = NewFrameDecoder();
  if (!decoder_->Start(format))
    return QLNX_ERR_BACKEND;
  trim_ = TrimFor(reader_.Info(), format.SamplesPerFrame);
  sampleBytes_ = kBytesPerSample * format.Channels;
  finished_ = false;
  return QLNX_OK;
}

void TDecodeStream::Keep(size_t samples) {
  const TKeptRuns runs = KeptRuns(trim_, position_, static_cast<int64_t>(samples));
  for (int i = 0; i < 2; ++i)
    if (runs.Count[i] > 0) {
      const uint8_t *from = decoded_.data() + static_cast<size_t>(runs.Start[i]) * sampleBytes_;
      queue_.insert(queue_.end(), from, from + static_cast<size_t>(runs.Count[i]) * sampleBytes_);
    }
}

bool TDecodeStream::Pump() {
  if (finished_)
    return false;
  decoded_.clear();
  TFrame frame;
  if (reader_.Next(frame)) {
    ++framesDecoded_;
    if (!decoder_->Decode(frame.Bytes, frame.Size, decoded_))
      finished_ = true;
  } else {
    decoder_->Finish(decoded_);
    finished_ = true;
  }
  // A decoder never gives more samples than the frames it was fed hold.
  const int64_t room = framesDecoded_ * reader_.Format().SamplesPerFrame - position_;
  const size_t samples =
      std::min(decoded_.size() / sampleBytes_, static_cast<size_t>(std::max<int64_t>(room, 0)));
  Keep(samples);
  position_ += static_cast<int64_t>(samples);
  return true;
}

size_t TDecodeStream::Read(uint8_t *out, size_t max) {
  while (queueHead_ == queue_.size()) {
    queue_.clear();
    queueHead_ = 0;
    if (!Pump())
      return 0;
  }
  const size_t n = std::min(max, queue_.size() - queueHead_);
  std::memcpy(out, queue_.data() + queueHead_, n);
  queueHead_ += n;
  return n;
}

} // namespace qlnx
