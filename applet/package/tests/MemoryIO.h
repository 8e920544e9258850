// A byte channel over memory for codec tests, with an optional output budget like the driver's.
#pragma once

#include "applet/package/CompressErrors.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace package {
namespace testing {

class TMemoryIO {
public:
  explicit TMemoryIO(std::vector<uint8_t> input, size_t budget = std::numeric_limits<size_t>::max())
      : input_(std::move(input)), budget_(budget) {}

  uint8_t ReadByte() {
    ended_ = pos_ >= input_.size();
    if (ended_) {
      ++readsPastEnd_;
      return 0;
    }
    return input_[pos_++];
  }
  bool EndOfInput() const { return ended_; }
  void WriteByte(uint8_t b) {
    if (budget_ == 0)
      throw EUnableToCompress();
    --budget_;
    output_.push_back(b);
  }

  const std::vector<uint8_t> &Output() const { return output_; }
  size_t Consumed() const { return pos_; }
  size_t ReadsPastEnd() const { return readsPastEnd_; }

private:
  std::vector<uint8_t> input_;
  size_t pos_ = 0;
  bool ended_ = false;
  size_t readsPastEnd_ = 0;
  std::vector<uint8_t> output_;
  size_t budget_;
};

} // namespace testing
} // namespace package
