// TCompress: listing and expanding archives, the disk-space test and folder creation.
#include "applet/package/Compress.h"

#include "applet/package/CompressErrors.h"
#include "applet/platform/Platform.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>

namespace package {

namespace {
const char kEndOperation[] = "*";
constexpr int kDriveLetters = 26;

bool Selected(const std::vector<std::string> &selection, const std::string &name) {
  return std::any_of(selection.begin(), selection.end(),
                     [&](const std::string &entry) { return SameText(entry, name); });
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string WithoutTrailingSeparators(std::string path) {
  while (!path.empty() && IsSeparator(path.back()))
    path.pop_back();
  return path;
}

int32_t CappedSize(double bytes) {
  return bytes >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(bytes);
}

// The root of the current drive: "X:\" on Windows, the file system's root elsewhere.
std::string CurrentRoot() {
  const std::string current = platform::Platform().CurrentDirectory();
  if (current.size() >= 2 && current[1] == ':')
    return current.substr(0, 2) + "\\";
  return "\\";
}
} // namespace

void TCompress::ListMembers(TStream &archive, std::vector<TListedMember> &result) {
  const int64_t end = archive.Size();
  if (end - archive.Position() <= kSmallestListedArchive)
    return;
  TArchiveHeader header;
  if (!ReadArchiveHeader(archive, header))
    return;
  TMember member;
  while (ReadMemberHeader(archive, member)) {
    const TMemberHeader &h = member.Header;
    TListedMember entry;
    entry.Name = member.Name;
    entry.Info = {h.FileDate,    h.Attributes, h.UncompressedSize,  h.CompressedSize,
                  h.MethodIndex, h.Checksum,   member.HeaderOffset, h.LockFlag > 0};
    result.push_back(std::move(entry));
    if (h.CompressedSize > end - member.DataOffset)
      break;
    archive.SetPosition(member.DataOffset + h.CompressedSize);
  }
}

void TCompress::ExtractMembers(TStream &archive, std::vector<std::string> *selection) {
  expanded_.clear();
  lastFileError_ = 0;
  TArchiveHeader header;
  if (ReadArchiveHeader(archive, header)) {
    archiveId_ = MethodIdOf(header);
    const int64_t end = archive.Size();
    int64_t total = 0;
    TMember member;
    while (total < header.TotalUncompressedSize && ReadMemberHeader(archive, member)) {
      const TMemberHeader &h = member.Header;
      // Every member read counts towards the archive's total, expanded or skipped, so the
      // walk never runs into data behind the archive.
      total += h.UncompressedSize;
      bool expand = selection == nullptr || Selected(*selection, member.Name);
      // A ".." element would lead out of the target folder.
      expand = expand && !HasParentElement(member.Name);
      std::string target;
      if (expand) {
        target = !member.Name.empty() && member.Name[0] == '\\' ? member.Name
                                                                : targetPath_ + member.Name;
        if (OnCheckFile) {
          OnCheckFile(target, cmExpanding);
          if (target == kEndOperation)
            break;
          expand = !target.empty();
        }
      }
      if (expand)
        ExpandMember(archive, member, target);
      if (h.CompressedSize > end - member.DataOffset)
        break;
      archive.SetPosition(member.DataOffset + h.CompressedSize);
    }
  }
  if (selection != nullptr)
    *selection = expanded_;
}

void TCompress::ExpandMember(TStream &archive, const TMember &member, const std::string &target) {
  const TMemberHeader &h = member.Header;
  if (FreeSpaceForPath(target) < h.UncompressedSize) {
    lastFileError_ = ENOSPC;
    throw EInsufficientDiskSpace(target);
  }
  if (MakeDirectories)
    MakeDirectoryPath(platform::ExtractFilePath(target));
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(target, TFileStream::fmCreate);
  } catch (const EFCreateError &e) {
    lastFileError_ = e.OsError();
    if (ExceptionOnFileError)
      throw;
    return;
  }

