// The archive's on-disk records, byte for byte (all integers little-endian), the method table's
// identifiers, and the small rules shared by the component and its tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace package {

constexpr int32_t kArchiveHeaderSize = 21;
constexpr int32_t kMemberHeaderSize = 25;
constexpr char kSignature[5] = {'K', 'V', 'R', 'A', 0x1A};
constexpr size_t kMethodIdSize = 3;
constexpr uint8_t kArchiveTypeMulti = 1; // caMulti
constexpr uint32_t kLocked = 2;          // the lock flag of a keyed archive or member
// An archive's listing reads nothing unless more than this many bytes remain.
constexpr int64_t kSmallestListedArchive = 45;

// Method indexes; the identifiers are kMethodIds in this order.
enum TMethodIndex : uint8_t { miNON = 0, miRLE = 1, miLZH = 2, miCUS = 3, miLH5 = 4 };
constexpr int kMethodCount = 5;
extern const char *const kMethodIds[kMethodCount];

struct TArchiveHeader {
  char Signature[5] = {};
  char MethodID[kMethodIdSize] = {};
  int32_t TotalUncompressedSize = 0;
  uint8_t ArchiveType = 0;
  uint32_t Reserved = 0;
  uint32_t LockFlag = 0;
};

struct TMemberHeader {
  int16_t NameLength = 0;
  uint32_t FileDate = 0;
  uint16_t Attributes = 0;
  int32_t UncompressedSize = 0;
  int32_t CompressedSize = 0;
  uint8_t MethodIndex = 0;
  uint32_t Checksum = 0;
  uint32_t LockFlag = 0;
};

void EncodeArchiveHeader(const TArchiveHeader &header, uint8_t (&out)[kArchiveHeaderSize]);
TArchiveHeader DecodeArchiveHeader(const uint8_t (&in)[kArchiveHeaderSize]);
void EncodeMemberHeader(const TMemberHeader &header, uint8_t (&out)[kMemberHeaderSize]);
TMemberHeader DecodeMemberHeader(const uint8_t (&in)[kMemberHeaderSize]);

// A fresh archive header for a method identifier; locked when a key is in use.
TArchiveHeader MakeArchiveHeader(const std::string &methodId, bool locked);
bool HasSignature(const TArchiveHeader &header);
std::string MethodIdOf(const TArchiveHeader &header);
// The index of an identifier among kMethodIds (exact case), or -1.
int MethodIndexOf(const std::string &methodId);
// "NON" ... "LH5", or "#N" for an index outside the table.
std::string MethodName(uint8_t index);

// part × 100 ÷ whole for wholes up to 100000, else part ÷ (whole ÷ 100); integer divisions.
// A whole of 0 gives 0.
int32_t PercentOf(int64_t part, int64_t whole);

// The lock key's four bytes, least significant first.
void KeyBytes(int32_t key, uint8_t (&bytes)[4]);

// Whether a stored name holds a ".." path element (also as Windows reads it, with trailing
// dots or spaces), which would lead out of the target folder.
bool HasParentElement(const std::string &storedName);
// Whether a stored name would be written outside the folder it is expanded into: a ".."
// element, a name from a root (\x, /x, \\server\share\x) or one with a drive (C:x).
bool LeadsOutOfFolder(const std::string &storedName);

// ASCII comparisons without regard to case (and with '/' equal to '\'), as names and paths in
// archives are compared.
bool SameText(const std::string &a, const std::string &b);
bool StartsWithText(const std::string &text, const std::string &prefix);

} // namespace package
