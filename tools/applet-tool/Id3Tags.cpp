#include "tools/applet-tool/Id3Tags.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace tool {

namespace {

constexpr size_t kV2Header = 10;
constexpr size_t kV1Size = 128;
constexpr size_t kV1Field = 30;
constexpr uint32_t kMaxTagBytes = 16U << 20;
constexpr uint8_t kUnsynchronised = 0x80, kExtendedHeader = 0x40;
constexpr uint8_t kLatin1 = 0, kUtf16 = 1, kUtf16Be = 2, kUtf8 = 3;

using TBytes = std::vector<uint8_t>;

uint32_t SyncSafe(const uint8_t *p) {
  return (uint32_t{p[0]} & 0x7F) << 21 | (uint32_t{p[1]} & 0x7F) << 14 |
         (uint32_t{p[2]} & 0x7F) << 7 | (uint32_t{p[3]} & 0x7F);
}
uint32_t Be(const uint8_t *p, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i)
    v = v << 8 | p[i];
  return v;
}

void PutUtf8(uint32_t cp, std::string &out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | cp >> 18));
    out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Latin1(const uint8_t *p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n && p[i] != 0; ++i)
    PutUtf8(p[i], out);
  return out;
}

std::string Utf16(const uint8_t *p, size_t n, bool bigEndian) {
  std::string out;
  size_t i = 0;
  if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
    bigEndian = p[0] == 0xFE;
    i = 2;
  }
  const auto unit = [&](size_t k) {
    return bigEndian ? uint32_t{p[k]} << 8 | p[k + 1] : uint32_t{p[k + 1]} << 8 | p[k];
  };
  for (; i + 1 < n; i += 2) {
    uint32_t cp = unit(i);
    if (cp == 0)
      break;
    if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < n && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = '?';
    }
    PutUtf8(cp, out);
  }
  return out;
}

std::string FrameText(const uint8_t *p, size_t n) {
  if (n == 0)
    return {};
  const uint8_t *t = p + 1;
  const size_t len = n - 1;
  switch (p[0]) {
  case kLatin1:
    return Latin1(t, len);
  case kUtf16:
    return Utf16(t, len, false);
  case kUtf16Be:
    return Utf16(t, len, true);
  case kUtf8: {
    size_t end = 0;
    while (end < len && t[end] != 0)
      ++end;
    return {reinterpret_cast<const char *>(t), end};
  }
  default:
    return {};
  }
}

void ReadV2(std::FILE *f, TId3Tags &tags) {
  uint8_t h[kV2Header];
  if (std::fread(h, 1, kV2Header, f) != kV2Header || h[0] != 'I' || h[1] != 'D' || h[2] != '3')
    return;
  const uint8_t version = h[3];
  const uint32_t size = SyncSafe(h + 6);
  if (version < 2 || version > 4 || size > kMaxTagBytes)
    return;
  TBytes body(size);
  body.resize(std::fread(body.data(), 1, size, f));
  if ((h[5] & kUnsynchronised) != 0 && version < 4) {
    TBytes plain;
    for (size_t i = 0; i < body.size(); ++i)
      if (!(i > 0 && body[i] == 0 && body[i - 1] == 0xFF))
        plain.push_back(body[i]);
    body.swap(plain);
  }
  size_t at = 0;
  if ((h[5] & kExtendedHeader) != 0 && version > 2 && body.size() >= 4)
    at = version == 4 ? SyncSafe(body.data()) : Be(body.data(), 4) + 4;
  const size_t idLength = version == 2 ? 3 : 4;
  const size_t header = version == 2 ? 6 : 10;
  while (at + header <= body.size() && body[at] != 0) {
    const uint8_t *fh = &body[at];
    const uint32_t length = version == 2   ? Be(fh + 3, 3)
                            : version == 3 ? Be(fh + 4, 4)
                                           : SyncSafe(fh + 4);
    if (length > body.size() - at - header)
      break;
    const std::string id(reinterpret_cast<const char *>(fh), idLength);
    const uint8_t *data = fh + header;
    std::string *field = id == "TALB" || id == "TAL"   ? &tags.Album
                         : id == "TPE1" || id == "TP1" ? &tags.Artist
                         : id == "TIT2" || id == "TT2" ? &tags.Title
                                                       : nullptr;
    if (field != nullptr && field->empty())
      *field = FrameText(data, length);
    at += header + length;
  }
}

std::string V1Field(const uint8_t *p) {
  size_t n = 0;
  while (n < kV1Field && p[n] != 0)
    ++n;
  while (n > 0 && p[n - 1] == ' ')
    --n;
  return Latin1(p, n);
}

void ReadV1(std::FILE *f, TId3Tags &tags) {
  uint8_t t[kV1Size];
  if (std::fseek(f, -static_cast<long>(kV1Size), SEEK_END) != 0 ||
      std::fread(t, 1, kV1Size, f) != kV1Size || t[0] != 'T' || t[1] != 'A' || t[2] != 'G')
    return;
  if (tags.Title.empty())
    tags.Title = V1Field(t + 3);
  if (tags.Artist.empty())
    tags.Artist = V1Field(t + 3 + kV1Field);
  if (tags.Album.empty())
    tags.Album = V1Field(t + 3 + 2 * kV1Field);
}

} // namespace

TId3Tags ReadId3Tags(const std::string &path) {
  TId3Tags tags;
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (f == nullptr)
    return tags;
  ReadV2(f, tags);
  ReadV1(f, tags);
  std::fclose(f);
  return tags;
}

} // namespace tool
