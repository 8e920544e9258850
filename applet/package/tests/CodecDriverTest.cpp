#include "applet/package/CompThreadSafety.h"
#include "applet/package/CompressErrors.h"
#include "applet/package/Rle.h"
#include "applet/package/tests/ArchiveBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace package;
using namespace packagetest;

namespace {

TBytes Repeat(uint8_t b, size_t n) { return TBytes(n, b); }

// The encoder's rules one byte at a time, to compare the block encoder against.
TBytes ReferenceRleEncode(const TBytes &in) {
  TBytes out;
  uint8_t prev = 0;
  uint32_t count = 0;
  bool run = false, first = true;
  auto emit = [&] {
    if (count == 1 || count == 2) {
      for (uint32_t k = 1; k < count; ++k)
        out.push_back(prev);
    } else {
      out.push_back(kRleMarker);
      out.push_back(static_cast<uint8_t>(count));
    }
  };
  for (uint8_t b : in) {
    if (run) {
      if (b == prev && count < 255) {
        ++count;
      } else {
        emit();
        prev = b;
        out.push_back(b);
        if (b == kRleMarker)
          out.push_back(0);
        run = false;
      }
    } else {
      if (b == kRleMarker) {
        out.push_back(kRleMarker);
        out.push_back(0);
      } else if (b != prev || first) {
        out.push_back(b);
      } else {
        count = 2;
        run = true;
      }
      prev = b;
    }
    first = false;
  }
  if (run)
    emit();
  return out;
}

// Random data with runs of every length and markers, long enough to cross several blocks.
TBytes MixedData(size_t size, unsigned seed) { // NOLINT(bugprone-easily-swappable-parameters)
  std::mt19937 rng(seed);
  TBytes data;
  while (data.size() < size) {
    const unsigned kind = rng() % 4;
    const uint8_t b = kind == 0 ? kRleMarker : static_cast<uint8_t>(rng() % 4);
    const size_t len = kind == 1 ? 1 + rng() % 600 : 1 + rng() % 4;
    data.insert(data.end(), len, b);
  }
  data.resize(size);
  return data;
}

} // namespace

TEST(RleCodec, BytePatternsEncodeAndDecode) {
  const struct {
    const char *What;
    TBytes Plain, Encoded;
  } cases[] = {
      {"empty", {}, {}},
      {"three zeros", {0, 0, 0}, {0x00, 0x94, 0x03}},
      {"first byte zero is a literal", {0}, {0}},
      {"two equal bytes", {0x41, 0x41}, {0x41, 0x41}},
      {"marker", {0x94}, {0x94, 0x00}},
      {"two markers", {0x94, 0x94}, {0x94, 0x00, 0x94, 0x00}},
      {"300 bytes cut at 255", Repeat(0x41, 300), {0x41, 0x94, 0xFF, 0x41, 0x94, 0x2D}},
      {"literal after a cut run", Repeat(0x41, 256), {0x41, 0x94, 0xFF, 0x41}},
      {"run then literal", {0x41, 0x41, 0x41, 0x42}, {0x41, 0x94, 0x03, 0x42}},
      {"pair ended by a marker", {0x41, 0x41, 0x94}, {0x41, 0x41, 0x94, 0x00}},
      {"marker between literals", {0x41, 0x94, 0x41}, {0x41, 0x94, 0x00, 0x41}},
      {"run ended by a marker",
       {0x41, 0x41, 0x41, 0x41, 0x94, 0x94},
       {0x41, 0x94, 0x04, 0x94, 0x00, 0x94, 0x00}},
  };
  TCompThreadSafety io;
  for (const auto &c : cases) {
    TCodecResult enc;
    try {
      enc = RunOver(io, c.Plain, false, miRLE);
    } catch (const EUnableToCompress &) {
      // Growing encodings are refused by the budget; check them against the reference.
      EXPECT_GT(c.Encoded.size(), c.Plain.size()) << c.What;
      EXPECT_EQ(ReferenceRleEncode(c.Plain), c.Encoded) << c.What;
      const TCodecResult dec = RunOver(io, c.Encoded, true, miRLE);
      EXPECT_EQ(dec.Output, c.Plain) << c.What;
      continue;
    }
    EXPECT_EQ(enc.Output, c.Encoded) << c.What;
    EXPECT_EQ(enc.Count, static_cast<int32_t>(c.Encoded.size())) << c.What;
    EXPECT_EQ(enc.Checksum, Sum(c.Plain)) << c.What;
    const TCodecResult dec = RunOver(io, c.Encoded, true, miRLE);
    EXPECT_EQ(dec.Output, c.Plain) << c.What;
    EXPECT_EQ(dec.Checksum, Sum(c.Plain)) << c.What;
  }
}

