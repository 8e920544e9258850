// Test helpers: archives assembled byte by byte, and codec runs over memory.
#pragma once

#include "applet/package/ArchiveFormat.h"
#include "applet/package/CompThreadSafety.h"
#include "applet/package/Streams.h"

#include <cstdint>
#include <string>
#include <vector>

namespace packagetest {

using TBytes = std::vector<uint8_t>;

inline TBytes Bytes(const std::string &s) { return TBytes(s.begin(), s.end()); }

inline uint32_t Sum(const TBytes &data) {
  uint32_t sum = 0;
  for (uint8_t b : data)
    sum += b;
  return sum;
}

// Appends records to a byte vector the way a writer of the format would.
class TArchiveBytes {
public:
  TBytes Data;

  TArchiveBytes &Header(const std::string &methodId, int32_t total, uint8_t type = 1,
                        uint32_t lockFlag = 0) {
    package::TArchiveHeader h = package::MakeArchiveHeader(methodId, lockFlag != 0);
    h.TotalUncompressedSize = total;
    h.ArchiveType = type;
    h.LockFlag = lockFlag;
    uint8_t bytes[package::kArchiveHeaderSize];
    package::EncodeArchiveHeader(h, bytes);
    Data.insert(Data.end(), bytes, bytes + sizeof bytes);
    return *this;
  }

  // A member whose data are stored as given; sizes and checksum default to the data's own.
  TArchiveBytes &Member(const std::string &name, const TBytes &data, uint8_t method = 0,
                        int64_t checksum = -1, int32_t uncompressed = -1, uint32_t lockFlag = 0) {
    package::TMemberHeader h;
    h.NameLength = static_cast<int16_t>(name.size());
    h.UncompressedSize = uncompressed >= 0 ? uncompressed : static_cast<int32_t>(data.size());
    h.CompressedSize = static_cast<int32_t>(data.size());
    h.MethodIndex = method;
    h.Checksum = checksum >= 0 ? static_cast<uint32_t>(checksum) : Sum(data);
    h.LockFlag = lockFlag;
    return Raw(h, name, data);
  }

  TArchiveBytes &Raw(const package::TMemberHeader &h, const std::string &name, const TBytes &data) {
    uint8_t bytes[package::kMemberHeaderSize];
    package::EncodeMemberHeader(h, bytes);
    Data.insert(Data.end(), bytes, bytes + sizeof bytes);
    Data.insert(Data.end(), name.begin(), name.end());
    Data.insert(Data.end(), data.begin(), data.end());
    return *this;
  }
};

// One codec run over memory; returns the output, with the checksum and count on the side.
struct TCodecResult {
  TBytes Output;
  uint32_t Checksum = 0;
  int32_t Count = 0;
};

inline TCodecResult RunOver(package::TCompThreadSafety &io, const TBytes &input, bool expanding,
                            uint8_t method, bool unscramble = false) {
  package::TMemoryStream source(input);
  package::TMemoryStream dest;
  TCodecResult r;
  r.Count = io.RunCodec(source, dest, unscramble, expanding, r.Checksum, method,
                        static_cast<uint32_t>(input.size()), static_cast<int32_t>(input.size()));
  r.Output = dest.Data();
  return r;
}

} // namespace packagetest
