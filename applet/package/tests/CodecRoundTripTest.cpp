// Both codecs give back what they were given, for a table of inputs.
#include "applet/package/Lh5.h"
#include "applet/package/Lzh.h"
#include "applet/package/tests/CodecSamples.h"
#include "applet/package/tests/MemoryIO.h"

#include <gtest/gtest.h>

#include <string>

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
  s.push_back({"4095 text", Text(4095, TRandom(1))});
  s.push_back({"4096 text", Text(4096, TRandom(2))});
  s.push_back({"4097 noise", RandomBytes(4097, TRandom(3))});
  s.push_back({"8191 text", Text(8191, TRandom(4))});
  s.push_back({"8193 noise", RandomBytes(8193, TRandom(5))});
  s.push_back({"300k zeros", std::vector<uint8_t>(300000, 0)});
  s.push_back({"200k text", Text(200000, TRandom(6))});
  s.push_back({"150k noise", RandomBytes(150000, TRandom(7))});
  s.push_back({"200k audio", Audio(200000, TRandom(8))});
  std::vector<uint8_t> spaces(5000, ' ');
  s.push_back({"spaces", spaces});
  // Text, noise and audio in turn, longer than the encoder cuts into blocks at a time.
  std::vector<uint8_t> mixed;
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    for (const auto &part : {Text(40000, TRandom(seed)), RandomBytes(1000 << seed, TRandom(seed)),
                             Audio(30000, TRandom(seed))})
      mixed.insert(mixed.end(), part.begin(), part.end());
  }
  s.push_back({"mixed", mixed});
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

// Decodes hostile data: it must end, with at most one match beyond the size, short of the size
// only once its input has ended, or with a bad table.
template <class Encode, class Decode>
void CheckBounded(const char *name, Encode encode, Decode decode, unsigned longestMatch) {
  TRandom rng(17);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(std::string(name) + " round " + std::to_string(round));
    const uint32_t size = rng.Next() % 60000;
    std::vector<uint8_t> stream = RandomBytes(rng.Next() % 3000, TRandom(rng.Next()));
    if (round % 3 == 0) {
      // A valid stream cut short.
      TMemoryIO enc(Text(size, TRandom(rng.Next())));
      encode(enc);
      stream.assign(enc.Output().begin(),
                    enc.Output().begin() + static_cast<std::ptrdiff_t>(enc.Output().size() / 2));
    }
    TMemoryIO io(stream);
    try {
      decode(io, size);
      EXPECT_TRUE(io.Output().size() >= size || io.ReadsPastEnd() > 0);
      EXPECT_LT(io.Output().size(), size + longestMatch);
    } catch (const ELZHBadDecodeTable &) {
      EXPECT_LT(io.Output().size(), size + longestMatch);
    }
  }
}

TEST(CodecDamage, RandomAndTruncatedStreamsEndWithinBounds) {
  CheckBounded(
      "LZH", [](TMemoryIO &io) { LzhEncode(io); },
      [](TMemoryIO &io, uint32_t n) { LzhDecode(io, n); }, lzh::kLongestMatch);
  CheckBounded(
      "LH5", [](TMemoryIO &io) { Lh5Encode(io); },
      [](TMemoryIO &io, uint32_t n) { Lh5Decode(io, n); }, lh5::kLongestMatch);
}

TEST(CodecBudget, EncodersLetTheBudgetExceptionThrough) {
  const std::vector<uint8_t> noise = RandomBytes(50000, TRandom(21));
  TMemoryIO lzh(noise, noise.size());
  EXPECT_THROW(LzhEncode(lzh), EUnableToCompress);
  TMemoryIO lh5(noise, noise.size());
  EXPECT_THROW(Lh5Encode(lh5), EUnableToCompress);
  // Text fits its budget.
  const std::vector<uint8_t> text = Text(50000, TRandom(22));
  TMemoryIO fits(text, text.size());
  EXPECT_NO_THROW(Lh5Encode(fits));
  EXPECT_LT(fits.Output().size(), text.size() / 2);
}

} // namespace
} // namespace testing
} // namespace package
