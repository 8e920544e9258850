// A reader over one MP3 file's decoded PCM: hands out exactly the number of bytes asked for,
// whatever the decoder's piece size, carrying the surplus of one request into the next.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace recording {

class TGetMP3DecodedData {
public:
  static constexpr int32_t kLeftoverBytes = 32768;
  // Holds the largest request (63,504 bytes) plus one decode call's output, with room to spare.
  static constexpr int32_t kWorkBytes = 98304;

  // Opens the file as the process decoder's input. While no decoder is bound nothing is
  // opened, and ReadPCM refuses.
  explicit TGetMP3DecodedData(const std::string &fileName);
  ~TGetMP3DecodedData();
  TGetMP3DecodedData(const TGetMP3DecodedData &) = delete;
  TGetMP3DecodedData &operator=(const TGetMP3DecodedData &) = delete;

  // Fills destination with exactly length bytes: the stream's bytes that follow those handed
  // out before, then zero bytes once the stream has ended. Returns how many were stream bytes.
  // Raises EDecoderUnavailable when the decoder that opened the file is no longer bound.
  int32_t ReadPCM(void *destination, int32_t length);
  // Whether the decoder opened the file.
  bool Opened() const { return opened_; }

private:
  // One request of at most kWorkBytes - 2 * kMaxDecodeBytes bytes.
  int32_t ReadPiece(uint8_t *destination, int32_t length);
  int32_t Decode(uint8_t *out);

  int32_t leftoverCount_ = 0;
  std::unique_ptr<uint8_t[]> leftover_;
  std::unique_ptr<uint8_t[]> work_;
  uint32_t generation_ = 0; // of the binding whose decoder holds the input; 0 for none
  bool opened_ = false;
  bool ended_ = false;
  int empty_ = 0; // decode calls in a row that succeeded without output
};

} // namespace recording
