// Generated inputs for the codec tests: text, noise, runs and audio-like data.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace package {
namespace testing {

// A small deterministic generator (xorshift32).
class TRandom {
public:
  explicit TRandom(uint32_t seed) : state_(seed ? seed : 1) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

private:
  uint32_t state_;
};

inline std::vector<uint8_t> RandomBytes(size_t n, TRandom rng) {
  std::vector<uint8_t> v(n);
  for (auto &b : v)
    b = static_cast<uint8_t>(rng.Next() >> 24);
  return v;
}

// English-like text from a small vocabulary, with line breaks.
inline std::vector<uint8_t> Text(size_t n, TRandom rng) {
  static const char *const kWords[] = {"the",   "disc",   "track", "of",     "and",  "recorder",
                                       "audio", "sector", "a",     "write",  "to",   "session",
                                       "cache", "buffer", "is",    "length", "with", "lead-in"};
  std::string s;
  while (s.size() < n) {
    s += kWords[rng.Next() % (sizeof kWords / sizeof kWords[0])];
    s += (rng.Next() % 12 == 0) ? ".\r\n" : " ";
  }
  s.resize(n);
  return std::vector<uint8_t>(s.begin(), s.end());
}

constexpr double kTwoPi = 6.283185307179586;
constexpr size_t kFrameBytes = 4; // 16-bit stereo
constexpr double kSampleRate = 44100;

// 16-bit stereo samples of two tones with a little noise.
inline std::vector<uint8_t> Audio(size_t n, TRandom rng) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i + 1 < n; i += 2) {
    const size_t frame = i / kFrameBytes;
    const double t = static_cast<double>(frame) / kSampleRate;
    const double x = 8000 * std::sin(kTwoPi * 440 * t) + 3000 * std::sin(kTwoPi * 1234 * t);
    const auto s = static_cast<int16_t>(x + static_cast<int>(rng.Next() % 64) - 32);
    v[i] = static_cast<uint8_t>(s & 0xFF);
    v[i + 1] = static_cast<uint8_t>((s >> 8) & 0xFF);
  }
  return v;
}

} // namespace testing
} // namespace package
