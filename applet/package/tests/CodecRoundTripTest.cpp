// Both codecs give back what they were given, for a table of inputs.
#include "applet/package/Lh5.h"
#include "applet/package/Lzh.h"
#include "applet/package/tests/CodecSamples.h"
#include "applet/package/tests/MemoryIO.h"

#include <gtest/gtest.h>

namespace package {
namespace testing {
namespace {

struct TSample {
  const char *Name;
  std::vector<uint8_t> Data;
};

std::vector<TSample> Samples() {
  std::vector<TSample> s;
  s.push_back({"empty", {}});
  s.push_back({"one byte", {0x41}});
  s.push_back({"4095 text", Text(4095, 1)});
  s.push_back({"4096 text", Text(4096, 2)});
  s.push_back({"4097 noise", RandomBytes(4097, 3)});
  s.push_back({"8191 text", Text(8191, 4)});
  s.push_back({"8193 noise", RandomBytes(8193, 5)});
  s.push_back({"300k zeros", std::vector<uint8_t>(300000, 0)});
  s.push_back({"200k text", Text(200000, 6)});
  s.push_back({"150k noise", RandomBytes(150000, 7)});
  s.push_back({"200k audio", Audio(200000, 8)});
  std::vector<uint8_t> spaces(5000, ' ');
  s.push_back({"spaces", spaces});
  return s;
}

template <class Encode, class Decode>
void CheckRoundTrip(const TSample &sample, Encode encode, Decode decode) {
  SCOPED_TRACE(sample.Name);
  TMemoryIO enc(sample.Data);
  encode(enc);
  TMemoryIO dec(enc.Output());
  decode(dec, static_cast<uint32_t>(sample.Data.size()));
  ASSERT_EQ(dec.Output().size(), sample.Data.size());
  EXPECT_TRUE(dec.Output() == sample.Data);
}

TEST(CodecRoundTrip, LzhGivesBackItsInput) {
  for (const TSample &s : Samples())
    CheckRoundTrip(
        s, [](TMemoryIO &io) { LzhEncode(io); },
        [](TMemoryIO &io, uint32_t n) { LzhDecode(io, n); });
}

TEST(CodecRoundTrip, Lh5GivesBackItsInput) {
  for (const TSample &s : Samples())
    CheckRoundTrip(
        s, [](TMemoryIO &io) { Lh5Encode(io); },
        [](TMemoryIO &io, uint32_t n) { Lh5Decode(io, n); });
}

} // namespace
} // namespace testing
} // namespace package
