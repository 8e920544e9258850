// TCompress: the archive component. Writes, lists and expands multi-file archives; every
// member is compressed on its own with one of the methods of the codec driver's table, and
// failures are raised as the exceptions of CompressErrors.h.
#pragma once

#include "applet/package/ArchiveFormat.h"
#include "applet/package/CompThreadSafety.h"
#include "applet/package/Streams.h"
#include "applet/platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace package {

enum TCProcessMode { cmAdding = 0, cmExpanding = 1 };

// var filepath: the stored name (adding) or the full target path (expanding). An empty result
// skips the file; "*" skips it and ends the operation.
using TFilenameCheckEvent = std::function<void(std::string &filepath, TCProcessMode mode)>;
// Writes a member's data instead of a codec (method index 3).
using TCompressEvent = std::function<void(TStream &dest, TStream &source, std::string &CompressID,
                                          int32_t &Outputsize, int32_t &checksum)>;
// Expands a member of method index 3.
using TExpandEvent =
    std::function<void(TStream &dest, TStream &source, int32_t Sourcesize, int32_t Destsize,
                       const std::string &CompressID, int32_t &checksum)>;
// Accepts an archive identifier that is none of the five as method index 3.
using TRecognizeEvent = std::function<void(const std::string &CompressID, bool &recognized)>;

struct TCompressedFileInfo {
  uint32_t FileDate = 0;
  uint16_t Attributes = 0;
  int32_t UncompressedSize = 0;
  int32_t CompressedSize = 0;
  uint8_t MethodIndex = 0;
  uint32_t Checksum = 0;
  int64_t HeaderOffset = 0; // stream position of the member header
  bool Locked = false;
};

// One entry of a listing: the stored name and its member's details.
struct TListedMember {
  std::string Name;
  TCompressedFileInfo Info;
};

class TCompress {
public:
  TCompress();
  ~TCompress();
  TCompress(const TCompress &) = delete;
  TCompress &operator=(const TCompress &) = delete;

  // Published properties.
  const std::string &TargetPath() const { return targetPath_; }
  // Appends a backslash to a non-empty folder that does not end in a separator.
  void SetTargetPath(const std::string &path);
  bool MakeDirectories = false;
  bool ExceptionOnFileError = false;
  int32_t Key = 0;
  bool CheckSpaceBeforeExpand = false;
  TCompressEvent OnCompress;
  TExpandEvent OnExpand;
  TFilenameCheckEvent OnCheckFile;
  TRecognizeEvent OnRecognize;
  TShowProgressEvent OnShowProgress;

  // Compressed size of the last added member in percent of its size (100 when empty), and
  // the milliseconds the last codec run took.
  int32_t LastRatioPercent = 0;
  uint32_t LastElapsedMs = 0;

  // Writes one archive of the files at the stream's position. On return the list holds the
  // stored names of the files added; skipped files are removed from it.
  void AddFilesToArchive(TStream &archive, std::vector<std::string> &files, uint8_t methodIndex);
  // Expands the archive at the stream's position below TargetPath: every member, or those
  // whose stored names the selection holds (ignoring case); a selection is replaced by the
  // full paths written.
  void ExtractMembers(TStream &archive, std::vector<std::string> *selection = nullptr);
  // Adds each member of the archive at the stream's position to the result.
  void ListMembers(TStream &archive, std::vector<TListedMember> &result);
  // Free bytes for a target file (its own size counted as free), capped at INT32_MAX; always
  // INT32_MAX unless CheckSpaceBeforeExpand.
  int32_t FreeSpaceForPath(const std::string &path);
  // Free bytes of a drive (1 = A, 2 = B, ...; 0 = the current drive); -1 on failure.
  double DiskFreeBytes(int drive);

  // The full paths written by the last ExtractMembers, in archive order.
  const std::vector<std::string> &ExpandedFiles() const { return expanded_; }
  // The error number (errno) of the last file the latest expansion could not create or write;
  // 0 when none failed.
  int LastFileError() const { return lastFileError_; }

private:
  struct TMember {
    TMemberHeader Header;
    std::string Name;
    int64_t HeaderOffset = 0;
    int64_t DataOffset = 0;
  };
  // Reads the archive header; false when too few bytes remain for one (an empty archive).
  bool ReadArchiveHeader(TStream &archive, TArchiveHeader &header);
  uint8_t RecognizeMethod(const std::string &methodId);
  // False when no complete member header and name can be read.
  static bool ReadMemberHeader(TStream &archive, TMember &member);
  void AddOneFile(TStream &archive, TStream &source, const std::string &storedName,
                  const platform::TFileStamp &stamp, uint8_t methodIndex, std::string &methodId);
  int32_t PackStream(TStream &archive, TStream &source, uint8_t methodIndex,
                     int32_t uncompressedSize, uint32_t &checksum, std::string &methodId);
  void UnpackStream(TStream &archive, TStream &dest, const TMember &member);
  // Creates the target's file and expands the member into it (skipped when it cannot be
  // created, unless ExceptionOnFileError).
  void ExpandMember(TStream &archive, const TMember &member, const std::string &target);
  int32_t RunCodec(TStream &source, TStream &dest, bool unscramble, bool expanding,
                   uint32_t &checksum, uint8_t methodIndex, uint32_t uncompressedSize,
                   int32_t inputLength);

  std::string targetPath_;
  std::string archiveId_; // the identifier of the archive being expanded, for OnExpand
  std::unique_ptr<TCompThreadSafety> work_;
  std::vector<std::string> expanded_;
  int lastFileError_ = 0;
};

// Creates a folder and its missing parents; a trailing separator is dropped and paths of two
// characters or fewer are taken as existing. Raises EInOutError when a folder cannot be made.
void MakeDirectoryPath(const std::string &path);

} // namespace package