TEST(RleCodec, DecoderReadsDamagedAndUnusualPairs) {
  const struct {
    const char *What;
    TBytes Encoded, Plain;
  } cases[] = {
      {"stream ends after a marker", {0x41, 0x94}, {0x41, 0x94}},
      {"count 1 writes nothing", {0x41, 0x94, 0x01}, {0x41}},
      {"count 2 writes the byte once", {0x41, 0x94, 0x02}, {0x41, 0x41}},
      {"after a pair the previous byte is the marker",
       {0x41, 0x94, 0x03, 0x94, 0x03},
       {0x41, 0x41, 0x41, 0x94, 0x94}},
      {"a run at the start repeats zero", {0x94, 0x03}, {0x00, 0x00}},
  };
  TCompThreadSafety io;
  for (const auto &c : cases)
    EXPECT_EQ(RunOver(io, c.Encoded, true, miRLE).Output, c.Plain) << c.What;
}

TEST(RleCodec, BlockCodecMatchesTheByteRulesAcrossBlockBoundaries) {
  TCompThreadSafety io;
  for (unsigned seed = 1; seed <= 6; ++seed) {
    const size_t size = seed == 6 ? 3 * kStreamTransferSize : 3 * kCodecBufferSize + seed * 977;
    const TBytes plain = MixedData(size, seed);
    const TBytes want = ReferenceRleEncode(plain);
    ASSERT_LE(want.size(), plain.size()) << seed;
    const TCodecResult enc = RunOver(io, plain, false, miRLE);
    EXPECT_EQ(enc.Output, want) << seed;
    EXPECT_EQ(RunOver(io, want, true, miRLE).Output, plain) << seed;
  }
  // A pair split by the block end: the marker is the block's last byte.
  TBytes split(kCodecBufferSize - 1, 0x41);
  split.push_back(kRleMarker);
  split.push_back(0x05);
  split.push_back(0x42);
  TBytes plain(kCodecBufferSize - 1 + 4, 0x41);
  plain.push_back(0x42);
  EXPECT_EQ(RunOver(io, split, true, miRLE).Output, plain);
}

TEST(CodecDriver, OutputBudgetRefusesGrowingEncodings) {
  TCompThreadSafety io;
  EXPECT_THROW(RunOver(io, Repeat(kRleMarker, 1000), false, miRLE), EUnableToCompress);
  // An encoding of exactly the input's length is kept: 94 00 41 94 04.
  const TBytes exact = {0x94, 0x41, 0x41, 0x41, 0x41};
  const TCodecResult r = RunOver(io, exact, false, miRLE);
  EXPECT_EQ(r.Output, (TBytes{0x94, 0x00, 0x41, 0x94, 0x04}));
  // Expanding has no such limit.
  EXPECT_EQ(RunOver(io, {0x41, 0x94, 0xFF}, true, miRLE).Output, Repeat(0x41, 255));
}

TEST(CodecDriver, StoredMethodAndMethodsWithoutCodec) {
  TCompThreadSafety io;
  // Several stream transfers, the last one partial.
  const TBytes data = MixedData(2 * kStreamTransferSize + 20000, 9);
  for (bool expanding : {false, true}) {
    const TCodecResult r = RunOver(io, data, expanding, miNON);
    EXPECT_TRUE(r.Output == data);
    EXPECT_EQ(r.Count, static_cast<int32_t>(data.size()));
    EXPECT_EQ(r.Checksum, Sum(data));
  }
  for (int method : {3, 5, 200}) {
    const TCodecResult r = RunOver(io, data, true, static_cast<uint8_t>(method));
    EXPECT_TRUE(r.Output.empty());
    EXPECT_EQ(r.Checksum, 0u);
    EXPECT_EQ(r.Count, 0);
  }
}

