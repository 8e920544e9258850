// pcm-compare A B TOLERANCE: compares two files of 16-bit little-endian samples. Prints the
// sample counts and the largest difference; exits 0 when the lengths agree and no sample
// differs by more than TOLERANCE, 1 otherwise, 2 on bad arguments or unreadable files.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool ReadAll(const char *path, std::string &bytes) {
  std::FILE *f = std::fopen(path, "rb");
  if (f == nullptr)
    return false;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes.append(buffer, n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

int Sample(const std::string &bytes, size_t i) {
  const auto lo = static_cast<uint8_t>(bytes[2 * i]);
  const auto hi = static_cast<uint8_t>(bytes[2 * i + 1]);
  return static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
}

} // namespace

int main(int argc, char **argv) {
  std::string a, b;
  if (argc != 4 || !ReadAll(argv[1], a) || !ReadAll(argv[2], b)) {
    std::fprintf(stderr, "usage: pcm-compare A B TOLERANCE\n");
    return 2;
  }
  const long tolerance = std::strtol(argv[3], nullptr, 10);
  const size_t samples = (a.size() < b.size() ? a.size() : b.size()) / 2;
  long worst = 0;
  for (size_t i = 0; i < samples; ++i) {
    const long d = std::labs(static_cast<long>(Sample(a, i) - Sample(b, i)));
    if (d > worst)
      worst = d;
  }
  std::printf("bytes %zu %zu, largest difference %ld\n", a.size(), b.size(), worst);
  return a.size() == b.size() && worst <= tolerance ? 0 : 1;
}
