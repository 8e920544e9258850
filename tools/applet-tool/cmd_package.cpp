// Packaged programs: build one from an authoring listing, expand, strip and list its package,
// with the package module's own rules, for producers who work on Linux.
#include "applet/common/CommonUtils.h"
#include "applet/package/UnitCompress.h"
#include "applet/platform/Platform.h"
#include "applet/recording/TrackSource.h"
#include "applet/recording/XAudio.h"
#include "tools/applet-tool/Command.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace tool {
namespace {

const char kPackageUsage[] = "package build BARE_APPLET LISTING OUT\n"
                             "  package expand PROGRAM FOLDER\n"
                             "  package strip PROGRAM OUT\n"
                             "  package list PROGRAM";

bool OnTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

// Shows "verb name NN%" on the terminal while a member is packed or expanded.
void ShowProgress(package::TCompress &compress, const char *verb) {
  if (!OnTerminal())
    return;
  auto name = std::make_shared<std::string>();
  package::TFilenameCheckEvent inner = compress.OnCheckFile;
  compress.OnCheckFile = [name, inner](std::string &path, package::TCProcessMode mode) {
    if (inner)
      inner(path, mode);
    *name = platform::ExtractFileName(path);
  };
  compress.OnShowProgress = [name, verb](int32_t &percent) {
    std::fprintf(stderr, "\r%s %s %3d%%%s", verb, name->c_str(), static_cast<int>(percent),
                 percent >= 100 ? "\n" : "");
  };
}

std::string Folder(const std::string &path) {
  std::string folder = platform::ExtractFilePath(path);
  if (!folder.empty())
    return folder;
  return platform::IncludeTrailingBackslash(platform::Platform().CurrentDirectory());
}

int Fail(const std::string &file, const std::exception &e) {
  std::fprintf(stderr, "%s: %s\n", file.c_str(), e.what());
  return 1;
}

// Every file a build reads: the program, the listing, the listed files and the extras.
TArgs BuildInputs(const package::TBuildPlan &plan) {
  TArgs inputs{plan.ProgramPath, plan.ListingPath, plan.Folder + common::kLinerNotesName,
               plan.Folder + common::kCoverName};
  try {
    package::TAuthoringListing listing = package::ReadAuthoringListing(plan.ListingPath);
    inputs.insert(inputs.end(), listing.Tracks.begin(), listing.Tracks.end());
    inputs.push_back(listing.Library);
  } catch (const std::exception &) {
    // A listing that cannot be read fails the build itself, with its own message.
  }
  return inputs;
}

// A CD track lasts at least 4 s (300 sectors); the recording extends a shorter one with
// silence. The listed MP3s that the decoder library beside the tool measures shorter are named.
void WarnShortTracks(const std::string &listingPath) {
  constexpr int64_t kShortestTrackBytes = int64_t{300} * 2352;
  constexpr double kBytesPerSecond = 44100.0 * 4;
  const std::vector<std::string> tracks = package::ReadAuthoringListing(listingPath).Tracks;
  if (std::none_of(tracks.begin(), tracks.end(), recording::IsMp3File))
    return;
  recording::BindDecoder();
  if (!recording::DecoderBound()) {
    std::fprintf(stderr, "applet-tool: track lengths not checked: %s could not be loaded\n",
                 recording::DecoderLibraryFile().c_str());
    return;
  }
  for (size_t i = 0; i < tracks.size(); ++i) {
    if (!recording::IsMp3File(tracks[i]) || !platform::Platform().FileExists(tracks[i]))
      continue;
    const int64_t bytes = recording::DecodedSize(tracks[i]);
    if (bytes <= 0)
      std::fprintf(stderr,
                   "applet-tool: warning: track %zu (%s) holds no audio the decoder reads\n", i + 1,
                   tracks[i].c_str());
    else if (bytes < kShortestTrackBytes)
      std::fprintf(stderr,
                   "applet-tool: warning: track %zu (%s) lasts %.2f s; a CD track lasts at least "
                   "4 s, so silence will extend it\n",
                   i + 1, tracks[i].c_str(), static_cast<double>(bytes) / kBytesPerSecond);
  }
  recording::UnbindDecoder();
}

int Build(const TArgs &args) {
  package::TBuildPlan plan;
  plan.ProgramPath = args[0];
  plan.ListingPath = args[1];
  plan.OutputPath = args[2];
  // The listing's folder holds the liner notes and the cover, and takes the numbered copies
  // while the build runs; the producer's liner notes and cover stay.
  plan.Folder = Folder(plan.ListingPath);
  plan.RemovePackedExtras = false;
  if (SameFileAsInput(plan.OutputPath, BuildInputs(plan)))
    return 1;
  package::TCompress compress;
  ShowProgress(compress, "packing");
  package::TBuildResult result;
  try {
    result = package::BuildPackagedProgram(compress, plan);
  } catch (const std::exception &e) {
    return Fail(plan.OutputPath, e);
  }
  for (const std::string &name : result.Packed)
    std::printf("%s\n", name.c_str());
  for (const std::string &missing : result.Missing)
    std::fprintf(stderr, "%s: not packed (cannot be read)\n", missing.c_str());
  for (const std::string &dropped : result.Dropped)
    std::fprintf(stderr, "%s: not packed (a package holds at most %d tracks)\n", dropped.c_str(),
                 common::kMaxTracks);
  WarnShortTracks(plan.ListingPath);
  return result.Complete() ? 0 : 1;
}

// Whether a member would be written over the program itself (said on standard error).
bool ExpandsOverProgram(package::TFileStream &program, const TArgs &args) {
  if (program.Size() <= package::kPackageOffset)
    return false;
  program.SetPosition(package::kPackageOffset);
  std::vector<package::TListedMember> members;
  package::TCompress().ListMembers(program, members);
  const std::string folder = platform::IncludeTrailingBackslash(args[1]);
  for (const package::TListedMember &m : members)
    if (SameFileAsInput(folder + m.Name, {args[0]}))
      return true;
  return false;
}

int Expand(const TArgs &args) {
  package::TCompress compress;
  ShowProgress(compress, "expanding");
  int status = 0;
  try {
    package::TFileStream program(args[0], package::TFileStream::fmOpenRead);
    if (!platform::Platform().DirectoryExists(args[1]))
      throw common::Exception("the folder \"" + args[1] + "\" does not exist");
    if (ExpandsOverProgram(program, args))
      return 1;
    if (!package::ExpandPackage(compress, program, args[1]))
      throw common::Exception("carries no package");
  } catch (const std::exception &e) {
    status = Fail(args[0], e);
  }
  for (const std::string &path : compress.ExpandedFiles())
    std::printf("%s\n", path.c_str());
  return status;
}

int Strip(const TArgs &args) {
  if (SameFileAsInput(args[1], {args[0]}))
    return 1;
  try {
    if (common::FileSizeOf(args[0]) < package::kPackageOffset)
      throw common::Exception("shorter than a bare applet");
    platform::Platform().RemoveFile(args[1]);
    if (!common::CopyFileHead(args[0], args[1], package::kPackageOffset))
      throw common::Exception("cannot write \"" + args[1] + "\"");
  } catch (const std::exception &e) {
    return Fail(args[0], e);
  }
  return 0;
}

int List(const TArgs &args) {
  try {
    package::TFileStream program(args[0], package::TFileStream::fmOpenRead);
    if (program.Size() <= package::kPackageOffset)
      throw common::Exception("carries no package");
    program.SetPosition(package::kPackageOffset);
    std::vector<package::TListedMember> members;
    package::TCompress().ListMembers(program, members);
    for (const package::TListedMember &m : members)
      std::printf("%s\t%s\t%d\t%d\n", m.Name.c_str(),
                  package::MethodName(m.Info.MethodIndex).c_str(), m.Info.UncompressedSize,
                  m.Info.CompressedSize);
  } catch (const std::exception &e) {
    return Fail(args[0], e);
  }
  return 0;
}

int Package(const TArgs &args) {
  if (args.empty())
    return Usage(kPackageUsage);
  const TArgs rest(args.begin() + 1, args.end());
  if (args[0] == "build" && rest.size() == 3)
    return Build(rest);
  if (args[0] == "expand" && rest.size() == 2)
    return Expand(rest);
  if (args[0] == "strip" && rest.size() == 2)
    return Strip(rest);
  if (args[0] == "list" && rest.size() == 1)
    return List(rest);
  return Usage(kPackageUsage);
}

const TCommandRegistration kPackage("package", kPackageUsage, Package);

} // namespace
} // namespace tool
