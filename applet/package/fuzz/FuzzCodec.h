// Shared body of the codec fuzz targets: the first bytes give the uncompressed size, the rest is
// a stream to decode. The same bytes also go through the encoder and must come back unchanged.
#pragma once

#include "applet/package/CompressErrors.h"
#include "applet/package/tests/MemoryIO.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace package {
namespace fuzz {

constexpr size_t kSizeBytes = 3;
constexpr uint32_t kMaxSize = 1u << 16; // keeps each run short

template <class Encode, class Decode>
int RunOne(const uint8_t *data, size_t size, Encode encode, Decode decode) {
  if (size < kSizeBytes)
    return 0;
  const uint32_t outSize =
      (uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16) % (kMaxSize + 1);
  const std::vector<uint8_t> stream(data + kSizeBytes, data + size);
  testing::TMemoryIO hostile(stream);
  try {
    decode(hostile, outSize);
  } catch (const ELZHBadDecodeTable &) {
  }

  testing::TMemoryIO enc(stream);
  encode(enc);
  testing::TMemoryIO dec(enc.Output());
  decode(dec, static_cast<uint32_t>(stream.size()));
  if (dec.Output() != stream)
    std::abort();
  return 0;
}

} // namespace fuzz
} // namespace package
