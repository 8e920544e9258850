// TCompress: properties, the shared header readers, and writing archives.
#include "applet/package/Compress.h"

#include "applet/package/CompressErrors.h"
#include "applet/platform/Platform.h"

#include <climits>

namespace package {

namespace {
constexpr size_t kMaxStoredNameKept = 9999;
constexpr size_t kMaxNameLength = INT16_MAX;
constexpr int32_t kEmptyFileRatio = 100;
const char kEndOperation[] = "*";

uint32_t LockFlagFor(int32_t key) { return key != 0 ? kLocked : 0; }

void WriteMemberHeader(TStream &archive, const TMemberHeader &header) {
  uint8_t bytes[kMemberHeaderSize];
  EncodeMemberHeader(header, bytes);
  archive.WriteBuffer(bytes, kMemberHeaderSize);
}

void WriteArchiveHeader(TStream &archive, const TArchiveHeader &header) {
  uint8_t bytes[kArchiveHeaderSize];
  EncodeArchiveHeader(header, bytes);
  archive.WriteBuffer(bytes, kArchiveHeaderSize);
}
} // namespace

TCompress::TCompress() : work_(std::make_unique<TCompThreadSafety>()) {}

TCompress::~TCompress() = default;

void TCompress::SetTargetPath(const std::string &path) {
  targetPath_ = platform::IncludeTrailingBackslash(path);
}

int32_t TCompress::RunCodec(TStream &source, TStream &dest, bool unscramble, bool expanding,
                            uint32_t &checksum, uint8_t methodIndex, uint32_t uncompressedSize,
                            int32_t inputLength) {
  work_->Key = Key;
  work_->OnShowProgress = OnShowProgress;
  platform::TPlatform &p = platform::Platform();
  const uint32_t started = p.TickCount();
  const int32_t written = work_->RunCodec(source, dest, unscramble, expanding, checksum,
                                          methodIndex, uncompressedSize, inputLength);
  LastElapsedMs = p.TickCount() - started;
  return written;
}

bool TCompress::ReadArchiveHeader(TStream &archive, TArchiveHeader &header) {
  if (archive.Size() - archive.Position() < kArchiveHeaderSize)
    return false;
  uint8_t bytes[kArchiveHeaderSize];
  archive.ReadBuffer(bytes, kArchiveHeaderSize);
  header = DecodeArchiveHeader(bytes);
  if (!HasSignature(header))
    throw EInvalidHeader();
  if (header.ArchiveType != kArchiveTypeMulti)
    throw EInvalidHeaderArchiveType();
  RecognizeMethod(MethodIdOf(header));
  return true;
}

uint8_t TCompress::RecognizeMethod(const std::string &methodId) {
  const int index = MethodIndexOf(methodId);
  if (index >= 0)
    return static_cast<uint8_t>(index);
  bool recognized = false;
  if (OnRecognize)
    OnRecognize(methodId, recognized);
  if (!recognized)
    throw EUnrecognizedCompressionMethod(methodId);
  return miCUS;
}

bool TCompress::ReadMemberHeader(TStream &archive, TMember &member) {
  member.HeaderOffset = archive.Position();
  uint8_t bytes[kMemberHeaderSize];
  if (archive.Read(bytes, kMemberHeaderSize) != kMemberHeaderSize)
    return false;
  member.Header = DecodeMemberHeader(bytes);
  // A negative length or size cannot belong to a member; the walk ends there.
  if (member.Header.NameLength < 0 || member.Header.CompressedSize < 0)
    return false;
  member.Name.assign(static_cast<size_t>(member.Header.NameLength), '\0');
  if (archive.Read(&member.Name[0], member.Header.NameLength) != member.Header.NameLength)
    return false;
  member.DataOffset = archive.Position();
  return true;
}

void TCompress::AddFilesToArchive(TStream &archive, std::vector<std::string> &files,
                                  uint8_t methodIndex) {
  platform::TPlatform &p = platform::Platform();
  const int64_t start = archive.Position();
  std::string methodId = methodIndex < kMethodCount ? kMethodIds[methodIndex] : "";
  TArchiveHeader header = MakeArchiveHeader(methodId, Key != 0);
  WriteArchiveHeader(archive, header);

  std::vector<std::string> added;
  int64_t total = 0;
  for (const std::string &path : files) {
    std::string name = path;
    if (!targetPath_.empty() && StartsWithText(path, targetPath_))
      name = path.substr(targetPath_.size(), kMaxStoredNameKept);
    if (OnCheckFile) {
      OnCheckFile(name, cmAdding);
      if (name.empty())
        continue;
      if (name == kEndOperation)
        break;
    }
    if (name.size() >= 2 && name[1] == ':')
      name.erase(0, 2);

    std::unique_ptr<TFileStream> source;
    try {
      if (name.size() > kMaxNameLength)
        throw EFOpenError(path);
      source = std::make_unique<TFileStream>(path, TFileStream::fmOpenRead);
    } catch (const EFOpenError &) {
      if (ExceptionOnFileError)
        throw;
      continue;
    }
    const int64_t size = source->Size();
    if (size > INT32_MAX || total + size > INT32_MAX)
      throw EArchiveTooLarge(path);
    added.push_back(name);
    platform::TFileStamp stamp;
    p.GetFileStamp(path, stamp);
    total += size;
    AddOneFile(archive, *source, name, stamp, methodIndex, methodId);
  }
  files = added;

  header = MakeArchiveHeader(methodId, Key != 0);
  header.TotalUncompressedSize = static_cast<int32_t>(total);
  archive.SetPosition(start);
  WriteArchiveHeader(archive, header);
}

void TCompress::AddOneFile(TStream &archive, TStream &source, const std::string &storedName,
                           const platform::TFileStamp &stamp, uint8_t methodIndex,
                           std::string &methodId) {
  const int64_t sourceStart = source.Position();
  const auto uncompressed = static_cast<int32_t>(source.Size() - sourceStart);
  const int64_t memberStart = archive.Position();
  TMemberHeader header;
  header.NameLength = static_cast<int16_t>(storedName.size());
  header.FileDate = stamp.DosDateTime;
  header.Attributes = static_cast<uint16_t>(stamp.Attributes);
  header.UncompressedSize = uncompressed;
  header.MethodIndex = methodIndex;
  WriteMemberHeader(archive, header);
  archive.WriteBuffer(storedName.data(), header.NameLength);
  const int64_t dataStart = archive.Position();

  uint32_t checksum = 0;
  try {
    header.CompressedSize =
        PackStream(archive, source, methodIndex, uncompressed, checksum, methodId);
  } catch (const EUnableToCompress &) {
    archive.SetPosition(dataStart);
    source.SetPosition(sourceStart);
    header.MethodIndex = miNON;
    header.CompressedSize = PackStream(archive, source, miNON, uncompressed, checksum, methodId);
  }
  header.Checksum = checksum + static_cast<uint32_t>(Key);
  header.LockFlag = LockFlagFor(Key);
  archive.SetPosition(memberStart);
  WriteMemberHeader(archive, header);
  archive.SetPosition(dataStart + header.CompressedSize);
  LastRatioPercent =
      uncompressed > 0 ? PercentOf(header.CompressedSize, uncompressed) : kEmptyFileRatio;
}

int32_t TCompress::PackStream(TStream &archive, TStream &source, uint8_t methodIndex,
                              int32_t uncompressedSize, uint32_t &checksum, std::string &methodId) {
  if (methodIndex == miCUS) {
    int32_t written = 0;
    int32_t sum = 0;
    if (OnCompress)
      OnCompress(archive, source, methodId, written, sum);
    checksum = static_cast<uint32_t>(sum);
    return written;
  }
  return RunCodec(source, archive, false, false, checksum, methodIndex,
                  static_cast<uint32_t>(uncompressedSize), uncompressedSize);
}

} // namespace package
