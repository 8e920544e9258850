#include "applet/package/Rle.h"

#include <cstring>

namespace package {

namespace {

class TRleEncoder {
public:
  explicit TRleEncoder(TCompThreadSafety &io) : io_(io) {}

  void Run() {
    for (;;) {
      const TCompThreadSafety::TSpan block = io_.TakeInput();
      if (block.Size == 0)
        break;
      Encode(block.Data, block.Size);
    }
    if (inRun_)
      EmitRun();
  }

private:
  void Encode(const uint8_t *p, size_t n) {
    size_t i = 0;
    while (i < n) {
      if (inRun_) {
        while (i < n && p[i] == previous_ && count_ < kRleLongestRun) {
          ++count_;
          ++i;
        }
        if (i == n)
          return;
        // The byte that ends the run is written as a literal and may start the next run.
        EmitRun();
        inRun_ = false;
        previous_ = p[i];
        WriteLiteral(p[i++]);
        continue;
      }
      if (first_) {
        first_ = false;
        previous_ = p[i];
        WriteLiteral(p[i++]);
        continue;
      }
      // A stretch of literals: bytes that are neither the marker nor a repeat.
      size_t j = i;
      uint8_t last = previous_;
      while (j < n && p[j] != kRleMarker && p[j] != last)
        last = p[j++];
      if (j > i) {
        io_.WriteBlock(p + i, j - i);
        previous_ = last;
        i = j;
        if (i == n)
          return;
      }
      if (p[i] == kRleMarker) {
        WriteLiteral(kRleMarker);
        previous_ = kRleMarker;
      } else {
        count_ = 2;
        inRun_ = true;
      }
      ++i;
    }
  }

  void WriteLiteral(uint8_t b) {
    io_.WriteByte(b);
    if (b == kRleMarker)
      io_.WriteByte(0);
  }

  void EmitRun() {
    if (count_ == 1 || count_ == 2) {
      for (uint32_t k = 1; k < count_; ++k)
        io_.WriteByte(previous_);
      return;
    }
    io_.WriteByte(kRleMarker);
    io_.WriteByte(static_cast<uint8_t>(count_));
  }

  TCompThreadSafety &io_;
  bool first_ = true;
  bool inRun_ = false;
  uint8_t previous_ = 0;
  uint32_t count_ = 0;
};

} // namespace

void StoredCopy(TCompThreadSafety &io) { io.CopyInputToOutput(); }

void StoredDecode(TCompThreadSafety &io, uint32_t) { StoredCopy(io); }

void RleEncode(TCompThreadSafety &io) { TRleEncoder(io).Run(); }

void RleDecode(TCompThreadSafety &io, uint32_t) {
  uint8_t previous = 0;
  for (;;) {
    const TCompThreadSafety::TSpan block = io.TakeInput();
    if (block.Size == 0)
      break;
    const uint8_t *p = block.Data;
    const uint8_t *const end = p + block.Size;
    while (p < end) {
      const auto *marker =
          static_cast<const uint8_t *>(std::memchr(p, kRleMarker, static_cast<size_t>(end - p)));
      const uint8_t *const stop = marker != nullptr ? marker : end;
      if (stop > p) {
        io.WriteBlock(p, static_cast<size_t>(stop - p));
        previous = stop[-1];
      }
      if (marker == nullptr)
        break;
      uint8_t count;
      if (marker + 1 < end) {
        count = marker[1];
        p = marker + 2;
      } else {
        // The pair is cut by the block end; reading on refills the block (0 at the end).
        count = io.ReadByte();
        p = end;
      }
      if (count == 0)
        io.WriteByte(kRleMarker);
      else
        io.WriteRepeated(previous, count - 1u);
      previous = kRleMarker;
    }
  }
}

} // namespace package
