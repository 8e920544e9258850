// The "LH5" encoder's engine: hash-chain match finding with lazy evaluation, and blocks of at
// most 65535 symbols with complete canonical codes, cut where the symbol statistics change. Input
// is appended a byte at a time; the bytes it produces collect in Output() for the caller to pass
// on.
#pragma once

#include "applet/package/BitIO.h"
#include "applet/package/Lh5Block.h"
#include "applet/package/Lh5Format.h"
#include "applet/package/Lh5Split.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace package {

class TLh5Encoder {
public:
  TLh5Encoder();
  TLh5Encoder(const TLh5Encoder &) = delete;
  TLh5Encoder &operator=(const TLh5Encoder &) = delete;

  // How many bytes may be appended before the next Compress call.
  size_t Room() const;
  void Append(uint8_t b) { buffer_[end_++] = b; }
  // Codes what the look-ahead allows; with final set, everything, and ends the stream.
  void Compress(bool final);
  std::vector<uint8_t> &Output() { return sink_.Bytes; }

private:
  struct TMatch {
    unsigned Length;
    unsigned Distance;
  };

  int32_t InsertString(uint32_t pos);
  // The longest match for pos_ that is longer than the previous position's, starting the search
  // at candidate; length 0 when there is none.
  TMatch LongestMatch(int32_t candidate) const;
  // Whether a short match costs fewer bits than its bytes as literals, by the recent symbols'
  // codes.
  bool Worthwhile(const TMatch &match) const;
  void SetCosts(const lh5::TCodeLengths &lengths);
  // Costs from the codes of the symbols since the last refresh.
  void RefreshCosts();
  void Slide();
  void Emit(lh5::TCodedSymbol symbol) {
    symbols_.push_back(symbol);
    recent_.AddRun(&symbol, 1);
    if (recent_.Count == kCostRefresh)
      RefreshCosts();
    if (symbols_.size() == symbols_.capacity())
      WriteBlocks(false);
  }
  // Cuts the gathered symbols into blocks and writes them; all but the last unless final, which
  // stays to be weighed with the symbols that follow.
  void WriteBlocks(bool final);

  std::vector<uint8_t> buffer_;
  std::vector<int32_t> head_;
  std::vector<int32_t> chain_; // earlier position with the same hash
  uint32_t pos_ = 0;
  uint32_t end_ = 0;
  TMatch match_{lh5::kShortestMatch - 1, 0};    // found at pos_
  TMatch previous_{lh5::kShortestMatch - 1, 0}; // found at pos_ - 1
  bool matchAvailable_ = false;                 // pos_ - 1 is not coded yet
  std::vector<lh5::TCodedSymbol> symbols_;      // not written yet; cut into blocks when full
  lh5::TBlockSplitter splitter_;
  static constexpr uint32_t kCostRefresh = 8192; // symbols between cost updates
  lh5::TBlockStats recent_;
  uint8_t literalCost_[lh5::kLiteralLengthSymbols];
  uint8_t positionCost_[lh5::kPositionClasses];
  TByteSink sink_;
  TBitWriter<TByteSink> out_;
};

} // namespace package
