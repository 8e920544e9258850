// Windows backend: the Audio Compression Manager's MPEG Layer-3 codec, fed one frame per
// conversion. The codec may hold samples back; a final conversion marked as the end brings
// them out. Batches of frames per conversion are not faster: the codec's own synthesis takes
// nearly all of the time (acm_batch_bench measures it).
#include "tools/qlnxaudio/FrameDecoder.h"

#include <windows.h>

#include <mmsystem.h>

#include <mmreg.h>

#include <msacm.h>

#include <cstring>

namespace qlnx {

namespace {

constexpr size_t kSourceBytes = 2 * kMaxFrameBytes;
// Room for a few frames of output per conversion; a fuller buffer is drained again.
constexpr DWORD kTargetBytes = 16 * 4608;
constexpr WORD kPcmBits = 16;
constexpr DWORD kFreeFormatBytesPerSecond = 40000;
// A codec that keeps filling the output buffer is drained at most this often per frame.
constexpr int kMaxDrains = 64;

class TAcmDecoder : public TFrameDecoder {
public:
  ~TAcmDecoder() override {
    if (stream_ == nullptr)
      return;
    if (prepared_) {
      header_.cbSrcLength = static_cast<DWORD>(kSourceBytes);
      header_.cbDstLength = kTargetBytes;
      acmStreamUnprepareHeader(stream_, &header_, 0);
    }
    acmStreamClose(stream_, 0);
  }

  bool Start(const TFrameHeader &format) override {
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(format.Channels);
    mp3.wfx.nSamplesPerSec = format.SampleRate;
    mp3.wfx.nAvgBytesPerSec = format.Bitrate != 0 ? format.Bitrate / 8 : kFreeFormatBytesPerSecond;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    mp3.nBlockSize = static_cast<WORD>(format.FrameBytes != 0 ? format.FrameBytes : 1);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 0;

    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(format.Channels);
    pcm.nSamplesPerSec = format.SampleRate;
    pcm.wBitsPerSample = kPcmBits;
    pcm.nBlockAlign = static_cast<WORD>(format.Channels * kPcmBits / 8);
    pcm.nAvgBytesPerSec = format.SampleRate * pcm.nBlockAlign;
    if (acmStreamOpen(&stream_, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME) != 0) {
      stream_ = nullptr;
      return false;
    }
    source_.resize(kSourceBytes);
    target_.resize(kTargetBytes);
    header_.cbStruct = sizeof header_;
    header_.pbSrc = source_.data();
    header_.cbSrcLength = static_cast<DWORD>(kSourceBytes);
    header_.pbDst = target_.data();
    header_.cbDstLength = kTargetBytes;
    prepared_ = acmStreamPrepareHeader(stream_, &header_, 0) == 0;
    return prepared_;
  }

  bool Decode(const uint8_t *frame, size_t size, std::vector<uint8_t> &pcm) override {
    if (pending_ + size > source_.size())
      return false;
    std::memcpy(source_.data() + pending_, frame, size);
    pending_ += size;
    DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN;
    if (first_)
      flags |= ACM_STREAMCONVERTF_START;
    first_ = false;
    return Convert(flags, pcm);
  }

  void Finish(std::vector<uint8_t> &pcm) override {
    if (prepared_)
      Convert(ACM_STREAMCONVERTF_END, pcm);
  }

private:
  // Converts the pending input, then drains while the output buffer comes back full.
  bool Convert(DWORD flags, std::vector<uint8_t> &pcm) {
    for (int round = 0; round < kMaxDrains; ++round) {
      header_.cbSrcLength = static_cast<DWORD>(pending_);
      header_.cbDstLength = kTargetBytes;
      header_.cbSrcLengthUsed = header_.cbDstLengthUsed = 0;
      if (acmStreamConvert(stream_, &header_, flags) != 0)
        return false;
      const DWORD used = header_.cbSrcLengthUsed <= pending_ ? header_.cbSrcLengthUsed
                                                             : static_cast<DWORD>(pending_);
      std::memmove(source_.data(), source_.data() + used, pending_ - used);
      pending_ -= used;
      const DWORD made = header_.cbDstLengthUsed <= kTargetBytes ? header_.cbDstLengthUsed : 0;
      pcm.insert(pcm.end(), target_.data(), target_.data() + made);
      if (made < kTargetBytes)
        return true;
      flags &= ~static_cast<DWORD>(ACM_STREAMCONVERTF_START);
    }
    return true;
  }

  HACMSTREAM stream_ = nullptr;
  ACMSTREAMHEADER header_{};
  bool prepared_ = false;
  bool first_ = true;
  std::vector<uint8_t> source_;
  std::vector<uint8_t> target_;
  size_t pending_ = 0;
};

} // namespace

std::unique_ptr<TFrameDecoder> NewFrameDecoder() { return std::make_unique<TAcmDecoder>(); }

} // namespace qlnx