TEST(CodecDriver, ShortSourceEndsTheInput) {
  TCompThreadSafety io;
  TMemoryStream source(Bytes("abc"));
  TMemoryStream dest;
  uint32_t sum = 0;
  EXPECT_EQ(io.RunCodec(source, dest, false, true, sum, miNON, 100, 100), 3);
  EXPECT_EQ(dest.Data(), Bytes("abc"));
  // Only inputLength bytes are taken from a longer source.
  TMemoryStream longer(Bytes("abcdef"));
  TMemoryStream out;
  io.RunCodec(longer, out, false, true, sum, miRLE, 4, 4);
  EXPECT_EQ(out.Data(), Bytes("abcd"));
  EXPECT_EQ(longer.Position(), 4);
}

TEST(CodecDriver, KeyScramblesOutputAndUnscramblesInputPerRun) {
  TCompThreadSafety io;
  io.Key = 0x11223344;
  const TBytes plain = {1, 2, 3, 4, 5, 6};
  const TBytes scrambled = {1 ^ 0x44, 2 ^ 0x33, 3 ^ 0x22, 4 ^ 0x11, 5 ^ 0x44, 6 ^ 0x33};
  for (int run = 0; run < 2; ++run) { // the key position restarts with every run
    const TCodecResult enc = RunOver(io, plain, false, miNON);
    EXPECT_EQ(enc.Output, scrambled);
    EXPECT_EQ(enc.Checksum, Sum(plain)); // the input sum, before scrambling
  }
  const TCodecResult dec = RunOver(io, scrambled, true, miNON, true);
  EXPECT_EQ(dec.Output, plain);
  EXPECT_EQ(dec.Checksum, Sum(plain));
  // Without the member's lock flag the data pass unchanged.
  EXPECT_EQ(RunOver(io, scrambled, true, miNON, false).Output, scrambled);
  // RLE pairs are scrambled as written and unscrambled before decoding.
  const TBytes runs = Repeat(7, 40);
  const TCodecResult rle = RunOver(io, runs, false, miRLE);
  EXPECT_EQ(rle.Output, (TBytes{7 ^ 0x44, 0x94 ^ 0x33, 40 ^ 0x22}));
  EXPECT_EQ(RunOver(io, rle.Output, true, miRLE, true).Output, runs);
}

TEST(CodecDriver, ProgressIsReportedPerBlockAndCancels) {
  TCompThreadSafety io;
  const TBytes data = MixedData(20000, 3);
  std::vector<int32_t> seen;
  int cancelAt = -1;
  io.OnShowProgress = [&](int32_t &percent) {
    seen.push_back(percent);
    if (static_cast<int>(seen.size()) == cancelAt)
      percent = kCancelProgress;
  };
  TCodecResult r = RunOver(io, data, true, miNON);
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 40, 81, 100, 100}));
  EXPECT_EQ(r.Output, data);

  // -1 at the start skips the run: nothing is read or written.
  seen.clear();
  cancelAt = 1;
  TMemoryStream source(data);
  TMemoryStream dest;
  uint32_t sum = 7;
  EXPECT_EQ(io.RunCodec(source, dest, false, true, sum, miNON, 20000, 20000), 0);
  EXPECT_EQ(source.Position(), 0);
  EXPECT_EQ(dest.Size(), 0);
  EXPECT_EQ(seen, (std::vector<int32_t>{0}));

  // -1 later ends the member's input at once; the run still ends with 100.
  seen.clear();
  cancelAt = 3;
  r = RunOver(io, data, true, miNON);
  EXPECT_EQ(r.Output, TBytes(data.begin(), data.begin() + kCodecBufferSize));
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 40, 81, 100}));
}

namespace {

// A source that hands out at most a few bytes per read, and a destination that takes limit
// bytes and then no more (a full disk).
class TTricklingStream final : public TStream {
public:
  TTricklingStream(TBytes data, unsigned seed) : data_(std::move(data)), rng_(seed) {}
  int32_t Read(void *buffer, int32_t count) override {
    const int32_t n = std::min<int32_t>(count, static_cast<int32_t>(1 + rng_() % 70000));
    return inner_.Read(buffer, n);
  }
  int32_t Write(const void *, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return inner_.Seek(offset, origin); }
  int64_t Size() override { return inner_.Size(); }

private:
  TBytes data_;
  TMemoryStream inner_{data_.data(), data_.size()};
  std::mt19937 rng_;
};

class TFullDisk final : public TStream {
public:
  explicit TFullDisk(int64_t limit) : limit_(limit) {}
  int32_t Read(void *, int32_t) override { return 0; }
  int32_t Write(const void *, int32_t count) override {
    const auto n = static_cast<int32_t>(std::min<int64_t>(count, limit_ - written_));
    written_ += n;
    return n;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return written_; }

private:
  int64_t limit_;
  int64_t written_ = 0;
};

} // namespace