  platform::TPlatform &p = platform::Platform();
  const platform::TFileStamp stamp{h.FileDate, h.Attributes};
  try {
    UnpackStream(archive, *file, member);
  } catch (const EInvalidKey &) {
    file.reset();
    p.RemoveFile(target);
    throw;
  } catch (const EStreamError &e) {
    lastFileError_ = e.OsError();
    expanded_.push_back(target);
    file.reset();
    p.SetFileStamp(target, stamp);
    throw;
  } catch (...) {
    expanded_.push_back(target);
    file.reset();
    p.SetFileStamp(target, stamp);
    throw;
  }
  expanded_.push_back(target);
  try {
    file->Close();
  } catch (const EStreamError &e) {
    lastFileError_ = e.OsError();
    throw;
  }
  p.SetFileStamp(target, stamp);
}

void TCompress::UnpackStream(TStream &archive, TStream &dest, const TMember &member) {
  const TMemberHeader &h = member.Header;
  const bool locked = h.LockFlag > 0;
  if (locked && Key == 0)
    throw EInvalidKey();
  uint32_t sum = 0;
  if (h.MethodIndex == miCUS) {
    if (OnExpand) {
      int32_t checksum = 0;
      OnExpand(dest, archive, h.CompressedSize, h.UncompressedSize, archiveId_, checksum);
      sum = static_cast<uint32_t>(checksum);
    }
  } else {
    // In a locked member, a broken table, a size mismatch or runaway output is what a wrong
    // key looks like, so each raises EInvalidKey there and the output is removed.
    try {
      const int32_t written =
          RunCodec(archive, dest, h.LockFlag == kLocked, true, sum, h.MethodIndex,
                   static_cast<uint32_t>(h.UncompressedSize), h.CompressedSize);
      // A member whose data expand to another size than its header says is damaged, even
      // when the bytes that came out add up to its checksum.
      if (written != h.UncompressedSize)
        throw EBadChecksum();
    } catch (const ELZHBadDecodeTable &) {
      if (locked)
        throw EInvalidKey();
      throw;
    } catch (const EBadChecksum &) {
      if (locked)
        throw EInvalidKey();
      throw;
    } catch (const EUnableToCompress &) {
      if (locked)
        throw EInvalidKey();
      throw EBadChecksum(); // output beyond 2 GiB: no member is that large
    }
  }
  if (sum == h.Checksum || (h.Checksum == 0 && h.MethodIndex == miNON))
    return;
  if (!locked)
    throw EBadChecksum();
  if (static_cast<uint32_t>(Key) + sum != h.Checksum)
    throw EInvalidKey();
}

int32_t TCompress::FreeSpaceForPath(const std::string &path) {
  if (!CheckSpaceBeforeExpand)
    return INT32_MAX;
  int drive = 0;
  if (path.size() >= 2 && path[1] == ':')
    drive = std::toupper(static_cast<unsigned char>(path[0])) - 'A' + 1;
  int64_t free = CappedSize(DiskFreeBytes(drive));
  // The target file is replaced, so its bytes count as free.
  platform::TPlatform &p = platform::Platform();
  if (p.FileExists(path)) {
    const int64_t existing = p.FileSize(path);
    if (existing > 0)
      free = std::min<int64_t>(free + existing, INT32_MAX);
  }
  return static_cast<int32_t>(free);
}

double TCompress::DiskFreeBytes(int drive) {
  if (drive < 0 || drive > kDriveLetters)
    return -1;
  const std::string root =
      drive == 0 ? CurrentRoot() : std::string(1, static_cast<char>('A' + drive - 1)) + ":\\";
  const int64_t bytes = platform::Platform().DiskFreeBytes(root);
  return bytes < 0 ? -1.0 : static_cast<double>(bytes);
}

void MakeDirectoryPath(const std::string &path) {
  constexpr size_t kShortestFolder = 2;
  platform::TPlatform &p = platform::Platform();
  const std::string full = WithoutTrailingSeparators(path);
  // Lengths of the missing folders' paths, deepest first.
  std::vector<size_t> missing;
  std::string folder = full;
  while (folder.size() > kShortestFolder && !p.DirectoryExists(folder)) {
    missing.push_back(folder.size());
    std::string parent = WithoutTrailingSeparators(platform::ExtractFilePath(folder));
    if (parent.size() >= folder.size())
      break;
    folder = std::move(parent);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const std::string made = full.substr(0, *it);
    if (!p.CreateFolder(made))
      throw EInOutError(made);
  }
}

} // namespace package
