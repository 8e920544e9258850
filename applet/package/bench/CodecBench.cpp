// Throughput of the LZH and LH5 codecs in memory, for the benchmark scripts.
//   codec_bench lh1|lh5 encode FILE        input bytes per second
//   codec_bench lh1|lh5 decode FILE SIZE   output bytes per second of a raw stream
#include "applet/package/Lh5.h"
#include "applet/package/Lzh.h"
#include "applet/package/tests/MemoryIO.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr double kMinSeconds = 1.0;
constexpr double kMegabyte = 1e6;

std::vector<uint8_t> ReadFile(const char *path) {
  std::vector<uint8_t> data;
  std::FILE *f = std::fopen(path, "rb");
  if (!f)
    return data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
    data.insert(data.end(), buf, buf + n);
  std::fclose(f);
  return data;
}

int Run(int argc, char **argv) {
  using package::testing::TMemoryIO;
  if (argc < 4 || (std::string(argv[2]) == "decode" && argc < 5)) {
    std::fprintf(stderr, "usage: codec_bench lh1|lh5 encode FILE | decode FILE SIZE\n");
    return 2;
  }
  const std::string method = argv[1];
  const bool encode = std::string(argv[2]) == "encode";
  const std::vector<uint8_t> input = ReadFile(argv[3]);
  const uint32_t size = encode ? 0 : static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
  size_t bytes = 0;
  size_t outSize = 0;
  int runs = 0;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  double seconds = 0;
  do {
    TMemoryIO io(input);
    if (encode)
      method == "lh1" ? package::LzhEncode(io) : package::Lh5Encode(io);
    else
      method == "lh1" ? package::LzhDecode(io, size) : package::Lh5Decode(io, size);
    outSize = io.Output().size();
    bytes += encode ? input.size() : outSize;
    ++runs;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } while (seconds < kMinSeconds);
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  std::printf("%s %s %s: %.1f MB/s wall, %.1f MB/s cpu (%d runs, %zu -> %zu bytes)\n",
              method.c_str(), argv[2], argv[3], static_cast<double>(bytes) / kMegabyte / seconds,
              static_cast<double>(bytes) / kMegabyte / cpu, runs, input.size(), outSize);
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
