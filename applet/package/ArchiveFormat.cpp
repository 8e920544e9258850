#include "applet/package/ArchiveFormat.h"

#include <cstring>

namespace package {

const char *const kMethodIds[kMethodCount] = {"NON", "RLE", "LZH", "CUS", "LH5"};

namespace {

class TWriter {
public:
  explicit TWriter(uint8_t *out) : out_(out) {}
  void Bytes(const char *p, size_t n) {
    std::memcpy(out_, p, n);
    out_ += n;
  }
  void U8(uint8_t v) { *out_++ = v; }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }

private:
  uint8_t *out_;
};

class TReader {
public:
  explicit TReader(const uint8_t *in) : in_(in) {}
  void Bytes(char *p, size_t n) {
    std::memcpy(p, in_, n);
    in_ += n;
  }
  uint8_t U8() { return *in_++; }
  uint16_t U16() {
    const uint16_t lo = U8();
    return static_cast<uint16_t>(lo | (U8() << 8));
  }
  uint32_t U32() {
    const uint32_t lo = U16();
    return lo | (static_cast<uint32_t>(U16()) << 16);
  }

private:
  const uint8_t *in_;
};

// Folds case, and the two path separators into one.
char Fold(char c) {
  if (c == '/')
    return '\\';
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

void EncodeArchiveHeader(const TArchiveHeader &h, uint8_t (&out)[kArchiveHeaderSize]) {
  TWriter w(out);
  w.Bytes(h.Signature, sizeof h.Signature);
  w.Bytes(h.MethodID, sizeof h.MethodID);
  w.U32(static_cast<uint32_t>(h.TotalUncompressedSize));
  w.U8(h.ArchiveType);
  w.U32(h.Reserved);
  w.U32(h.LockFlag);
}

TArchiveHeader DecodeArchiveHeader(const uint8_t (&in)[kArchiveHeaderSize]) {
  TArchiveHeader h;
  TReader r(in);
  r.Bytes(h.Signature, sizeof h.Signature);
  r.Bytes(h.MethodID, sizeof h.MethodID);
  h.TotalUncompressedSize = static_cast<int32_t>(r.U32());
  h.ArchiveType = r.U8();
  h.Reserved = r.U32();
  h.LockFlag = r.U32();
  return h;
}

void EncodeMemberHeader(const TMemberHeader &h, uint8_t (&out)[kMemberHeaderSize]) {
  TWriter w(out);
  w.U16(static_cast<uint16_t>(h.NameLength));
  w.U32(h.FileDate);
  w.U16(h.Attributes);
  w.U32(static_cast<uint32_t>(h.UncompressedSize));
  w.U32(static_cast<uint32_t>(h.CompressedSize));
  w.U8(h.MethodIndex);
  w.U32(h.Checksum);
  w.U32(h.LockFlag);
}

TMemberHeader DecodeMemberHeader(const uint8_t (&in)[kMemberHeaderSize]) {
  TMemberHeader h;
  TReader r(in);
  h.NameLength = static_cast<int16_t>(r.U16());
  h.FileDate = r.U32();
  h.Attributes = r.U16();
  h.UncompressedSize = static_cast<int32_t>(r.U32());
  h.CompressedSize = static_cast<int32_t>(r.U32());
  h.MethodIndex = r.U8();
  h.Checksum = r.U32();
  h.LockFlag = r.U32();
  return h;
}

TArchiveHeader MakeArchiveHeader(const std::string &methodId, bool locked) {
  TArchiveHeader h;
  std::memcpy(h.Signature, kSignature, sizeof kSignature);
  for (size_t i = 0; i < kMethodIdSize; ++i)
    h.MethodID[i] = i < methodId.size() ? methodId[i] : '\0';
  h.ArchiveType = kArchiveTypeMulti;
  h.LockFlag = locked ? kLocked : 0;
  return h;
}

bool HasSignature(const TArchiveHeader &h) {
  return std::memcmp(h.Signature, kSignature, sizeof kSignature) == 0;
}

std::string MethodIdOf(const TArchiveHeader &h) {
  return std::string(h.MethodID, sizeof h.MethodID);
}

int MethodIndexOf(const std::string &methodId) {
  for (int i = 0; i < kMethodCount; ++i)
    if (methodId == kMethodIds[i])
      return i;
  return -1;
}

std::string MethodName(uint8_t index) {
  return index < kMethodCount ? kMethodIds[index] : "#" + std::to_string(index);
}

int32_t PercentOf(int64_t part, int64_t whole) {
  constexpr int64_t kSmallWhole = 100000;
  constexpr int64_t kHundred = 100;
  if (whole == 0)
    return 0;
  if (whole <= kSmallWhole)
    return static_cast<int32_t>(part * kHundred / whole);
  return static_cast<int32_t>(part / (whole / kHundred));
}

void KeyBytes(int32_t key, uint8_t (&bytes)[4]) {
  const uint32_t k = static_cast<uint32_t>(key);
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<uint8_t>(k >> (8 * i));
}

bool HasParentElement(const std::string &name) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/:", start);
    if (end == std::string::npos)
      end = name.size();
    int dots = 0;
    bool onlyDotsAndSpaces = true;
    for (size_t i = start; i < end; ++i) {
      if (name[i] == '.')
        ++dots;
      else if (name[i] != ' ')
        onlyDotsAndSpaces = false;
    }
    if (onlyDotsAndSpaces && dots >= 2)
      return true;
    start = end + 1;
  }
  return false;
}

bool LeadsOutOfFolder(const std::string &name) {
  return HasParentElement(name) || (!name.empty() && (name[0] == '\\' || name[0] == '/')) ||
         name.find(':') != std::string::npos;
}

bool SameText(const std::string &a, const std::string &b) {
  return a.size() == b.size() && StartsWithText(a, b);
}

bool StartsWithText(const std::string &text, const std::string &prefix) {
  if (prefix.size() > text.size())
    return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Fold(text[i]) != Fold(prefix[i]))
      return false;
  return true;
}

} // namespace package
