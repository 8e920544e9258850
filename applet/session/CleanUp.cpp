#include "applet/session/CleanUp.h"

#include "applet/common/CommonUtils.h"
#include "applet/platform/BatchFile.h"
#include "applet/platform/Platform.h"

namespace session {

using platform::Platform;

namespace {

void DeleteTracks() {
  for (int n = 1; n <= common::kMaxTracks; ++n)
    Platform().RemoveFile(common::AppletFilePath(common::TempTrackName(n)));
}

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

} // namespace

std::vector<std::string> SelfRemovalBatchLines(const std::string &folder,
                                               const std::string &programName) {
  const std::string f = platform::BatchLiteral(folder);
  const std::string n = platform::BatchLiteral(programName);
  return {
      "@echo off",
      "cd " + Quoted(f),
      ":try",
      "del " + Quoted(n),
      "if exist " + Quoted(n) + " goto try",
      "del " + Quoted(f + common::kPackageWorkName),
      "del " + Quoted(f + common::kDecoderName),
      "del " + Quoted(f + common::kBatchName),
      "exit",
  };
}

void CleanUp(bool selfRemoval) {
  if (!selfRemoval) {
    Platform().RemoveFile(common::AppletFilePath(common::kPackageWorkName));
    Platform().RemoveFile(common::AppletFilePath(common::kDecoderName));
    DeleteTracks();
    return;
  }
  const std::string program = Platform().ModuleFileName();
  const std::string batch = common::AppletFilePath(common::kBatchName);
  // The command interpreter reads the batch in another code page: names as it spells them.
  platform::TPlatform &p = Platform();
  const bool written = platform::WriteBatchFile(
      batch, SelfRemovalBatchLines(p.CommandInterpreterPath(platform::ExtractFilePath(program)),
                                   platform::ExtractFileName(p.CommandInterpreterPath(program))));
  DeleteTracks();
  if (written)
    platform::StartBatchHidden(batch);
}

} // namespace session
