// LHA interchange for the "LZH" (-lh1-) and "LH5" (-lh5-) codecs: decoding a raw stream, and
// wrapping an encoded file in a level-0 LHA archive that other LHA tools can test and extract.
#include "applet/package/CompressErrors.h"
#include "applet/package/Lh5.h"
#include "applet/package/Lzh.h"
#include "tools/applet-tool/Command.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tool {
namespace {

constexpr size_t kFileBuffer = 65536;
constexpr uint16_t kCrc16Polynomial = 0xA001; // CRC-16 (reflected 0x8005), start 0
constexpr uint8_t kArchiveAttribute = 0x20;
constexpr uint8_t kHeaderLevel0 = 0;
constexpr size_t kFixedHeaderSize = 22; // header bytes after the size byte and checksum, less name
constexpr size_t kMaxNameLength = 200;
constexpr uint32_t kDosDateTime = (20u << 25) | (1u << 21) | (1u << 16); // 2000-01-01 00:00:00

// Buffered reading of a file, a byte at a time.
class TFileReader {
public:
  explicit TFileReader(std::FILE *f) : f_(f), buf_(kFileBuffer) {}
  uint8_t ReadByte() {
    if (pos_ == end_) {
      end_ = std::fread(buf_.data(), 1, buf_.size(), f_);
      pos_ = 0;
      ended_ = end_ == 0;
      if (ended_)
        return 0;
    }
    ended_ = false;
    return buf_[pos_++];
  }
  bool EndOfInput() const { return ended_; }

private:
  std::FILE *f_;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
};

// Buffered writing of a file, a byte at a time; Flush reports whether every write succeeded.
class TFileWriter {
public:
  explicit TFileWriter(std::FILE *f) : f_(f) { buf_.reserve(kFileBuffer); }
  void WriteByte(uint8_t b) {
    buf_.push_back(b);
    if (buf_.size() == kFileBuffer)
      Flush();
  }
  bool Flush() {
    ok_ = ok_ && std::fwrite(buf_.data(), 1, buf_.size(), f_) == buf_.size();
    buf_.clear();
    return ok_;
  }

private:
  std::FILE *f_;
  std::vector<uint8_t> buf_;
  bool ok_ = true;
};

// The codec's byte channel from one file to another.
class TFileIO {
public:
  TFileIO(TFileReader &in, TFileWriter &out) : in_(in), out_(out) {}
  uint8_t ReadByte() { return in_.ReadByte(); }
  bool EndOfInput() const { return in_.EndOfInput(); }
  void WriteByte(uint8_t b) { out_.WriteByte(b); }

private:
  TFileReader &in_;
  TFileWriter &out_;
};

// The codec's byte channel over memory.
class TBufferIO {
public:
  explicit TBufferIO(const std::vector<uint8_t> &in) : in_(in) {}
  uint8_t ReadByte() {
    ended_ = pos_ >= in_.size();
    return ended_ ? 0 : in_[pos_++];
  }
  bool EndOfInput() const { return ended_; }
  void WriteByte(uint8_t b) { Out.push_back(b); }
  std::vector<uint8_t> Out;

private:
  const std::vector<uint8_t> &in_;
  size_t pos_ = 0;
  bool ended_ = false;
};

bool ReadFile(const std::string &path, std::vector<uint8_t> &data) {
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (!f)
    return false;
  std::vector<uint8_t> buf(kFileBuffer);
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0)
    data.insert(data.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

uint16_t Crc16(const std::vector<uint8_t> &data) {
  uint16_t crc = 0;
  for (const uint8_t b : data) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ kCrc16Polynomial)
                      : static_cast<uint16_t>(crc >> 1);
  }
  return crc;
}

void PutLe16(std::vector<uint8_t> &v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

void PutLe32(std::vector<uint8_t> &v, uint32_t x) {
  PutLe16(v, static_cast<uint16_t>(x));
  PutLe16(v, static_cast<uint16_t>(x >> 16));
}

std::string BaseName(const std::string &path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty())
    name = "data";
  return name.substr(0, kMaxNameLength);
}

