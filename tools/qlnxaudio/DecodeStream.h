// One input's PCM: frames from the reader through the platform decoder, trimmed as the info
// frame declares, handed out in pieces of any size.
//
// Every frame the reader delivers stands for exactly SamplesPerFrame samples, whatever the
// decoder makes of it: output beyond the frames fed is dropped, and what a decoder withholds or
// loses (a frame it cannot decode, a decoder that fails and is restarted) becomes silence. So
// the stream's length follows from the frame headers and the trim alone, and Measure gives it
// without decoding.
#pragma once

#include "tools/qlnxaudio/ByteSource.h"
#include "tools/qlnxaudio/FrameDecoder.h"
#include "tools/qlnxaudio/FrameReader.h"

#include <memory>
#include <vector>

namespace qlnx {

class TDecodeStream {
public:
  // Reads the source, which must outlive the stream; Open finds the stream and starts the
  // decoder.
  explicit TDecodeStream(TByteSource &source);
  // QLNX_OK, QLNX_ERR_FORMAT (no Layer III stream) or QLNX_ERR_BACKEND.
  int Open();
  uint32_t SampleRate() const { return reader_.Format().SampleRate; }
  uint32_t Channels() const { return reader_.Format().Channels; }
  // Copies up to max bytes of PCM (whole samples) to out; returns the count, 0 at the end.
  size_t Read(uint8_t *out, size_t max);
  // The byte count of the next frame's kept PCM (the next non-empty one), taken from the frame
  // headers and the trim without decoding; 0 at the end. Queued PCM counts first.
  size_t Measure();

private:
  // Decodes the next frame (or flushes the decoder) into the queue; false when nothing is left.
  bool Pump();
  // Queues the samples of decoded_ that the trim keeps.
  void Keep(size_t samples);
  // Fills the samples up to the frames read with silence (those the decoder did not give).
  void Silence();
  // Replaces a decoder that failed; without one every further frame is silence.
  void Restart();
  // Samples of the frames read so far.
  int64_t FramesSamples() const { return framesRead_ * reader_.Format().SamplesPerFrame; }

  TFrameReader reader_;
  std::unique_ptr<TFrameDecoder> decoder_;
  bool finished_ = true;
  TTrim trim_;
  size_t sampleBytes_ = 0; // bytes of one sample in every channel
  int64_t position_ = 0;   // samples emitted (decoded or silence) so far
  int64_t framesRead_ = 0;
  std::vector<uint8_t> decoded_; // the decoder's latest output
  std::vector<uint8_t> queue_;   // kept PCM not yet read
  size_t queueHead_ = 0;
};

} // namespace qlnx