TEST(CodecDriver, LargeMembersFromShortReadsArriveWholeAndInOrder) {
  TCompThreadSafety io;
  const TBytes data = MixedData(20 * kStreamTransferSize + 1234, 11);
  const TCodecResult rle = RunOver(io, data, false, miRLE);
  for (uint8_t method : {miNON, miRLE}) {
    const TBytes &input = method == miNON ? data : rle.Output;
    for (bool expanding : {false, true}) {
      if (method == miRLE && !expanding)
        continue;
      TTricklingStream source(input, method);
      TMemoryStream dest;
      uint32_t sum = 0;
      const int32_t count =
          io.RunCodec(source, dest, false, expanding, sum, method,
                      static_cast<uint32_t>(data.size()), static_cast<int32_t>(input.size()));
      EXPECT_EQ(count, static_cast<int32_t>(data.size()));
      EXPECT_TRUE(dest.Data() == data) << "method " << int(method) << " expanding " << expanding;
      EXPECT_EQ(sum, Sum(data));
    }
  }
}

TEST(CodecDriver, FailuresEndTheRunEarlyAndLeaveTheDriverWhole) {
  TCompThreadSafety io;
  constexpr size_t kTransfer = kStreamTransferSize;
  const TBytes data = MixedData(64 * kTransfer, 5);
  const TCodecResult rle = RunOver(io, data, false, miRLE);
  // More failed runs than the driver has buffers: none may be lost to a failure.
  for (int run = 0; run < 12; ++run) {
    const uint8_t method = run % 2 == 0 ? miNON : miRLE;
    const TBytes &input = method == miNON ? data : rle.Output;
    TMemoryStream source(input);
    const int64_t limit = run * int64_t{50000};
    TFullDisk dest(limit);
    uint32_t sum = 0;
    EXPECT_THROW(io.RunCodec(source, dest, false, true, sum, method,
                             static_cast<uint32_t>(data.size()),
                             static_cast<int32_t>(input.size())),
                 EWriteError);
    // The failure stops the reading within the buffers in flight.
    EXPECT_LT(source.Position(), limit + static_cast<int64_t>(2 * kTransferBuffers * kTransfer));
  }
  // An encoding refused halfway, after several transfers were queued.
  EXPECT_THROW(RunOver(io, Repeat(kRleMarker, 4 * kTransfer), false, miRLE), EUnableToCompress);
  for (uint8_t method : {miNON, miRLE}) {
    const TBytes &input = method == miNON ? data : rle.Output;
    const TCodecResult r = RunOver(io, input, true, method);
    EXPECT_TRUE(r.Output == data);
  }
}

// The block sum as the driver takes it (SSE2 where present) against the portable sum and a
// plain byte loop: every length around the vector and fold sizes, at unaligned starts, for
// bytes that overflow narrow lanes (all 0xFF) and for noise.
TEST(CodecDriver, BlockSumsAgreeWithTheByteLoop) {
  std::mt19937 rng(7);
  TBytes noise(40000);
  for (uint8_t &b : noise)
    b = static_cast<uint8_t>(rng());
  const struct {
    const char *name;
    TBytes data;
  } kCases[] = {{"all 0xFF", Repeat(0xFF, 40000)}, {"noise", noise}, {"zeros", Repeat(0, 100)}};
  const size_t kLengths[] = {0, 1, 7, 8, 15, 16, 17, 31, 33, 1023, 1024, 1025, 2049, 39990};
  for (const auto &c : kCases) {
    for (size_t start = 0; start < 4; ++start) {
      for (size_t length : kLengths) {
        if (start + length > c.data.size())
          continue;
        const uint8_t *p = c.data.data() + start;
        uint32_t expected = 0;
        for (size_t i = 0; i < length; ++i)
          expected += p[i];
        EXPECT_EQ(expected, ByteSum(p, length)) << c.name << " at " << start << " x " << length;
        EXPECT_EQ(expected, ByteSumPortable(p, length))
            << c.name << " at " << start << " x " << length;
      }
    }
  }
}
