// The stored method "NON" and the run-length method "RLE" over the codec driver.
//
// RLE: the marker byte 0x94 is written as the pair 0x94 0x00; a run of n equal bytes (3 to
// 255) is the byte once and then the pair 0x94 n, which stands for n - 1 further copies. Two
// equal bytes stay two literals, the first byte of a member is always a literal, and the
// marker never takes part in a run. Both directions work on whole input blocks; the result is
// that of the byte-by-byte rules.
#pragma once

#include "applet/package/CompThreadSafety.h"

#include <cstdint>

namespace package {

constexpr uint8_t kRleMarker = 0x94;
constexpr uint32_t kRleLongestRun = 255;

void StoredCopy(TCompThreadSafety &io);
void StoredDecode(TCompThreadSafety &io, uint32_t uncompressedSize);
void RleEncode(TCompThreadSafety &io);
void RleDecode(TCompThreadSafety &io, uint32_t uncompressedSize);

} // namespace package
