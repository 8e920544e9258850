// Codec throughput over memory: RLE encoding and decoding and the stored method, for data of
// several kinds. Prints one line per case: name, megabytes per second (1 MB = 10^6 bytes).
//   package_bench                      the measurements
//   package_bench --mixed FILE MB SEED writes MB megabytes of noise broken by runs of zeros
#include "applet/package/CompThreadSafety.h"
#include "applet/package/CompressErrors.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using namespace package;

namespace {

constexpr size_t kDataSize = 64u << 20;
constexpr int kRounds = 5;

// Swallows what is written; counts it.
class TSinkStream final : public TStream {
public:
  int32_t Read(void *, int32_t) override { return 0; }
  int32_t Write(const void *, int32_t count) override {
    size_ += count;
    return count;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return size_; }
  int64_t size_ = 0;
};

std::vector<uint8_t> Noise(size_t size, unsigned seed, bool withMarker) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (uint8_t &b : data) {
    b = static_cast<uint8_t>(rng());
    if (!withMarker && b == 0x94)
      b = 0x95;
  }
  return data;
}

// Blocks of noise between runs of zeros, like audio frames with padding and silence.
std::vector<uint8_t> Mixed(size_t size, unsigned seed) {
  std::vector<uint8_t> data = Noise(size, seed, true);
  std::mt19937 rng(seed + 1);
  for (size_t at = 0; at < size;) {
    at += 200 + rng() % 2000;
    const size_t run = 20 + rng() % 600;
    for (size_t i = at; i < at + run && i < size; ++i)
      data[i] = 0;
    at += run;
  }
  return data;
}

double Measure(const std::vector<uint8_t> &input, bool expanding, uint8_t method,
               int64_t &outSize) {
  TCompThreadSafety io;
  double best = 0;
  for (int round = 0; round < kRounds; ++round) {
    TMemoryStream source(input.data(), input.size());
    TSinkStream sink;
    uint32_t checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    io.RunCodec(source, sink, false, expanding, checksum, method,
                static_cast<uint32_t>(input.size()), static_cast<int32_t>(input.size()));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::max(best, static_cast<double>(input.size()) / 1e6 / took.count());
    outSize = sink.size_;
  }
  return best;
}

std::vector<uint8_t> Encode(const std::vector<uint8_t> &plain) {
  TCompThreadSafety io;
  TMemoryStream source(plain.data(), plain.size());
  TMemoryStream dest;
  uint32_t checksum = 0;
  io.RunCodec(source, dest, false, false, checksum, miRLE, static_cast<uint32_t>(plain.size()),
              static_cast<int32_t>(plain.size()));
  return dest.Data();
}

} // namespace

int WriteMixed(const char *path, const char *megabytes, const char *seed) {
  const size_t size = static_cast<size_t>(std::strtoul(megabytes, nullptr, 10)) * 1000000u;
  const std::vector<uint8_t> data = Mixed(size, static_cast<unsigned>(std::atoi(seed)));
  std::FILE *f = std::fopen(path, "wb");
  if (f == nullptr || std::fwrite(data.data(), 1, data.size(), f) != data.size() ||
      std::fclose(f) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  return 0;
}

int main(int argc, char **argv) {
  if (argc == 5 && std::string(argv[1]) == "--mixed")
    return WriteMixed(argv[2], argv[3], argv[4]);
  const struct {
    const char *Name;
    std::vector<uint8_t> Data;
  } kinds[] = {
      {"noise-without-marker", Noise(kDataSize, 1, false)},
      {"noise-and-silence", Mixed(kDataSize, 2)},
      {"zeros", std::vector<uint8_t>(kDataSize, 0)},
  };
  for (const auto &k : kinds) {
    int64_t encoded = 0, ignored = 0;
    const double encode = Measure(k.Data, false, miRLE, encoded);
    const std::vector<uint8_t> rle = Encode(k.Data);
    // Decoding speed is given per plain byte produced.
    const double decodeIn = Measure(rle, true, miRLE, ignored);
    const double decode =
        decodeIn * static_cast<double>(k.Data.size()) / static_cast<double>(rle.size());
    const double stored = Measure(k.Data, true, miNON, ignored);
    std::printf("rle-encode %s %.0f MB/s (ratio %.1f %%)\n", k.Name, encode,
                100.0 * static_cast<double>(encoded) / static_cast<double>(k.Data.size()));
    std::printf("rle-decode %s %.0f MB/s\n", k.Name, decode);
    std::printf("stored-copy %s %.0f MB/s\n", k.Name, stored);
  }
  // Noise with markers grows under RLE: the encoder gives up when its budget is spent.
  const std::vector<uint8_t> noise = Noise(kDataSize, 3, true);
  TCompThreadSafety io;
  TMemoryStream source(noise.data(), noise.size());
  TSinkStream sink;
  uint32_t checksum = 0;
  const auto start = std::chrono::steady_clock::now();
  try {
    io.RunCodec(source, sink, false, false, checksum, miRLE, static_cast<uint32_t>(noise.size()),
                static_cast<int32_t>(noise.size()));
  } catch (const EUnableToCompress &) {
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("rle-encode noise-with-marker %.0f MB/s until refused at %.1f %% of the input\n",
              static_cast<double>(source.Position()) / 1e6 / took.count(),
              100.0 * static_cast<double>(source.Position()) / static_cast<double>(noise.size()));
  return 0;
}
