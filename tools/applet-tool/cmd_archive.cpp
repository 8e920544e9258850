// Archives: list, extract and create, through the archive component.
#include "applet/package/Compress.h"
#include "applet/package/CompressErrors.h"
#include "applet/platform/Platform.h"
#include "tools/applet-tool/Command.h"

#include <climits>
#include <cstdio>
#include <memory>

namespace tool {
namespace {

const char kArchiveUsage[] =
    "archive list FILE [--offset N]\n"
    "  archive extract FILE DIR [--offset N] [--key K] [NAME...]\n"
    "  archive create FILE --method NON|RLE|LZH|LH5 [--key K] [--base DIR] PATH...";

// Options shared by the subcommands; the other arguments stay in order.
struct TOptions {
  long long Offset = 0;
  int32_t Key = 0;
  std::string Method;
  std::string Base;
  TArgs Rest;
};

bool ParseKey(const std::string &text, int32_t &key) {
  long long v = 0;
  if (!ParseNumber(text, v) || v < INT32_MIN || v > static_cast<long long>(UINT32_MAX))
    return false;
  key = static_cast<int32_t>(static_cast<uint32_t>(v));
  return true;
}

bool ParseOptions(const TArgs &args, TOptions &o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--offset") {
      if (!hasValue || !ParseNumber(args[++i], o.Offset) || o.Offset < 0)
        return false;
    } else if (a == "--key") {
      if (!hasValue || !ParseKey(args[++i], o.Key))
        return false;
    } else if (a == "--method") {
      if (!hasValue)
        return false;
      o.Method = args[++i];
    } else if (a == "--base") {
      if (!hasValue)
        return false;
      o.Base = args[++i];
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      return false;
    } else {
      o.Rest.push_back(a);
    }
  }
  return true;
}

// Paths follow Windows rules: a '/' becomes a backslash, so stored names use backslashes.
std::string WindowsPath(std::string path) {
  for (char &c : path)
    if (c == '/')
      c = '\\';
  return path;
}

int Fail(const std::exception &e) {
  std::fprintf(stderr, "%s\n", e.what());
  return 1;
}

int List(const TOptions &o) {
  if (o.Rest.size() != 1 || !o.Method.empty() || !o.Base.empty())
    return Usage(kArchiveUsage);
  try {
    package::TFileStream archive(o.Rest[0], package::TFileStream::fmOpenRead);
    archive.SetPosition(o.Offset);
    package::TCompress compress;
    std::vector<package::TListedMember> members;
    compress.ListMembers(archive, members);
    for (const package::TListedMember &m : members)
      std::printf("%s\t%s\t%d\t%d\t%08X\t%s\n", m.Name.c_str(),
                  package::MethodName(m.Info.MethodIndex).c_str(), m.Info.UncompressedSize,
                  m.Info.CompressedSize, m.Info.Checksum, m.Info.Locked ? "locked" : "-");
  } catch (const package::Exception &e) {
    return Fail(e);
  }
  return 0;
}

// The members to extract: the ones named (all when none is), less any whose output would be the
// archive itself or lie outside the folder, which are refused with a line on standard error.
TArgs Selection(const TOptions &o, const std::vector<package::TListedMember> &members,
                const std::string &dir, int &status) {
  const TArgs named(o.Rest.begin() + 2, o.Rest.end());
  TArgs selection;
  for (const package::TListedMember &m : members) {
    bool wanted = named.empty();
    for (const std::string &name : named)
      wanted = wanted || platform::SameText(name, m.Name);
    if (!wanted)
      continue;
    if (package::LeadsOutOfFolder(m.Name)) {
      std::fprintf(stderr,
                   "applet-tool: member %s is not extracted: its name leads out of the folder\n",
                   m.Name.c_str());
      status = 1;
      continue;
    }
    if (platform::Platform().SameFile(platform::IncludeTrailingBackslash(dir) + m.Name,
                                      o.Rest[0])) {
      std::fprintf(stderr,
                   "applet-tool: member %s is not extracted: it would overwrite the "
                   "archive itself\n",
                   m.Name.c_str());
      status = 1;
      continue;
    }
    selection.push_back(m.Name);
  }
  return selection;
}

int Extract(const TOptions &o) {
  if (o.Rest.size() < 2 || o.Rest[1].empty() || !o.Method.empty() || !o.Base.empty())
    return Usage(kArchiveUsage);
  package::TCompress compress;
  int status = 0;
  try {
    package::TFileStream archive(o.Rest[0], package::TFileStream::fmOpenRead);
    archive.SetPosition(o.Offset);
    std::vector<package::TListedMember> members;
    compress.ListMembers(archive, members);
    archive.SetPosition(o.Offset);
    // The folder itself first: MakeDirectories takes very short paths as existing.
    const std::string dir = WindowsPath(o.Rest[1]);
    package::MakeDirectoryPath(dir[0] == '\\' || dir.find(':') != std::string::npos ? dir
                                                                                    : ".\\" + dir);
    TArgs selection = Selection(o, members, dir, status);
    compress.SetTargetPath(dir);
    compress.Key = o.Key;
    compress.MakeDirectories = true;
    compress.ExceptionOnFileError = true;
    if (!selection.empty())
      compress.ExtractMembers(archive, &selection);
  } catch (const package::Exception &e) {
    status = Fail(e);
  }
  for (const std::string &path : compress.ExpandedFiles())
    std::printf("%s\n", path.c_str());
  return status;
}

int Create(const TOptions &o) {
  if (o.Rest.size() < 2 || o.Method.empty() || o.Offset != 0)
    return Usage(kArchiveUsage);
  const int method = package::MethodIndexOf(o.Method);
  if (method < 0 || method == package::miCUS)
    return Usage(kArchiveUsage);
  if (!package::CodecAvailable(static_cast<uint8_t>(method))) {
    std::fprintf(stderr, "Method %s is not available in this tool\n", o.Method.c_str());
    return 1;
  }
  TArgs files;
  for (size_t i = 1; i < o.Rest.size(); ++i)
    files.push_back(WindowsPath(o.Rest[i]));
  const std::string &file = o.Rest[0];
  if (SameFileAsInput(file, files))
    return 1;
  try {
    package::TCompress compress;
    compress.SetTargetPath(WindowsPath(o.Base));
    compress.Key = o.Key;
    compress.ExceptionOnFileError = true;
    auto archive = std::make_unique<package::TFileStream>(file, package::TFileStream::fmCreate);
    try {
      compress.AddFilesToArchive(*archive, files, static_cast<uint8_t>(method));
      archive->Close();
    } catch (const package::Exception &) {
      archive.reset();
      platform::Platform().RemoveFile(file);
      throw;
    }
  } catch (const package::Exception &e) {
    return Fail(e);
  }
  for (const std::string &name : files)
    std::printf("%s\n", name.c_str());
  return 0;
}

int Archive(const TArgs &args) {
  TOptions o;
  if (args.empty() || !ParseOptions(TArgs(args.begin() + 1, args.end()), o))
    return Usage(kArchiveUsage);
  if (args[0] == "list")
    return List(o);
  if (args[0] == "extract")
    return Extract(o);
  if (args[0] == "create")
    return Create(o);
  return Usage(kArchiveUsage);
}

const TCommandRegistration kArchive("archive", kArchiveUsage, Archive);

} // namespace
} // namespace tool
