#include "tools/qlnxaudio/DecodeStream.h"

#include "tools/qlnxaudio/qlnxaudio.h"

#include <algorithm>
#include <cstring>

namespace qlnx {

namespace {
constexpr size_t kBytesPerSample = 2;

int64_t KeptCount(const TTrim &trim, int64_t first, int64_t count) {
  const TKeptRuns runs = KeptRuns(trim, first, count);
  return runs.Count[0] + runs.Count[1];
}
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
  position_ += static_cast<int64_t>(samples);
}

void TDecodeStream::Silence() {
  const int64_t missing = FramesSamples() - position_;
  if (missing <= 0)
    return;
  const int64_t kept = KeptCount(trim_, position_, missing);
  queue_.insert(queue_.end(), static_cast<size_t>(kept) * sampleBytes_, 0);
  position_ += missing;
}

void TDecodeStream::Restart() {
  decoder_ = NewFrameDecoder();
  if (!decoder_->Start(reader_.Format()))
    decoder_.reset();
}

bool TDecodeStream::Pump() {
  if (finished_)
    return false;
  decoded_.clear();
  TFrame frame;
  bool failed = false;
  if (reader_.Next(frame)) {
    ++framesRead_;
    failed = decoder_ != nullptr && !decoder_->Decode(frame.Bytes, frame.Size, decoded_);
  } else {
    if (decoder_ != nullptr)
      decoder_->Finish(decoded_);
    finished_ = true;
  }
  // A decoder never gives more samples than the frames it was fed hold.
  const int64_t room = FramesSamples() - position_;
  Keep(std::min(decoded_.size() / sampleBytes_, static_cast<size_t>(std::max<int64_t>(room, 0))));
  if (failed || finished_ || decoder_ == nullptr)
    Silence();
  if (failed)
    Restart();
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

size_t TDecodeStream::Measure() {
  if (queueHead_ < queue_.size()) {
    const size_t n = queue_.size() - queueHead_;
    queue_.clear();
    queueHead_ = 0;
    return n;
  }
  TFrame frame;
  while (!finished_) {
    if (reader_.Next(frame))
      ++framesRead_;
    else
      finished_ = true;
    const int64_t from = position_;
    position_ = std::max(position_, FramesSamples());
    const int64_t kept = KeptCount(trim_, from, position_ - from);
    if (kept > 0)
      return static_cast<size_t>(kept) * sampleBytes_;
  }
  return 0;
}

} // namespace qlnx
