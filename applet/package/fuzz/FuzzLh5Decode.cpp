#include "applet/package/Lh5.h"
#include "applet/package/fuzz/FuzzCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using package::testing::TMemoryIO;
  return package::fuzz::RunOne(
      data, size, [](TMemoryIO &io) { package::Lh5Encode(io); },
      [](TMemoryIO &io, uint32_t n) { package::Lh5Decode(io, n); });
}
