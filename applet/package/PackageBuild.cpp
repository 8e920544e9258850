// The producer's jobs that write files: the build of a packaged program from the authoring
// listing, and the replacement batch that installs a rebuilt program.
#include "applet/common/CommonUtils.h"
#include "applet/common/SimpleListing.h"
#include "applet/package/UnitCompress.h"
#include "applet/platform/BatchFile.h"
#include "applet/platform/Platform.h"

#include <algorithm>
#include <climits>

namespace package {

using platform::Platform;

namespace {

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// A path as the file system resolves it: a relative one lies in the current folder.
std::string ResolvedPath(const std::string &path) {
  const bool absolute = (!path.empty() && (path[0] == '\\' || path[0] == '/')) ||
                        (path.size() >= 2 && path[1] == ':');
  if (absolute)
    return path;
  return platform::IncludeTrailingBackslash(Platform().CurrentDirectory()) + path;
}

// Whether text holds bytes above 127 and is valid UTF-8 throughout.
bool IsUtf8Beyond7Bit(const std::string &text) {
  constexpr unsigned kAscii = 0x80, kLead2 = 0xC2, kLead3 = 0xE0, kLead4 = 0xF0, kLeadEnd = 0xF5;
  constexpr unsigned kContinuationMask = 0xC0;
  bool wide = false;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < kAscii) {
      ++i;
      continue;
    }
    const size_t n = c >= kLead4 && c < kLeadEnd ? 4
                     : c >= kLead3 && c < kLead4 ? 3
                     : c >= kLead2 && c < kLead3 ? 2
                                                 : 0;
    if (n == 0 || i + n > text.size())
      return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & kContinuationMask) != kAscii)
        return false;
    wide = true;
    i += n;
  }
  return wide;
}

class EShortProgram : public Exception {
public:
  explicit EShortProgram(const std::string &path)
      : Exception("\"" + path + "\" is shorter than a bare applet (" +
                  std::to_string(kPackageOffset) + " bytes)") {}
};

// The files of one build and what becomes of them afterwards.
struct TBuildFiles {
  std::vector<std::string> Paths;        // to pack, in order
  std::vector<std::string> Listed;       // per path: the listing's entry ("" for the extras)
  std::vector<std::string> Created;      // copies the build made; removed at its end
  std::vector<std::string> PackedExtras; // liner notes and cover, once packed

  void Add(const std::string &path, const std::string &listed) {
    Paths.push_back(path);
    Listed.push_back(listed);
  }
  void RemoveCreated() {
    for (const std::string &path : Created)
      Platform().RemoveFile(path);
  }
};

// Copies a listed file to target in the folder; a source that already is the target is packed
// as it stands. A stale target is removed first, so a failed copy never packs it; a target
// that existed before and is not numbered (removeStale false) stays after the build.
bool StageCopy(const std::string &source, const std::string &target, bool removeStale,
               TBuildFiles &files) {
  if (source.empty())
    return false;
  if (SameText(ResolvedPath(source), target)) {
    files.Add(target, source);
    return true;
  }
  const bool existed = Platform().FileExists(target);
  if (removeStale)
    Platform().RemoveFile(target);
  if (!common::CopyFileAs(source, target, false))
    return false;
  if (removeStale || !existed)
    files.Created.push_back(target);
  files.Add(target, source);
  return true;
}

} // namespace

TAuthoringListing ReadAuthoringListing(const std::string &listingPath) {
  const common::TSimpleListing listing(listingPath);
  TAuthoringListing result;
  listing.SectionLines("Files", result.Tracks);
  // Blank lines that end the section are no entries; one between entries keeps its number.
  while (!result.Tracks.empty() && result.Tracks.back().empty())
    result.Tracks.pop_back();
  // Names saved as UTF-8 are opened as such.
  for (std::string &track : result.Tracks)
    if (IsUtf8Beyond7Bit(track)) {
      const std::string path = Platform().Utf8Path(std::string(), track);
      if (!path.empty())
        track = path;
    }
  if (result.Tracks.size() > static_cast<size_t>(common::kMaxTracks)) {
    result.Dropped.assign(result.Tracks.begin() + common::kMaxTracks, result.Tracks.end());
    result.Tracks.resize(common::kMaxTracks);
  }
  result.Library = listing.FirstSectionLine("Library");
  return result;
}

