// Finds the Layer III frames of a stream: skips ID3v2 tags, locks on to the first frame that
// the next header confirms, takes the info frame aside, and resynchronises over damage.
#pragma once

#include "tools/qlnxaudio/ByteSource.h"
#include "tools/qlnxaudio/Mp3Format.h"

#include <vector>

namespace qlnx {

struct TFrame {
  TFrameHeader Header;
  const uint8_t *Bytes = nullptr; // the whole frame, valid until the next call
  size_t Size = 0;
};

class TFrameReader {
public:
  explicit TFrameReader(TByteSource &source);

  // Finds the first frame; false when the source holds no Layer III stream.
  bool Start();
  // The first frame's header: every frame delivered has its version, rate and channels.
  const TFrameHeader &Format() const { return format_; }
  const TInfoFrame &Info() const { return info_; }
  // The next audio frame; false at the end of the stream.
  bool Next(TFrame &frame);

private:
  // Makes up to need bytes available from the cursor; returns how many there are.
  size_t Available(size_t need);
  void Advance(size_t count);
  void SkipTo(uint64_t offset);
  // Whether a frame of the stream starts at cursor + at; confirm asks for the next header too.
  bool FrameAt(size_t at, size_t available, bool confirm, TFrameHeader &header, size_t &size);
  // Moves the cursor to the next confirmed frame at or after cursor + from; false at the end.
  bool Scan(size_t from);
  bool SkipTag();

  TByteSource &source_;
  std::vector<uint8_t> buffer_;
  uint64_t bufferOffset_ = 0; // source offset of buffer_[0]
  size_t length_ = 0;         // valid bytes in buffer_
  size_t cursor_ = 0;
  bool sourceEnded_ = false;
  bool started_ = false;
  bool ended_ = false;
  TFrameHeader format_;
  uint32_t freeSlotBytes_ = 0; // free format: frame size without its padding byte
  TInfoFrame info_;
};

} // namespace qlnx
