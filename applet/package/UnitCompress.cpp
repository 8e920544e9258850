#include "applet/package/UnitCompress.h"

#include "applet/common/CommonUtils.h"
#include "applet/platform/BatchFile.h"
#include "applet/platform/Platform.h"

#include <algorithm>
#include <cerrno>

namespace package {

using platform::Platform;

bool IsPlainTarget(const std::string &folder, const std::string &target) {
  if (target.size() <= folder.size() || !SameText(target.substr(0, folder.size()), folder))
    return false;
  const std::string name = target.substr(folder.size());
  return name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

bool IsStagedName(const std::string &name) {
  for (const char *fixed : {common::kLinerNotesName, common::kCoverName, common::kDecoderName,
                            common::kPackageWorkName}) {
    if (SameText(name, fixed))
      return true;
  }
  for (int n = 1; n <= common::kMaxTracks; ++n) {
    if (SameText(name, common::TempTrackName(n)))
      return true;
  }
  return false;
}

namespace {

// The longest file name, and the longest path, that the applet's file calls can open.
constexpr size_t kLongestName = 255;
constexpr size_t kLongestPath = 259;

// Why a member's name cannot be expanded into folder as a plain file; "" when it can.
std::string RefusalOf(const std::string &folder, const std::string &name) {
  const std::string target = !name.empty() && name[0] == '\\' ? name : folder + name;
  if (LeadsOutOfFolder(name) || !IsPlainTarget(folder, target))
    return name.find_first_of("\\/") == std::string::npos || LeadsOutOfFolder(name)
               ? "leads out of the folder"
               : "names a subfolder";
  if (name.size() > kLongestName || target.size() > kLongestPath)
    return "is too long for a file name in this folder";
  return std::string();
}

// A name the session would take for a track ("QlnT-*.mp3").
bool IsTrackName(const std::string &name) {
  const size_t extension = sizeof common::kTrackExtension - 1;
  return name.size() > extension && StartsWithText(name, common::kTrackPrefix) &&
         SameText(name.substr(name.size() - extension), common::kTrackExtension);
}

// The number of members a whole expansion must write; EIncompletePackage when the archive ends
// before its total, ERefusedMember when a member's name is not a plain file name of the folder
// or too long for one (a producer's build stores plain names only, so such a package has been
// tampered with). A session also
// refuses tracks beyond the numbered ones it records and removes: none is dropped unheard.
size_t PlainMemberCount(TCompress &compress, TStream &program, const std::string &folder,
                        bool stagedOnly) {
  const int64_t end = program.Size();
  if (end - kPackageOffset < kArchiveHeaderSize)
    return 0;
  uint8_t raw[kArchiveHeaderSize];
  program.SetPosition(kPackageOffset);
  program.ReadBuffer(raw, kArchiveHeaderSize);
  const TArchiveHeader header = DecodeArchiveHeader(raw);
  if (!HasSignature(header))
    throw EInvalidHeader();
  program.SetPosition(kPackageOffset);
  std::vector<TListedMember> members;
  compress.ListMembers(program, members);
  int64_t total = 0;
  size_t plain = 0;
  for (const TListedMember &m : members) {
    if (total >= header.TotalUncompressedSize)
      break;
    const int64_t dataEnd = m.Info.HeaderOffset + kMemberHeaderSize +
                            static_cast<int64_t>(m.Name.size()) + m.Info.CompressedSize;
    if (m.Info.CompressedSize < 0 || m.Info.UncompressedSize < 0 || dataEnd > end)
      throw EIncompletePackage();
    total += m.Info.UncompressedSize;
    const std::string refusal = RefusalOf(folder, m.Name);
    if (!refusal.empty())
      throw ERefusedMember(m.Name, refusal);
    if (!stagedOnly || IsStagedName(m.Name))
      ++plain;
    else if (IsTrackName(m.Name))
      throw EIncompletePackage();
  }
  if (total < header.TotalUncompressedSize)
    throw EIncompletePackage();
  return plain;
}

} // namespace

bool ExpandPackage(TCompress &compress, TStream &program, const std::string &folder,
                   std::vector<std::string> *selection, bool stagedOnly) {
  if (program.Size() <= kPackageOffset)
    return false;
  compress.SetTargetPath(folder);
  const std::string target = compress.TargetPath();
  const size_t expected =
      selection == nullptr ? PlainMemberCount(compress, program, target, stagedOnly) : 0;
  program.SetPosition(kPackageOffset);
  // Only plain names are expanded: a member never leaves the folder.
  TFilenameCheckEvent previous = std::move(compress.OnCheckFile);
  compress.OnCheckFile = [&target, stagedOnly](std::string &path, TCProcessMode) {
    if (!IsPlainTarget(target, path) || (stagedOnly && !IsStagedName(path.substr(target.size()))))
      path.clear();
  };
  try {
    compress.ExtractMembers(program, selection);
  } catch (...) {
    compress.OnCheckFile = std::move(previous);
    throw;
  }
  compress.OnCheckFile = std::move(previous);
  if (selection == nullptr && compress.ExpandedFiles().size() != expected)
    throw EIncompletePackage();
  return true;
}

TCompressDataModule::TCompressDataModule()
    : program_(Platform().ModuleFileName()), folder_(platform::ExtractFilePath(program_)) {
  try {
    stream_ = std::make_unique<TFileStream>(program_, TFileStream::fmOpenRead);
  } catch (const Exception &) {
    // A program file that cannot be read carries no package; every job then finds none.
  }
}

TCompressDataModule::~TCompressDataModule() = default;

bool TCompressDataModule::HasPackage() {
  return stream_ != nullptr && stream_->Size() > kPackageOffset;
}

bool TCompressDataModule::SeekPackage() {
  if (!HasPackage())
    return false;
  stream_->SetPosition(kPackageOffset);
  return true;
}

bool TCompressDataModule::DispatchPackageMode(TStagingHost *host) {
  const bool result = common::HasSwitch(common::kBuildSwitch) ||
                      common::HasSwitch(common::kSpawnSwitch) ||
                      common::HasSwitch(common::kEmptySwitch);
  if (common::HasSwitch(common::kBuildSwitch))
    RunJob(&TCompressDataModule::BuildPackage);
  else if (common::HasSwitch(common::kSpawnSwitch))
    RunJob(&TCompressDataModule::ExpandWholePackage);
  else if (common::HasSwitch(common::kEmptySwitch))
    RunJob(&TCompressDataModule::StripPackage);
  // A switch run ends after its job, whether it succeeded or not.
  if (result)
    return true;
  if (!HasPackage())
    return false;
  return StagePackage(host);
}

void TCompressDataModule::RunJob(void (TCompressDataModule::*job)()) {
  try {
    (this->*job)();
  } catch (...) {
    exitCode_ = 1;
  }
}

bool TCompressDataModule::StagePackage(TStagingHost *host) {
  platform::TPlatform &p = Platform();
  // Tracks left by an earlier run would be recorded with this package's.
  for (int n = 1; n <= common::kMaxTracks; ++n)
    p.RemoveFile(folder_ + common::TempTrackName(n));
  std::vector<std::string> written;
  try {
    written = ExpandPackageMember(common::kLinerNotesName);
    if (host != nullptr && !host->CheckPackageSpace()) {
      host->WaitForTermination();
      return true;
    }
    // Only what the ending removes again is staged.
    ExpandPackage(Compress, *stream_, folder_, nullptr, true);
  } catch (...) {
    stagingFailure_ = StagingFailureText(Compress.LastFileError());
    // A damaged package is not recorded: every file this run expanded goes again, so the
    // session reports its files missing. Files it did not write (liner notes kept from an
    // earlier album) stay, and the session checks what is there.
    written.insert(written.end(), Expanded().begin(), Expanded().end());
    for (const std::string &path : written)
      p.RemoveFile(path);
  }
  return false;
}

std::string StagingFailureText(int osError) {
  const char *reason = nullptr;
  switch (osError) {
  case 0:
    return std::string();
  case ENOSPC:
    reason = "there is no space left on the drive of this folder";
    break;
  case EROFS:
    reason = "this folder is read-only";
    break;
  case EACCES:
  case EPERM:
    reason = "access to this folder was denied (it may be read-only)";
    break;
  default:
    return "*** The album could not be unpacked: a file in this folder could not be written "
           "(error " +
           std::to_string(osError) + ").";
  }
  return std::string("*** The album could not be unpacked: ") + reason + ".";
}

bool TCompressDataModule::PackageHasMember(const std::string &name) {
  if (!SeekPackage())
    return false;
  std::vector<TListedMember> members;
  Compress.ListMembers(*stream_, members);
  return std::any_of(members.begin(), members.end(),
                     [&](const TListedMember &m) { return SameText(m.Name, name); });
}

std::vector<std::string> TCompressDataModule::ExpandPackageMember(const std::string &name) {
  std::vector<std::string> selection;
  if (!PackageHasMember(name))
    return selection;
  selection.push_back(name);
  ExpandPackage(Compress, *stream_, folder_, &selection);
  return selection;
}

void TCompressDataModule::ExpandWholePackage() {
  if (stream_ != nullptr)
    ExpandPackage(Compress, *stream_, folder_);
}

void TCompressDataModule::BuildPackage() {
  TBuildPlan plan;
  plan.Folder = folder_;
  plan.ListingPath = common::AppletFilePath(common::kListingName);
  plan.ProgramPath = program_;
  plan.OutputPath = common::AppletFilePath(common::kRebuiltAppletName);
  const TBuildResult result = BuildPackagedProgram(Compress, plan);
  if (!result.Complete())
    exitCode_ = 1;
  WriteReplacementBatch();
}

void TCompressDataModule::StripPackage() {
  if (!HasPackage())
    return;
  const std::string output = common::AppletFilePath(common::kRebuiltAppletName);
  Platform().RemoveFile(output);
  if (!common::CopyFileHead(program_, output, kPackageOffset))
    throw EFCreateError(output);
  WriteReplacementBatch();
}

void TCompressDataModule::WriteReplacementBatch() {
  const std::string batch = common::AppletFilePath(common::kBatchName);
  // The command interpreter reads the batch in another code page: names as it spells them.
  platform::TPlatform &p = Platform();
  const std::vector<std::string> lines = ReplacementBatchLines(
      p.CommandInterpreterPath(program_), p.CommandInterpreterPath(folder_),
      p.CommandInterpreterPath(common::AppletFilePath(common::kRebuiltAppletName)),
      p.CommandInterpreterPath(batch));
  if (!platform::WriteBatchFile(batch, lines))
    throw EFCreateError(batch);
  platform::StartBatchHidden(batch);
}

} // namespace package