// One level-0 member followed by the end-of-archive byte.
std::vector<uint8_t> Level0Archive(const std::string &method, const std::string &name,
                                   const std::vector<uint8_t> &original,
                                   const std::vector<uint8_t> &stream) {
  std::vector<uint8_t> h;
  h.insert(h.end(), method.begin(), method.end());
  PutLe32(h, static_cast<uint32_t>(stream.size()));
  PutLe32(h, static_cast<uint32_t>(original.size()));
  PutLe32(h, kDosDateTime);
  h.push_back(kArchiveAttribute);
  h.push_back(kHeaderLevel0);
  h.push_back(static_cast<uint8_t>(name.size()));
  h.insert(h.end(), name.begin(), name.end());
  PutLe16(h, Crc16(original));
  uint8_t sum = 0;
  for (const uint8_t b : h)
    sum = static_cast<uint8_t>(sum + b);
  std::vector<uint8_t> archive{static_cast<uint8_t>(kFixedHeaderSize + name.size()), sum};
  archive.insert(archive.end(), h.begin(), h.end());
  archive.insert(archive.end(), stream.begin(), stream.end());
  archive.push_back(0);
  return archive;
}

bool IsMethod(const std::string &m) { return m == "lh1" || m == "lh5"; }

const char kLhaUsage[] = "lha wrap lh1|lh5 IN OUT.lzh [STREAM] | lha decode lh1|lh5 SIZE IN OUT";

// lha wrap METHOD IN OUT [STREAM]: IN encoded by our encoder (or the given raw STREAM of it).
int Wrap(const TArgs &args) {
  if ((args.size() != 4 && args.size() != 5) || !IsMethod(args[1]))
    return Usage(kLhaUsage);
  if (SameFileAsInput(args[3], TArgs(args.begin() + 2, args.end())))
    return 1;
  std::vector<uint8_t> original;
  if (!ReadFile(args[2], original) || original.size() > UINT32_MAX) {
    std::fprintf(stderr, "cannot read %s\n", args[2].c_str());
    return 1;
  }
  std::vector<uint8_t> stream;
  if (args.size() == 5) {
    if (!ReadFile(args[4], stream)) {
      std::fprintf(stderr, "cannot read %s\n", args[4].c_str());
      return 1;
    }
  } else {
    TBufferIO io(original);
    if (args[1] == "lh1")
      package::LzhEncode(io);
    else
      package::Lh5Encode(io);
    stream = std::move(io.Out);
  }
  const std::vector<uint8_t> archive =
      Level0Archive("-" + args[1] + "-", BaseName(args[2]), original, stream);
  std::FILE *out = std::fopen(args[3].c_str(), "wb");
  const bool ok = out && std::fwrite(archive.data(), 1, archive.size(), out) == archive.size();
  if (out && std::fclose(out) != 0)
    return 1;
  if (!ok) {
    std::fprintf(stderr, "cannot write %s\n", args[3].c_str());
    return 1;
  }
  return 0;
}

// lha decode METHOD SIZE IN OUT: decodes a raw stream of SIZE uncompressed bytes.
int Decode(const TArgs &args) {
  long long size = 0;
  if (args.size() != 5 || !IsMethod(args[1]) || !ParseNumber(args[2], size) || size < 0 ||
      size > UINT32_MAX)
    return Usage(kLhaUsage);
  if (SameFileAsInput(args[4], {args[3]}))
    return 1;
  std::FILE *in = std::fopen(args[3].c_str(), "rb");
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", args[3].c_str());
    return 1;
  }
  std::FILE *out = std::fopen(args[4].c_str(), "wb");
  if (!out) {
    std::fclose(in);
    std::fprintf(stderr, "cannot write %s\n", args[4].c_str());
    return 1;
  }
  TFileReader reader(in);
  TFileWriter writer(out);
  TFileIO io(reader, writer);
  int status = 0;
  try {
    if (args[1] == "lh1")
      package::LzhDecode(io, static_cast<uint32_t>(size));
    else
      package::Lh5Decode(io, static_cast<uint32_t>(size));
  } catch (const package::Exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    status = 1;
  }
  if (!writer.Flush() || std::fclose(out) != 0)
    status = 1;
  std::fclose(in);
  return status;
}

int Lha(const TArgs &args) {
  if (!args.empty() && args[0] == "wrap")
    return Wrap(args);
  if (!args.empty() && args[0] == "decode")
    return Decode(args);
  return Usage(kLhaUsage);
}

const TCommandRegistration kLha("lha", kLhaUsage, Lha);

} // namespace
} // namespace tool
