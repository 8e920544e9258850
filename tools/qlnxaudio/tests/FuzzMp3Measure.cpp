// Any bytes measured without decoding and then decoded: the two totals must agree exactly.
#include "tools/qlnxaudio/DecodeStream.h"
#include "tools/qlnxaudio/qlnxaudio.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  qlnx::TMemorySource measured(data, size), decoded(data, size);
  qlnx::TDecodeStream measuring(measured), decoding(decoded);
  const int opened = measuring.Open();
  if (opened != decoding.Open())
    std::abort();
  if (opened != QLNX_OK)
    return 0;
  uint64_t sizeTotal = 0, pcmTotal = 0;
  while (size_t n = measuring.Measure())
    sizeTotal += n;
  uint8_t pcm[QLNX_MAX_DECODE_BYTES];
  while (size_t n = decoding.Read(pcm, sizeof pcm))
    pcmTotal += n;
  if (sizeTotal != pcmTotal) {
    std::fprintf(stderr, "measured %llu bytes, decoded %llu\n",
                 static_cast<unsigned long long>(sizeTotal),
                 static_cast<unsigned long long>(pcmTotal));
    std::abort();
  }
  return 0;
}
