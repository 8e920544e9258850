#include "tools/qlnxaudio/tests/SyntheticMp3.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace synth {

namespace {

void PutBigEndian(uint8_t *p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

} // namespace

TBytes Frame(const TKind &kind) {
  TBytes frame(kind.Size, 0);
  PutBigEndian(frame.data(), kind.Word);
  return frame;
}

TBytes Frames(const TKind &kind, int count) {
  TBytes all;
  for (int i = 0; i < count; ++i)
    all = all + Frame(kind);
  return all;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TBytes InfoFrame(const TKind &kind, uint32_t frames, uint32_t delay, uint32_t padding,
                 const char *encoder) {
  TBytes frame = Frame(kind);
  uint8_t *tag = frame.data() + kind.InfoOffset;
  const char kTag[] = {'I', 'n', 'f', 'o'};
  std::copy_n(kTag, sizeof kTag, tag);
  PutBigEndian(tag + 4, 0x0F); // frames, bytes, table of contents, quality
  PutBigEndian(tag + 8, frames);
  PutBigEndian(tag + 12, static_cast<uint32_t>(frames * kind.Size));
  uint8_t *lame = tag + 8 + 4 + 4 + 100 + 4;
  std::copy_n(encoder, std::strlen(encoder), lame);
  lame[21] = static_cast<uint8_t>(delay >> 4);
  lame[22] = static_cast<uint8_t>(((delay & 0x0F) << 4) | (padding >> 8));
  lame[23] = static_cast<uint8_t>(padding);
  return frame;
}

TBytes Id3Tag(uint32_t bodyBytes, bool write) {
  TBytes tag = {'I', 'D', '3', 3, 0, 0};
  for (int shift = 21; shift >= 0; shift -= 7)
    tag.push_back(static_cast<uint8_t>((bodyBytes >> shift) & 0x7F));
  if (write)
    tag.resize(tag.size() + bodyBytes, 'x');
  return tag;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TBytes Noise(size_t count, uint32_t seed) {
  TBytes bytes(count);
  uint32_t state = seed;
  for (uint8_t &b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

TBytes operator+(TBytes a, const TBytes &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void WriteBytes(const std::string &path, const TBytes &bytes) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (f == nullptr)
    return;
  if (!bytes.empty())
    std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

} // namespace synth