void WritePackagedProgram(TCompress &compress, const std::string &program,
                          const std::string &output, const std::string &folder,
                          std::vector<std::string> &files) {
  platform::TPlatform &p = Platform();
  if (common::FileSizeOf(program) < kPackageOffset)
    throw EShortProgram(program);
  p.RemoveFile(output);
  // Only the bare program is copied: a package behind it would never be read again.
  if (!common::CopyFileHead(program, output, kPackageOffset))
    throw EFCreateError(output);
  try {
    TFileStream stream(output, TFileStream::fmOpenReadWrite);
    stream.Seek(0, TSeekOrigin::soEnd);
    compress.SetTargetPath(folder);
    compress.AddFilesToArchive(stream, files, kPackageMethod);
    stream.Close();
  } catch (...) {
    p.RemoveFile(output);
    throw;
  }
}

TBuildResult BuildPackagedProgram(TCompress &compress, const TBuildPlan &plan) {
  TBuildResult result;
  const TAuthoringListing listing = ReadAuthoringListing(plan.ListingPath);
  result.Dropped = listing.Dropped;
  TBuildFiles files;
  try {
    for (size_t i = 0; i < listing.Tracks.size(); ++i) {
      const std::string &source = listing.Tracks[i];
      const std::string target = plan.Folder + common::TempTrackName(static_cast<int>(i) + 1);
      if (!StageCopy(source, target, true, files))
        result.Missing.push_back(source.empty() ? "(empty line " + std::to_string(i + 1) + ")"
                                                : source);
    }
    if (files.Paths.empty())
      throw ENoTracks(plan.ListingPath);
    const std::string library = plan.Folder + platform::ExtractFileName(listing.Library);
    if (!StageCopy(listing.Library, library, false, files))
      result.Missing.push_back(listing.Library.empty() ? "(no library)" : listing.Library);
    for (const char *name : {common::kLinerNotesName, common::kCoverName}) {
      const std::string path = plan.Folder + name;
      // A file that exists but cannot be opened ends the build (FileSizeOf raises).
      if (Platform().FileExists(path) && common::FileSizeBetween(path, 0, INT32_MAX)) {
        files.Add(path, "");
      }
    }
    std::vector<std::string> packed = files.Paths;
    WritePackagedProgram(compress, plan.ProgramPath, plan.OutputPath, plan.Folder, packed);
    // Files the archive component had to skip are missing from the stored names.
    for (size_t i = 0; i < files.Paths.size(); ++i) {
      const std::string stored = files.Paths[i].substr(plan.Folder.size());
      const bool isPacked = std::any_of(packed.begin(), packed.end(),
                                        [&](const std::string &s) { return SameText(s, stored); });
      if (!isPacked && !files.Listed[i].empty())
        result.Missing.push_back(files.Listed[i]);
      else if (isPacked && files.Listed[i].empty())
        files.PackedExtras.push_back(files.Paths[i]);
    }
    result.Packed = packed;
  } catch (...) {
    files.RemoveCreated();
    throw;
  }
  files.RemoveCreated();
  if (plan.RemovePackedExtras)
    for (const std::string &path : files.PackedExtras)
      Platform().RemoveFile(path);
  return result;
}

std::vector<std::string> ReplacementBatchLines(const std::string &program,
                                               const std::string &folder,
                                               const std::string &newProgram,
                                               const std::string &batch) {
  const std::string p = Quoted(platform::BatchLiteral(program));
  const std::string f = Quoted(platform::BatchLiteral(folder));
  const std::string t = Quoted(platform::BatchLiteral(newProgram));
  const std::string b = Quoted(platform::BatchLiteral(batch));
  return {
      "@echo off",
      "cd " + f,
      ":try1",
      "del " + p,
      "if exist " + p + " goto try1",
      ":try2",
      "move " + t + " " + Quoted(common::kInstalledAppletName),
      "if exist " + t + " goto try2",
      ":try3",
      "del " + b,
      "if exist " + b + " goto try3",
      "exit",
  };
}

} // namespace package
